// The host's side of the control port: what the guest writes, cut anywhere
// by the serial line, parses into the same events.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control_protocol.h"

namespace {

using ombix::kernel_test::ControlEvent;
using ombix::kernel_test::ControlParser;
using Kind = ControlEvent::Kind;
using namespace std::string_literals;

struct Expected {
    Kind kind;
    std::string text;
    unsigned long id;
    int status;
    std::string out;
    std::string err;
};

struct StreamCase {
    const char *name;
    std::string stream;
    std::vector<Expected> events;
    bool broken;
};

std::string reply(unsigned long id, const std::string &out, const std::string &err, int status) {
    std::string n = std::to_string(id);
    return "@@OUT " + n + " " + std::to_string(out.size()) + "\n" + out + "@@ERR " + n + " " +
           std::to_string(err.size()) + "\n" + err + "@@END " + n + " " + std::to_string(status) + "\n";
}

const std::vector<StreamCase> &stream_cases() {
    static const std::vector<StreamCase> cases = {
        {"ready names the release",
         "@@READY 6.1.0-57-amd64\n",
         {{Kind::ready, "6.1.0-57-amd64", 0, -1, "", ""}},
         false},
        {"failure carries its reason",
         "@@FAILED cannot mount the host's root\n",
         {{Kind::failed, "cannot mount the host's root", 0, -1, "", ""}},
         false},
        {"output that looks like markers is taken by its length",
         reply(3, "@@END 3 0\nline\n\0bin"s, "warn\n@@OUT", 2),
         {{Kind::reply, "", 3, 2, "@@END 3 0\nline\n\0bin"s, "warn\n@@OUT"}},
         false},
        {"empty outputs and a killed script", reply(9, "", "", 137), {{Kind::reply, "", 9, 137, "", ""}}, false},
        {"events in a row come in order",
         "@@READY r\n" + reply(1, "a", "", 0) + reply(2, "", "b", 1),
         {{Kind::ready, "r", 0, -1, "", ""}, {Kind::reply, "", 1, 0, "a", ""}, {Kind::reply, "", 2, 1, "", "b"}},
         false},
        {"a line of no known shape breaks the stream", "login: \n", {}, true},
        {"an answer whose parts name different requests breaks it", "@@OUT 4 0\n@@ERR 5 0\n@@END 4 0\n", {}, true},
        {"an unknown marker breaks it after the events before",
         reply(1, "x", "", 0) + "@@BAD PING\n",
         {{Kind::reply, "", 1, 0, "x", ""}},
         true},
    };
    return cases;
}

std::vector<ControlEvent> drain(ControlParser &parser) {
    std::vector<ControlEvent> events;
    while (auto event = parser.next()) events.push_back(*event);
    return events;
}

void expect_events(const StreamCase &c, const std::vector<ControlEvent> &events, const ControlParser &parser) {
    ASSERT_EQ(events.size(), c.events.size());
    for (std::size_t i = 0; i < events.size(); ++i) {
        SCOPED_TRACE("event " + std::to_string(i));
        EXPECT_EQ(events[i].kind, c.events[i].kind);
        EXPECT_EQ(events[i].text, c.events[i].text);
        if (c.events[i].kind != Kind::reply) continue;
        EXPECT_EQ(events[i].id, c.events[i].id);
        EXPECT_EQ(events[i].status, c.events[i].status);
        EXPECT_EQ(events[i].out, c.events[i].out);
        EXPECT_EQ(events[i].err, c.events[i].err);
    }
    EXPECT_EQ(parser.broken(), c.broken);
}

TEST(ControlParser, a_stream_parses_the_same_whole_or_byte_by_byte) {
    for (const StreamCase &c : stream_cases()) {
        SCOPED_TRACE(c.name);
        ControlParser whole;
        whole.feed(c.stream.data(), c.stream.size());
        expect_events(c, drain(whole), whole);

        ControlParser bytes;
        std::vector<ControlEvent> events;
        for (char byte : c.stream) {
            bytes.feed(&byte, 1);
            std::vector<ControlEvent> more = drain(bytes);
            events.insert(events.end(), more.begin(), more.end());
        }
        expect_events(c, events, bytes);
    }
}

TEST(ControlParser, a_broken_stream_keeps_the_line_that_broke_it_and_takes_nothing_more) {
    ControlParser parser;
    std::string stream = "Kernel panic - not syncing\n@@READY r\n";
    parser.feed(stream.data(), stream.size());
    EXPECT_FALSE(parser.next());
    EXPECT_TRUE(parser.broken());
    EXPECT_EQ(parser.broken_text(), "Kernel panic - not syncing");
    parser.feed("@@READY r\n", 10);
    EXPECT_FALSE(parser.next());
}

}  // namespace
