#include <map>
#include <utility>

#include "sim_call.h"
#include "sim_control.h"

namespace ombix::sim {
namespace {

struct SimState {
    Board board = initial_board();
    std::vector<CallRecord> calls;
    std::map<std::string, std::int32_t> forced;
};

SimState &state() {
    static SimState instance;
    return instance;
}

}  // namespace

std::mutex &board_mutex() {
    static std::mutex mutex;
    return mutex;
}

void note_call(CallRecord record) {
    // Keep the log bounded: long runs (servers, load tests) make many calls.
    auto &calls = state().calls;
    if (calls.size() >= 4096) calls.erase(calls.begin(), calls.begin() + 2048);
    calls.push_back(std::move(record));
}

std::int32_t outcome(const char *name, std::int32_t code) {
    const auto &forced = state().forced;
    if (forced.empty()) return code;
    auto it = forced.find(name);
    return it != forced.end() ? it->second : code;
}

Argument bytes_argument(const std::uint8_t *data, std::int64_t length) {
    Argument argument{};
    argument.kind = Argument::Bytes;
    argument.null = data == nullptr;
    argument.integer = length;
    if (data != nullptr && length > 0) argument.bytes.assign(data, data + length);
    return argument;
}

void SimCall::add(Argument argument) {
    state().calls.back().arguments.push_back(std::move(argument));
}

void reset() {
    std::lock_guard<std::mutex> lock(board_mutex());
    state() = SimState{};
}

void force_code(const std::string &name, std::int32_t code) {
    std::lock_guard<std::mutex> lock(board_mutex());
    state().forced[name] = code;
}

std::vector<CallRecord> calls() {
    std::lock_guard<std::mutex> lock(board_mutex());
    return state().calls;
}

CallRecord last_call(const std::string &name) {
    std::lock_guard<std::mutex> lock(board_mutex());
    const auto &all = state().calls;
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        if (it->name == name) return *it;
    }
    return CallRecord{};
}

Board &board() { return state().board; }

}  // namespace ombix::sim
