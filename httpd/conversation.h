// One connection's HTTP conversation without the socket: bytes in, answers
// out. The server feeds it what it reads and sends what it gives back; the
// fuzz target feeds it bytes directly. Parsing is the HTTP library's, strict
// where the protocol allows, with the checks of head_check.h on top.
#ifndef OMBIXD_CONVERSATION_H
#define OMBIXD_CONVERSATION_H

#include <cstddef>
#include <memory>
#include <string>

#include "keyring.h"

namespace ombixd {

class AnswerMemory;

// The longest request head (request line and header lines) accepted: 431 beyond.
inline constexpr std::size_t kMaxHeadBytes = 16 * 1024;

class Conversation {
public:
    // `keys` (an empty keyring: none required) and `memory` (null: none)
    // must outlive the conversation.
    Conversation(const Keys &keys, AnswerMemory *memory);
    ~Conversation();
    Conversation(const Conversation &) = delete;
    Conversation &operator=(const Conversation &) = delete;

    enum class State {
        Reading,  // wants more bytes
        Writing,  // output() is an answer to send; then call output_sent()
        Closing,  // send output() if any, then close the connection
    };
    State state() const { return state_; }

    // Takes bytes received (while Reading). Returns how many it used; the
    // rest belongs to a later request and is given again after the answer is
    // sent. A request head is used only once it is complete, so the caller
    // keeps the bytes of an incomplete head and gives them again with more.
    std::size_t receive(const char *data, std::size_t size);
    // The client closed its side of the connection.
    void receive_end();
    // True while a request has begun to arrive and is not yet complete.
    bool request_started() const { return started_; }

    const std::string &output() const { return output_; }
    void output_sent();

    // The client's address and port as the audit shows it ("127.0.0.1:40112").
    void set_peer(std::string peer) { peer_ = std::move(peer); }
    // How the last request's token fared, for the slowing of repeated
    // failures; reading it clears it.
    enum class Auth { None, Passed, Failed };
    Auth take_auth() {
        Auth auth = auth_;
        auth_ = Auth::None;
        return auth;
    }
    // The subject of the client certificate the TLS layer verified, which
    // identifies the caller of a request without a token.
    void set_client_subject(std::string subject) { client_subject_ = std::move(subject); }

    // The server is stopping: an idle conversation closes now, one in the
    // middle of a request closes after answering it.
    void stop();

private:
    struct Parser;
    void begin_request();
    void on_head();
    void on_message();
    void answer_and_close(unsigned status, const char *error);

    const Keys &keys_;
    AnswerMemory *memory_;
    std::unique_ptr<Parser> parser_;
    State state_ = State::Reading;
    bool started_ = false;
    bool stopping_ = false;
    std::string output_;
    std::string head_;            // the raw head so far: the parser may take it in pieces
    std::string client_subject_;  // empty: no verified client certificate
    std::string peer_;
    Auth auth_ = Auth::None;
};

}  // namespace ombixd

#endif
