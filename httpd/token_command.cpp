#include "token_command.h"

#include <fcntl.h>
#include <openssl/rand.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "token_store.h"

namespace ombixd {

const char kTokenUsage[] =
    "usage: ombixd token add NAME --role reader|operator|admin [--token-store FILE]\n"
    "       ombixd token list [--token-store FILE]\n"
    "       ombixd token revoke NAME [--token-store FILE]\n"
    "       ombixd token add-cert SUBJECT --role reader|operator|admin [--token-store FILE]\n"
    "       ombixd token revoke-cert SUBJECT [--token-store FILE]\n"
    "The store defaults to /etc/ombix/tokens. add prints the new token once; only\n"
    "its digest is kept. add-cert gives a client certificate's subject a role, the\n"
    "subject as `openssl x509 -noout -subject -nameopt RFC2253` prints it after\n"
    "\"subject=\" (CN=alice,O=Board Lab). A running ombixd takes a change on SIGHUP.\n";

namespace {

int usage(const std::string &error) {
    std::fprintf(stderr, "ombixd token: %s\n%s", error.c_str(), kTokenUsage);
    return 2;
}

int failure(const std::string &error) {
    std::fprintf(stderr, "ombixd token: %s\n", error.c_str());
    return 1;
}

// 32 random bytes as hexadecimal: 256 bits, beyond guessing.
bool new_token(std::string &token) {
    unsigned char bytes[32];
    if (RAND_bytes(bytes, sizeof bytes) != 1) return false;
    static const char kDigits[] = "0123456789abcdef";
    for (unsigned char byte : bytes) {
        token += kDigits[byte >> 4];
        token += kDigits[byte & 15];
    }
    return true;
}

// The store as it is, or empty when it does not exist yet.
bool read_store(const std::string &path, Keyring &ring, std::string &error) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 && errno == ENOENT) return true;
    return load_token_store(path, ring, error);
}

// Two edits at once would each write the store without the other's change:
// they take turns on a lock file beside it.
class StoreLock {
public:
    explicit StoreLock(const std::string &store) {
        fd_ = open((store + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ >= 0 && flock(fd_, LOCK_EX) != 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~StoreLock() {
        if (fd_ >= 0) close(fd_);
    }
    StoreLock(const StoreLock &) = delete;
    StoreLock &operator=(const StoreLock &) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace

int run_token_command(int argc, char **argv) {
    std::vector<std::string> words;
    std::string store = kDefaultTokenStore;
    std::string role;
    for (int k = 0; k < argc; ++k) {
        std::string word = argv[k];
        if (word == "--token-store" || word == "--role") {
            if (k + 1 >= argc) return usage(word + " needs a value");
            (word == "--role" ? role : store) = argv[++k];
        } else if (word.rfind("--", 0) == 0) {
            return usage("unknown option " + word);
        } else {
            words.push_back(word);
        }
    }
    if (words.empty()) return usage("add, list, revoke, add-cert or revoke-cert?");
    const std::string &verb = words[0];
    const bool by_subject = verb == "add-cert" || verb == "revoke-cert";
    const bool adding = verb == "add" || verb == "add-cert";
    const bool named = adding || verb == "revoke" || verb == "revoke-cert";
    if (!named && verb != "list") return usage("unknown command " + verb);
    if (words.size() != (named ? 2u : 1u))
        return usage(named ? verb + " takes one " + (by_subject ? "SUBJECT" : "NAME") : "list takes no NAME");
    if (adding ? role.empty() : !role.empty())
        return usage(adding ? verb + " needs --role" : "--role is for add and add-cert");
    Privilege privilege = Privilege::Reader;
    if (adding && !parse_privilege(role, privilege))
        return usage("unknown role " + role + " (reader, operator or admin)");
    if (named && !by_subject && !is_token_name(words[1]))
        return usage("bad name " + words[1] + " (1 to 64 letters, digits, '.', '_', '-')");
    if (by_subject && !is_subject_text(words[1]))
        return usage("bad subject " + words[1] + " (1 to 1024 printable ASCII characters, as CN=name,O=group)");

    StoreLock lock(store);
    if (named && !lock.held()) return failure("cannot lock " + store + ".lock");
    Keyring ring;
    std::string error;
    if (!read_store(store, ring, error)) return failure(error);
    if (verb == "list") {
        for (const Key &key : ring.keys()) {
            const char *held = ombix::calls::privilege_name(key.privilege);
            if (key.certificate)
                std::printf("subject: %s %s\n", held, key.name.c_str());
            else
                std::printf("%s %s\n", key.name.c_str(), held);
        }
        return 0;
    }
    Keyring edited;
    bool found = false;
    for (const Key &key : ring.keys()) {
        if (key.name == words[1] && key.certificate == by_subject)
            found = true;
        else
            edited.add(key);
    }
    const std::string what = by_subject ? "subject " : "token named ";
    if (!adding && !found) return failure("no " + what + words[1] + " in " + store);
    if (adding && found) return failure("a " + what + words[1] + " is already in " + store);
    std::string token;
    if (verb == "add") {
        if (!new_token(token)) return failure("no random bytes for a token");
        edited.add(Key{words[1], privilege, digest_of(token)});
    } else if (verb == "add-cert") {
        Key key;
        key.name = words[1];
        key.privilege = privilege;
        key.certificate = true;
        edited.add(std::move(key));
    }
    if (!save_token_store(store, edited, error)) return failure(error);
    if (verb == "add") std::printf("%s\n", token.c_str());
    return 0;
}

}  // namespace ombixd
