#include "token.h"

#include <cstdio>
#include <cstring>

namespace ombixd {

bool authorized(const char *header, const std::string &token) {
    if (header == nullptr) return false;
    const std::string expected = "Bearer " + token;
    const std::size_t given_length = std::strlen(header);
    // Every byte of the expected text is compared whatever the header holds.
    unsigned difference = given_length == expected.size() ? 0u : 1u;
    for (std::size_t k = 0; k < expected.size(); ++k) {
        unsigned char given = k < given_length ? static_cast<unsigned char>(header[k]) : 0u;
        difference |= given ^ static_cast<unsigned char>(expected[k]);
    }
    return difference == 0;
}

std::string read_token_file(const char *path) {
    std::FILE *file = std::fopen(path, "r");
    if (file == nullptr) return {};
    char line[1024] = "";
    bool read = std::fgets(line, sizeof line, file) != nullptr;
    std::fclose(file);
    if (!read) return {};
    std::string token = line;
    while (!token.empty() && (token.back() == '\n' || token.back() == '\r' || token.back() == ' ')) token.pop_back();
    return token;
}

}  // namespace ombixd
