// The fixture of client tests that talk to the scripted transport: a clean
// script before each test, and after it the check that the stub released
// exactly the answer it owned.
#ifndef OMBIX_TEST_SCRIPTED_STUB_TEST_H
#define OMBIX_TEST_SCRIPTED_STUB_TEST_H

#include <gtest/gtest.h>

#include <string>

#include "scripted_transport.h"

namespace ombix::test {

class ScriptedStubTest : public ::testing::Test {
protected:
    void SetUp() override { reset_transport(); }
    void TearDown() override {
        EXPECT_TRUE(last_answer_handled_correctly()) << "answer released by the wrong party";
        reset_transport();
    }
    // The parameter list of the last call as compact JSON text.
    static std::string sent_params() { return sent_calls().empty() ? "<none>" : sent_calls().back().params; }
};

}  // namespace ombix::test

#endif
