// Bearer-token authentication.
#ifndef OMBIXD_TOKEN_H
#define OMBIXD_TOKEN_H

#include <string>

namespace ombixd {

// Compares the Authorization header value with "Bearer <token>" in time that
// depends only on the lengths, so that a client cannot find the token
// character by character. A null header never matches.
bool authorized(const char *header, const std::string &token);

// The token in a file: its first line, without the line end. Empty when the
// file cannot be read or holds no token.
std::string read_token_file(const char *path);

}  // namespace ombixd

#endif
