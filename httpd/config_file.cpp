#include "config_file.h"

#include <fstream>

#include "options.h"

namespace ombixd {

namespace {

std::string trimmed(const std::string &text) {
    const char *space = " \t\r";
    size_t first = text.find_first_not_of(space);
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

// Each line is checked on its own with the command line's parser, so that an
// error names the line rather than surfacing later without one. A certificate
// and key (and a store) stand in first: each may come on a line of its own,
// and --tls-client-ca, which needs them, may come before them.
bool check_option(const std::string &option, const std::string &value, std::string &error) {
    std::string program = "ombixd", cert = "--tls-cert", key = "--tls-key", store = "--token-store", stand_in = "-";
    std::string name = option;
    std::string text = value;
    char *line_argv[] = {&program[0], &cert[0],     &stand_in[0], &key[0],  &stand_in[0],
                         &store[0],   &stand_in[0], &name[0],     &text[0], nullptr};
    Options scratch;
    return parse_options(9, line_argv, scratch, error);
}

bool read_config_file(const std::string &path, std::vector<std::string> &arguments, std::string &error) {
    std::ifstream file(path);
    if (!file) {
        error = "cannot read configuration file " + path;
        return false;
    }
    std::string line;
    for (unsigned number = 1; std::getline(file, line); ++number) {
        const std::string where = path + ":" + std::to_string(number) + ": ";
        line = trimmed(line);
        if (line.empty() || line[0] == '#') continue;
        size_t equals = line.find('=');
        if (equals == std::string::npos) {
            error = where + "expected name = value";
            return false;
        }
        const std::string name = trimmed(line.substr(0, equals));
        const std::string value = trimmed(line.substr(equals + 1));
        if (name.empty() || name.rfind("-", 0) == 0 || name == "config" || name == "help") {
            error = where + "not an option of the file: " + name;
            return false;
        }
        if (value.empty()) {
            error = where + name + " needs a value";
            return false;
        }
        std::string option_error;
        if (!check_option("--" + name, value, option_error)) {
            error = where + option_error;
            return false;
        }
        arguments.push_back("--" + name);
        arguments.push_back(value);
    }
    if (file.bad()) {
        error = "cannot read configuration file " + path;
        return false;
    }
    return true;
}

}  // namespace

bool gather_arguments(int argc, char **argv, std::vector<std::string> &arguments, std::string &error) {
    std::vector<std::string> command_line;
    std::string config_path;
    for (int k = 1; k < argc; ++k) {
        if (std::string(argv[k]) != "--config") {
            command_line.push_back(argv[k]);
            continue;
        }
        if (k + 1 >= argc) {
            error = "--config needs a value";
            return false;
        }
        config_path = argv[++k];
    }
    arguments.clear();
    if (!config_path.empty() && !read_config_file(config_path, arguments, error)) return false;
    arguments.insert(arguments.end(), command_line.begin(), command_line.end());
    return true;
}

}  // namespace ombixd
