// A transport double for client tests: it records every call a stub makes
// and answers with a scripted code and output list.
#ifndef OMBIX_TEST_SCRIPTED_TRANSPORT_H
#define OMBIX_TEST_SCRIPTED_TRANSPORT_H

#include <jansson.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ombix::test {

struct SentCall {
    std::int32_t handle = 0;
    std::string name;
    std::string params;  // compact JSON text of the parameter list, "NULL" for a null pointer
};

// Scripts the answer to the next calls: the code, and the output list as JSON
// text ("NULL" returns a null pointer). The list handed to the stub is a new
// value each call; the double checks that the stub released it when the code
// was 0 or 16, and that it did not when the code was anything else.
void script_answer(std::int32_t code, const std::string &outs_json);
// Like script_answer with a value the test built; the double takes it over.
void script_answer_value(std::int32_t code, json_t *outs);

// The calls made since the last reset, and how many were made.
const std::vector<SentCall> &sent_calls();
void reset_transport();

// Reference-count bookkeeping of the last answer: true when the stub
// released the list it owned (code 0 or 16) and left alone one it did not own.
bool last_answer_handled_correctly();
// Releases a list the stub did not own; tests call it after checking.
void release_unowned_answer();

}  // namespace ombix::test

#endif
