// ombix: the board API from the command line, over HTTP to an ombixd server.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "arguments.h"
#include "board_report.h"
#include "call_runner.h"
#include "code_text.h"
#include "ombixRemoteCall.h"
#include "ombix_http_transport.h"
#include "openapi_document.h"
#include "output.h"

namespace {

const char kUsage[] =
    "usage: ombix [--url URL] [--token-file FILE] [--cacert PEM] [--cert PEM [--key PEM]] [--timeout MS] [--json]\n"
    "             COMMAND\n"
    "commands:\n"
    "  report                    print the whole board report\n"
    "  calls                     list the calls with the least role each needs and\n"
    "                            their arguments; with --json,\n"
    "                            the OpenAPI document of the HTTP API\n"
    "  CALL [name=value ...]     run one call, e.g. ombix GetFanSpeed fanNr=0\n"
    "                            integers as 12, -1 or 0xff; bytes as hex or @file\n"
    "The URL defaults to $OMBIX_URL, else http://127.0.0.1:8711.\n"
    "Exit status: 0 success, 1 the call failed, 2 usage error.\n";

struct CommandLine {
    std::string url;
    std::string token_file;
    std::string ca_file;
    std::string cert_file;  // a client certificate for a server that verifies callers by theirs
    std::string key_file;   // its key; empty when cert_file holds it too
    int timeout_ms = 30000;
    bool json = false;
    std::vector<std::string> words;
};

int usage_error(const std::string &message) {
    std::fprintf(stderr, "ombix: %s\n%s", message.c_str(), kUsage);
    return 2;
}

bool read_token(const std::string &path, std::string &token) {
    std::FILE *file = std::fopen(path.c_str(), "r");
    if (file == nullptr) return false;
    char line[1024] = "";
    bool read = std::fgets(line, sizeof line, file) != nullptr;
    std::fclose(file);
    token = line;
    while (!token.empty() && (token.back() == '\n' || token.back() == '\r' || token.back() == ' ')) token.pop_back();
    return read && !token.empty();
}

// Prints what a failed call means and where it came from.
int call_failed(const char *what, std::int32_t code) {
    const char *detail = OmbixTransportLastError();
    std::fprintf(stderr, "ombix: %s failed: %s%s%s\n", what, ombix::cli::code_text(code).c_str(),
                 detail[0] != '\0' ? ": " : "", detail);
    return 1;
}

int run_report(std::int32_t handle) {
    // One cheap call first, so that an unreachable server is one clear message.
    std::int32_t boot_count = 0;
    std::int32_t code = OmbixR_GetBootCounter(handle, &boot_count);
    if (code != OMBIX_RC_OK && code != OMBIX_RC_OUTPUTS_VALID) return call_failed("report", code);
    int failures = ombix::report::print_board_report(stdout, handle);
    if (failures == 0) return 0;
    std::fprintf(stderr, "ombix: %d call%s of the report failed\n", failures, failures == 1 ? "" : "s");
    return 1;
}

int run_one(const CommandLine &line, std::int32_t handle) {
    const ombix::calls::CallDescription *call = ombix::cli::find_call(line.words[0]);
    if (call == nullptr) return usage_error("no call named " + line.words[0] + " (ombix calls lists them)");
    ombix::cli::Arguments arguments;
    std::string error;
    if (!ombix::cli::parse_arguments({line.words.begin() + 1, line.words.end()}, arguments, error))
        return usage_error(error);
    ombix::cli::CallResult result = ombix::cli::run_call(*call, handle, arguments);
    if (!result.ran) return usage_error(error = result.error + "\n  " + ombix::cli::describe_call(*call));
    if (result.outputs == nullptr) return call_failed(call->name, result.code);
    if (line.json)
        ombix::cli::print_json(stdout, call->name, result.code, result.outputs);
    else
        ombix::cli::print_readable(stdout, result.code, result.outputs);
    json_decref(result.outputs);
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    CommandLine line;
    const char *url = std::getenv("OMBIX_URL");
    line.url = url != nullptr && url[0] != '\0' ? url : "http://127.0.0.1:8711";
    int k = 1;
    for (; k < argc && std::strncmp(argv[k], "--", 2) == 0; ++k) {
        std::string option = argv[k];
        if (option == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (option == "--json") {
            line.json = true;
            continue;
        }
        if (k + 1 >= argc) return usage_error(option + " needs a value");
        const char *value = argv[++k];
        if (option == "--url")
            line.url = value;
        else if (option == "--token-file")
            line.token_file = value;
        else if (option == "--cacert")
            line.ca_file = value;
        else if (option == "--cert")
            line.cert_file = value;
        else if (option == "--key")
            line.key_file = value;
        else if (option == "--timeout")
            line.timeout_ms = std::atoi(value);
        else
            return usage_error("unknown option " + option);
    }
    for (; k < argc; ++k) line.words.push_back(argv[k]);
    if (line.words.empty()) return usage_error("no command");

    if (line.words[0] == "calls" && (line.json || (line.words.size() == 2 && line.words[1] == "--json"))) {
        json_t *document = ombix::openapi::build_document();
        if (document == nullptr || json_dumpf(document, stdout, JSON_COMPACT) != 0) {
            json_decref(document);
            std::fputs("ombix: out of memory\n", stderr);
            return 1;
        }
        json_decref(document);
        std::putchar('\n');
        return 0;
    }
    if (line.words[0] == "calls") {
        for (const ombix::calls::CallDescription *call : ombix::cli::all_calls())
            std::printf("%-8s %s\n", ombix::calls::privilege_name(call->privilege),
                        ombix::cli::describe_call(*call).c_str());
        return 0;
    }

    if (!line.key_file.empty() && line.cert_file.empty()) return usage_error("--key goes with --cert");
    std::string token;
    if (!line.token_file.empty() && !read_token(line.token_file, token))
        return usage_error("no token in " + line.token_file);
    OMBIX_HTTP_OPTIONS options{line.url.c_str(), token.empty() ? nullptr : token.c_str(), line.timeout_ms,
                               line.ca_file.empty() ? nullptr : line.ca_file.c_str()};
    std::int32_t handle = 0;
    std::int32_t opened = OmbixHttpOpen(&options, &handle);
    if (opened != 0) return call_failed("connecting", opened);
    if (!line.cert_file.empty()) {
        std::int32_t shown = OmbixHttpSetClientCertificate(handle, line.cert_file.c_str(),
                                                           line.key_file.empty() ? nullptr : line.key_file.c_str());
        if (shown != 0) {
            OmbixHttpClose(handle);
            return call_failed("connecting", shown);
        }
    }

    int status = line.words[0] == "report" ? run_report(handle) : run_one(line, handle);
    OmbixHttpClose(handle);
    return status;
}
