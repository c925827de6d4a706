// What a call's code means, in words, for the command-line client.
#ifndef OMBIX_CLI_CODE_TEXT_H
#define OMBIX_CLI_CODE_TEXT_H

#include <cstdint>
#include <string>

namespace ombix::cli {

// "the answer did not match the call (65543)", "cannot connect (0x20004)"...
std::string code_text(std::int32_t code);

}  // namespace ombix::cli

#endif
