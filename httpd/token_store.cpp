#include "token_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace ombixd {
namespace {

constexpr std::size_t kLongestName = 64;
constexpr std::size_t kLongestSubject = 1024;
constexpr std::string_view kSubjectTag = "subject:";

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool parse_digest(std::string_view text, TokenDigest &digest) {
    if (text.size() != 2 * digest.size()) return false;
    for (std::size_t k = 0; k < digest.size(); ++k) {
        int high = hex_value(text[2 * k]);
        int low = hex_value(text[2 * k + 1]);
        if (high < 0 || low < 0) return false;
        digest[k] = static_cast<unsigned char>(high * 16 + low);
    }
    return true;
}

std::string hex_of(const TokenDigest &digest) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char byte : digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

// The reason a subject line is not one, or empty when it is (in `key`).
std::string parse_subject_line(std::string_view line, const Keyring &ring, Key &key) {
    line.remove_prefix(line.find(kSubjectTag) + kSubjectTag.size());
    const std::size_t role_at = line.find_first_not_of(" \t");
    const std::size_t role_end = line.find_first_of(" \t", role_at);
    const std::size_t subject_at = line.find_first_not_of(" \t", role_end);
    if (role_at == std::string_view::npos || subject_at == std::string_view::npos)
        return "expected subject: ROLE SUBJECT";
    const std::string_view role = line.substr(role_at, role_end - role_at);
    const std::string_view subject = line.substr(subject_at);
    if (!parse_privilege(role, key.privilege))
        return "unknown role '" + std::string(role) + "' (reader, operator or admin)";
    if (!is_subject_text(subject)) return "bad subject (1 to 1024 printable ASCII characters, as CN=name,O=group)";
    for (const Key &other : ring.keys())
        if (other.certificate && other.name == subject)
            return "the subject " + std::string(subject) + " is given twice";
    key.name = subject;
    key.certificate = true;
    return {};
}

// The reason a line is not a token, or empty when it is one (in `key`).
std::string parse_line(const std::string &line, const Keyring &ring, Key &key) {
    if (line.compare(line.find_first_not_of(" \t"), kSubjectTag.size(), kSubjectTag) == 0)
        return parse_subject_line(line, ring, key);
    std::istringstream words(line);
    std::string name, role, digest, extra;
    words >> name >> role >> digest;
    if (digest.empty()) return "expected NAME ROLE DIGEST";
    if (words >> extra) return "more than NAME ROLE DIGEST";
    if (!is_token_name(name)) return "bad name '" + name + "' (1 to 64 letters, digits, '.', '_', '-')";
    if (!parse_privilege(role, key.privilege)) return "unknown role '" + role + "' (reader, operator or admin)";
    if (!parse_digest(digest, key.digest)) return "bad digest (64 hexadecimal digits of SHA-256)";
    for (const Key &other : ring.keys())
        if (!other.certificate && other.name == name) return "the name " + name + " is given twice";
    key.name = name;
    return {};
}

// The service reads the store through its group (root:ombix 0640): an edit
// keeps that group and its read right, never more. Without a store yet, or
// when the group cannot be given, the new file stays the owner's alone.
bool keep_group_reading(const std::string &path, int fd) {
    struct stat old {};
    if (stat(path.c_str(), &old) != 0 || (old.st_mode & S_IRGRP) == 0) return true;
    if (fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) return true;
    return fchmod(fd, 0640) == 0;
}

}  // namespace

bool is_token_name(std::string_view name) {
    if (name.empty() || name.size() > kLongestName) return false;
    for (char c : name) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                     c == '_' || c == '-';
        if (!plain) return false;
    }
    return true;
}

bool is_subject_text(std::string_view subject) {
    if (subject.empty() || subject.size() > kLongestSubject || subject.find('=') == std::string_view::npos)
        return false;
    for (char c : subject)
        if (c < 0x20 || c > 0x7e) return false;
    return true;
}

bool parse_privilege(std::string_view text, Privilege &privilege) {
    for (Privilege p : {Privilege::Reader, Privilege::Operator, Privilege::Admin}) {
        if (text == ombix::calls::privilege_name(p)) {
            privilege = p;
            return true;
        }
    }
    return false;
}

bool load_token_store(const std::string &path, Keyring &ring, std::string &error) {
    const std::string where = "the token store " + path;
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        error = where + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        error = where + ": not a regular file";
        return false;
    }
    if ((status.st_mode & (S_IWGRP | S_IRWXO)) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(status.st_mode & 07777));
        error = where + ": mode " + mode + " lets others read or change it; chmod 600 " + path;
        return false;
    }
    std::ifstream file(path);
    if (!file) {
        error = where + ": cannot be read";
        return false;
    }
    Keyring loaded;
    std::string line;
    for (unsigned number = 1; std::getline(file, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        Key key;
        std::string why = parse_line(line, loaded, key);
        if (!why.empty()) {
            error = where + ": line " + std::to_string(number) + ": " + why;
            return false;
        }
        loaded.add(std::move(key));
    }
    if (file.bad()) {
        error = where + ": cannot be read";
        return false;
    }
    for (const Key &key : loaded.keys()) {
        for (const Key &other : ring.keys()) {
            if (other.name == key.name && other.certificate == key.certificate) {
                error = where + ": the name " + key.name + " is taken";
                return false;
            }
        }
    }
    for (const Key &key : loaded.keys()) ring.add(key);
    ring.require();
    return true;
}

bool save_token_store(const std::string &path, const Keyring &ring, std::string &error) {
    std::string text =
        "# ombixd tokens: NAME ROLE SHA256-OF-TOKEN, and subject: ROLE SUBJECT (edit with ombixd token)\n";
    for (const Key &key : ring.keys()) {
        const char *role = ombix::calls::privilege_name(key.privilege);
        if (key.certificate)
            text += std::string(kSubjectTag) + " " + role + " " + key.name + "\n";
        else
            text += key.name + " " + role + " " + hex_of(key.digest) + "\n";
    }
    const std::string fresh = path + ".new";
    int fd = open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = "cannot write " + fresh + ": " + std::strerror(errno);
        return false;
    }
    // A file left by an earlier run keeps its mode: make it the owner's
    // alone, then give the group of the store it replaces its read right back.
    bool written = fchmod(fd, 0600) == 0 && keep_group_reading(path, fd) &&
                   write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) && fsync(fd) == 0;
    written = close(fd) == 0 && written;
    if (!written || rename(fresh.c_str(), path.c_str()) != 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        unlink(fresh.c_str());
        return false;
    }
    return true;
}

}  // namespace ombixd
