// Fuzz target: ombixd's request handling in process, from the bytes a client
// sends to the bytes it gets back: HTTP parsing, framing checks, routing,
// authorization, request ids and the executor with the simulated board.
//
// Input: one byte of settings, then the bytes of the connection. Bit 0 of the
// settings byte asks for a bearer token ("t0ken" an admin's, "r3ader" a reader's); the other bits give the
// size of the pieces the bytes arrive in (1 to 128), as reads would split them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "answer_memory.h"
#include "conversation.h"
#include "sim_control.h"

namespace {

// An admin token and a reader's, so that inputs reach the role refusals too.
ombixd::Keyring token_keys() {
    ombixd::Keyring ring = ombixd::single_token("admin", "t0ken");
    ring.add(ombixd::Key{"reader", ombixd::Privilege::Reader, ombixd::digest_of("r3ader")});
    return ring;
}
const ombixd::Keys kToken(token_keys());
const ombixd::Keys kNoToken;

// Every answer is a whole HTTP/1.1 answer: the status line comes first.
void check_output(const std::string &output) {
    if (!output.empty() && output.compare(0, 9, "HTTP/1.1 ") != 0) __builtin_trap();
}

}  // namespace

// The board keeps its state across inputs, like a server's; its call log is
// off, as in a long-running server.
extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    ombix::sim::set_call_log(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0) return 0;
    static ombixd::AnswerMemory memory;
    const bool with_token = (data[0] & 1) != 0;
    const std::size_t piece = 1 + (data[0] >> 1);
    const char *bytes = reinterpret_cast<const char *>(data + 1);
    const std::size_t length = size - 1;

    ombixd::Conversation conversation(with_token ? kToken : kNoToken, &memory);
    std::string pending;
    for (std::size_t at = 0; at < length; at += piece) {
        pending.append(bytes + at, std::min(piece, length - at));
        for (;;) {
            std::size_t used = conversation.receive(pending.data(), pending.size());
            if (used > pending.size()) __builtin_trap();
            pending.erase(0, used);
            if (conversation.state() == ombixd::Conversation::State::Reading) break;
            check_output(conversation.output());
            if (conversation.state() == ombixd::Conversation::State::Closing) return 0;
            conversation.output_sent();
            if (pending.empty()) break;
        }
    }
    conversation.receive_end();
    return 0;
}
