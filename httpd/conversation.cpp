#include "conversation.h"

#include <boost/beast/core/string.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/parser.hpp>

#include <cstdint>
#include <new>
#include <optional>

#include "answer_memory.h"
#include "audit_log.h"
#include "head_check.h"
#include "request_handler.h"
#include "request_target.h"
#include "response_text.h"
#include "server_metrics.h"

namespace ombixd {
namespace {

namespace beast = boost::beast;
namespace http = boost::beast::http;
namespace net = boost::asio;

// A chunked body is read past kMaxBodyBytes (to answer 413 on a connection
// still in step) only up to this much; beyond it the connection is dropped.
constexpr std::uint64_t kMaxDiscardBytes = 4 * kMaxBodyBytes;

// A request body kept up to kMaxBodyBytes; past that, or when the request is
// answered without it, its bytes are counted and dropped.
struct LimitedBody {
    struct value_type {
        std::string text;
        bool discard = false;
        bool over_limit = false;
        bool out_of_memory = false;
    };

    class reader {
    public:
        template <bool isRequest, class Fields>
        reader(http::header<isRequest, Fields> &, value_type &body) : body_(body) {}

        void init(const boost::optional<std::uint64_t> &, beast::error_code &ec) { ec = {}; }

        template <class Buffers>
        std::size_t put(const Buffers &buffers, beast::error_code &ec) {
            ec = {};
            std::size_t total = 0;
            for (auto it = net::buffer_sequence_begin(buffers); it != net::buffer_sequence_end(buffers); ++it) {
                net::const_buffer block = *it;
                total += block.size();
                keep(static_cast<const char *>(block.data()), block.size());
            }
            return total;
        }

        void finish(beast::error_code &ec) { ec = {}; }

    private:
        void keep(const char *data, std::size_t size) {
            if (body_.discard || body_.over_limit || body_.out_of_memory) return;
            if (body_.text.size() + size > kMaxBodyBytes) {
                body_.over_limit = true;
                std::string().swap(body_.text);
                return;
            }
            try {
                body_.text.append(data, size);
            } catch (const std::bad_alloc &) {
                body_.out_of_memory = true;
                std::string().swap(body_.text);
            }
        }

        value_type &body_;
    };
};

using RequestParser = http::request_parser<LimitedBody>;

// Records a call that changes the board, once answered: run (whatever its
// code), refused for its role, or rejected before it ran.
void record_call(const Route &route, const std::string &peer, const std::string &body, const Answer &answer) noexcept {
    if (route.described == nullptr || !is_audited(*route.described)) return;
    try {
        AuditRecord record;
        record.time = audit_time_now();
        record.caller = route.caller;
        record.peer = peer;
        record.call = route.described->name;
        record.params = audit_params(*route.described, body);
        record.status = answer.status;
        record.has_code = answer.status == 200 && answer_code(answer.body, record.code);
        record.outcome = answer.status == 200   ? "ran"
                         : answer.status == 403 ? "refused"
                         : answer.status == 503 ? "failed"
                                                : "rejected";
        audit(std::move(record));
    } catch (const std::exception &) {
        count_audit_failure();
    }
}

}  // namespace

struct Conversation::Parser {
    std::optional<RequestParser> parser;
    Answer early;  // the answer decided from the head, if any
    bool answered_early = false;
    std::string call;
    Route route;  // who asked for which call, kept for the audit
};

Conversation::Conversation(const Keys &keys, AnswerMemory *memory)
    : keys_(keys), memory_(memory), parser_(std::make_unique<Parser>()) {}

Conversation::~Conversation() = default;

void Conversation::begin_request() {
    parser_->parser.emplace();
    parser_->parser->header_limit(kMaxHeadBytes);
    parser_->parser->body_limit(kMaxDiscardBytes);
    parser_->parser->eager(false);
    parser_->answered_early = false;
    parser_->early = Answer{};
    parser_->call.clear();
    parser_->route = Route{};
    head_.clear();
}

void Conversation::answer_and_close(unsigned status, const char *error) {
    output_.clear();
    append_response(error_answer(status, error), Persistence::Close, output_);
    state_ = State::Closing;
}

void Conversation::on_head() {
    RequestParser &parser = *parser_->parser;
    auto &request = parser.get();
    const unsigned version = request.version();
    if (version != 10 && version != 11) return answer_and_close(505, "HTTP version not supported");
    HeadVerdict verdict = check_head(head_, version);
    if (verdict.status != 0) return answer_and_close(verdict.status, verdict.error);
    std::string path;
    if (!decode_path(request.target(), path)) return answer_and_close(400, "bad request target");

    std::string authorization;
    auto field = request.find(http::field::authorization);
    if (field != request.end()) authorization.assign(field->value().data(), field->value().size());
    const std::uint64_t declared = parser.content_length().value_or(0);
    Route route = route_request(request.method_string(), path, field != request.end() ? authorization.c_str() : nullptr,
                                declared, *keys_.current(), client_subject_);
    auth_ = route.auth == Route::Auth::Failed   ? Auth::Failed
            : route.auth == Route::Auth::Passed ? Auth::Passed
                                                : Auth::None;
    const bool body_follows = declared > 0 || parser.chunked();
    const bool expects_continue = version == 11 && body_follows && request.find(http::field::expect) != request.end() &&
                                  beast::iequals(request[http::field::expect], "100-continue");
    if (!route.answered) {
        parser_->call = std::move(route.call);
        parser_->route.caller = std::move(route.caller);
        parser_->route.described = route.described;
        if (expects_continue) {
            // The client waits for this before it sends the body.
            output_ = "HTTP/1.1 100 Continue\r\n\r\n";
            state_ = State::Writing;
        }
        return;
    }
    if (route.answer.status == 413 || expects_continue) {
        // A call refused from its head is recorded, without the body it never sends.
        record_call(route, peer_, std::string(), route.answer);
        // Announced too long, or refused before the client sent a body it
        // may or may not send now: answered at once, and the connection
        // closes rather than read it.
        output_.clear();
        append_response(route.answer, Persistence::Close, output_);
        state_ = State::Closing;
        return;
    }
    parser_->early = std::move(route.answer);
    parser_->answered_early = true;
    // The body of a call refused for its role is kept for its record, which
    // shows what was asked; any other is dropped.
    parser_->route.caller = std::move(route.caller);
    parser_->route.described = route.described;
    request.body().discard = route.described == nullptr || !is_audited(*route.described);
}

void Conversation::on_message() {
    RequestParser &parser = *parser_->parser;
    auto &request = parser.get();
    Answer answer;
    bool replayed = false;
    if (parser_->answered_early) {
        answer = std::move(parser_->early);
    } else if (request.body().over_limit) {
        answer = error_answer(413, "body too large");
    } else if (request.body().out_of_memory) {
        answer = error_answer(503, kOutOfMemory);
    } else {
        auto field = request.find("Ombix-Request-Id");
        RequestId id;
        if (field == request.end()) {
            answer = run_call(parser_->call, request.body().text);
        } else if (!parse_request_id(field->value(), id)) {
            answer = error_answer(400, "bad Ombix-Request-Id");
        } else if (memory_ == nullptr) {
            answer = run_call(parser_->call, request.body().text);
        } else {
            switch (memory_->claim(id, answer)) {
                case AnswerMemory::Claim::Run:
                    answer = run_call(parser_->call, request.body().text);
                    memory_->remember(id, answer);
                    break;
                case AnswerMemory::Claim::Replay: replayed = true; break;
                case AnswerMemory::Claim::Stale: answer = error_answer(409, "request id already used"); break;
                case AnswerMemory::Claim::Forgotten:
                    answer = error_answer(409, "repeated request whose answer is no longer kept");
                    break;
            }
        }
    }
    // A repeat answered from memory did not run again, and is not recorded again.
    if (!replayed) record_call(parser_->route, peer_, request.body().text, answer);
    Persistence persistence = Persistence::Close;
    if (!stopping_ && parser.keep_alive())
        persistence = request.version() == 10 ? Persistence::KeepAliveHttp10 : Persistence::KeepAlive;
    output_.clear();
    append_response(answer, persistence, output_);
    state_ = persistence == Persistence::Close ? State::Closing : State::Writing;
    started_ = false;
    parser_->parser.reset();
}

std::size_t Conversation::receive(const char *data, std::size_t size) {
    std::size_t used = 0;
    try {
        while (state_ == State::Reading && used < size) {
            if (!parser_->parser) begin_request();
            started_ = true;
            RequestParser &parser = *parser_->parser;
            const bool head_was_done = parser.is_header_done();
            beast::error_code error;
            std::size_t taken = parser.put(net::const_buffer(data + used, size - used), error);
            if (!head_was_done) head_.append(data + used, taken);
            if (error == http::error::need_more) {
                used += taken;
                if (taken == 0) break;
                continue;
            }
            if (error) {
                if (!head_was_done && error == http::error::header_limit)
                    answer_and_close(431, "request head too large");
                else if (!head_was_done && error == http::error::body_limit)
                    answer_and_close(413, "body too large");
                else if (error == http::error::body_limit)
                    state_ = State::Closing;  // a body past any reason: drop it
                else
                    answer_and_close(400, "malformed request");
                break;
            }
            if (!head_was_done && parser.is_header_done()) on_head();
            used += taken;
            if (state_ == State::Reading && parser.is_done()) on_message();
        }
    } catch (const std::bad_alloc &) {
        output_.clear();
        state_ = State::Closing;
    }
    return used;
}

void Conversation::receive_end() {
    output_.clear();
    state_ = State::Closing;
}

void Conversation::output_sent() {
    output_.clear();
    if (state_ == State::Writing) state_ = State::Reading;
}

void Conversation::stop() {
    stopping_ = true;
    if (state_ == State::Reading && !started_) state_ = State::Closing;
}

}  // namespace ombixd
