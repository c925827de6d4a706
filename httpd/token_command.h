// `ombixd token add|list|revoke`: edits the token store.
#ifndef OMBIXD_TOKEN_COMMAND_H
#define OMBIXD_TOKEN_COMMAND_H

namespace ombixd {

extern const char kTokenUsage[];

// The arguments after "token"; the exit status: 0 done, 1 the store could
// not be read or written or the name is taken or unknown, 2 a usage error.
int run_token_command(int argc, char **argv);

}  // namespace ombixd

#endif
