#include "answer_memory.h"

#include <chrono>
#include <new>

namespace ombixd {
namespace {

// A repeat waits at most this long for the first run of its call to end;
// the executor never takes that long unless the local API hangs.
constexpr auto kRepeatWait = std::chrono::seconds(60);

bool parse_hex(std::string_view text, std::uint64_t &value) {
    if (text.empty() || text.size() > 16) return false;
    value = 0;
    for (char c : text) {
        unsigned digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return false;
        value = value << 4 | digit;
    }
    return true;
}

}  // namespace

bool parse_request_id(std::string_view text, RequestId &id) {
    std::size_t dash = text.find('-');
    return dash != std::string_view::npos && parse_hex(text.substr(0, dash), id.client) &&
           parse_hex(text.substr(dash + 1), id.sequence);
}

void AnswerMemory::drop_answer(Entry &entry) {
    if (!entry.kept) return;
    bytes_ -= entry.answer.body.size();
    entry.answer.body.clear();
    entry.answer.body.shrink_to_fit();
    entry.kept = false;
}

void AnswerMemory::make_room(std::size_t bytes) {
    for (auto client = oldest_.begin(); client != oldest_.end() && bytes_ + bytes > limits_.bytes; ++client)
        drop_answer(entries_.find(*client)->second);
}

AnswerMemory::Claim AnswerMemory::claim(const RequestId &id, Answer &answer) noexcept {
    std::unique_lock<std::mutex> lock(mutex_);
    try {
        auto found = entries_.find(id.client);
        if (found == entries_.end()) {
            // Make room first: the oldest client that is not running a call goes.
            if (entries_.size() >= limits_.clients) {
                for (auto client = oldest_.begin(); client != oldest_.end(); ++client) {
                    Entry &old = entries_.find(*client)->second;
                    if (old.running) continue;
                    drop_answer(old);
                    entries_.erase(*client);
                    oldest_.erase(client);
                    break;
                }
            }
            oldest_.push_back(id.client);
            try {
                found = entries_.emplace(id.client, Entry{}).first;
            } catch (...) {
                oldest_.pop_back();
                throw;
            }
            found->second.age = std::prev(oldest_.end());
            found->second.sequence = id.sequence;
            found->second.running = true;
            return Claim::Run;
        }
        Entry &entry = found->second;
        oldest_.splice(oldest_.end(), oldest_, entry.age);
        if (id.sequence > entry.sequence) {
            drop_answer(entry);
            entry.sequence = id.sequence;
            entry.running = true;
            return Claim::Run;
        }
        if (id.sequence < entry.sequence) return Claim::Stale;
        const std::uint64_t sequence = entry.sequence;
        bool ended = answered_.wait_for(lock, kRepeatWait, [&] {
            auto again = entries_.find(id.client);
            return again == entries_.end() || again->second.sequence != sequence || !again->second.running;
        });
        auto again = entries_.find(id.client);
        if (!ended || again == entries_.end() || again->second.sequence != sequence || !again->second.kept)
            return Claim::Forgotten;
        answer = again->second.answer;
        return Claim::Replay;
    } catch (const std::bad_alloc &) {
        // Nothing to remember with: the call runs as if it came without an id.
        return Claim::Run;
    }
}

void AnswerMemory::remember(const RequestId &id, const Answer &answer) noexcept {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = entries_.find(id.client);
        if (found == entries_.end() || found->second.sequence != id.sequence || !found->second.running) return;
        Entry &entry = found->second;
        entry.running = false;
        if (answer.body.size() <= limits_.answer_bytes) {
            make_room(answer.body.size());
            try {
                entry.answer = answer;
                entry.kept = true;
                bytes_ += answer.body.size();
            } catch (const std::bad_alloc &) {
                entry.kept = false;
            }
        }
    }
    answered_.notify_all();
}

}  // namespace ombixd
