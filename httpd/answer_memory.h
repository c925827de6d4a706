// Answers of recent calls, so that a call repeated under the same request id
// is answered again without running twice.
//
// A client may send the same request twice without meaning to: when a
// kept-alive connection breaks after the server received a call but before
// its answer arrived, an HTTP client resends the request on a new connection.
// For a write to storage or a bus that would be a repeated side effect. So a
// client names each call with an Ombix-Request-Id header, "<client>-<sequence>"
// (each 1 to 16 hexadecimal digits): a client id drawn at random for each of
// its connection handles and a sequence number that grows with every call on
// it. The memory keeps, for each client id (never for a peer address, which
// changes when the client reconnects), the last sequence number and its answer.
#ifndef OMBIXD_ANSWER_MEMORY_H
#define OMBIXD_ANSWER_MEMORY_H

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>
#include <string_view>
#include <unordered_map>

#include "request_handler.h"

namespace ombixd {

struct RequestId {
    std::uint64_t client = 0;
    std::uint64_t sequence = 0;
};

// "<client>-<sequence>", each 1 to 16 hexadecimal digits.
bool parse_request_id(std::string_view text, RequestId &id);

struct AnswerMemoryLimits {
    std::size_t clients = 1024;              // client ids remembered, oldest dropped first
    std::size_t bytes = 8u * 1024 * 1024;    // answer bodies kept, all clients together
    std::size_t answer_bytes = 1024 * 1024;  // a longer answer is not kept
};

class AnswerMemory {
public:
    explicit AnswerMemory(AnswerMemoryLimits limits = {}) : limits_(limits) {}

    enum class Claim {
        Run,        // a new call: run it, then remember() its answer
        Replay,     // already answered: `answer` holds that answer
        Stale,      // older than the client's last call: never run it
        Forgotten,  // already run, but its answer was not kept
    };
    // A repeat of a call still running waits for its answer.
    Claim claim(const RequestId &id, Answer &answer) noexcept;
    void remember(const RequestId &id, const Answer &answer) noexcept;

private:
    struct Entry {
        std::uint64_t sequence = 0;
        bool running = false;
        bool kept = false;
        Answer answer;
        std::list<std::uint64_t>::iterator age;  // place in oldest_
    };
    void drop_answer(Entry &entry);
    void make_room(std::size_t bytes);

    AnswerMemoryLimits limits_;
    std::mutex mutex_;
    std::condition_variable answered_;
    std::unordered_map<std::uint64_t, Entry> entries_;
    std::list<std::uint64_t> oldest_;  // client ids, least recently used first
    std::size_t bytes_ = 0;
};

}  // namespace ombixd

#endif
