#include <cstring>
#include <map>
#include <utility>

#include "sim_call.h"
#include "sim_control.h"

namespace ombix::sim {
namespace {

// The board at power-on, built once. A reset copies it over the current
// board, whose storage areas keep their memory: building a new board takes
// 256 KiB afresh, which costs milliseconds in a sanitizer build.
const Board &power_on_board() {
    static const Board board = initial_board();
    return board;
}

struct Settings {
    bool log = true;
    bool fill = false;
    std::uint8_t fill_byte = 0;
};

struct SimState {
    Board board = power_on_board();
    std::vector<CallRecord> calls;
    std::map<std::string, std::int32_t> forced;
    Settings settings;

    void restart() {
        board = power_on_board();
        calls.clear();
        forced.clear();
        settings = Settings{};
    }
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

bool call_log_on() {
    return state().settings.log;
}

void note_call(CallRecord record) {
    // Keep the log bounded: long runs (servers, load tests) make many calls.
    auto &calls = state().calls;
    if (calls.size() >= 4096) calls.erase(calls.begin(), calls.begin() + 2048);
    calls.push_back(std::move(record));
}

std::int32_t outcome(const char *name, std::int32_t code, const OutputSlot *outputs, std::size_t count) {
    const SimState &s = state();
    if (s.settings.fill) {
        for (std::size_t i = 0; i < count; ++i) std::memset(outputs[i].address, s.settings.fill_byte, outputs[i].size);
    }
    if (s.forced.empty()) return code;
    auto it = s.forced.find(name);
    return it != s.forced.end() ? it->second : code;
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
    if (!state().settings.log || state().calls.empty()) return;
    state().calls.back().arguments.push_back(std::move(argument));
}

void reset() {
    std::lock_guard<std::mutex> lock(board_mutex());
    state().restart();
}

void force_code(const std::string &name, std::int32_t code) {
    std::lock_guard<std::mutex> lock(board_mutex());
    state().forced[name] = code;
}

void set_call_log(bool on) {
    std::lock_guard<std::mutex> lock(board_mutex());
    state().settings.log = on;
}

void fill_outputs(std::uint8_t byte) {
    std::lock_guard<std::mutex> lock(board_mutex());
    state().settings.fill = true;
    state().settings.fill_byte = byte;
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

Board &board() {
    return state().board;
}

}  // namespace ombix::sim
