// The callers' tokens and their roles. Only a digest of each token is kept:
// a token presented is hashed and compared with every digest, so that the
// time taken says nothing about which bytes matched, and a store file read
// by someone else gives away no token. Client certificates are callers too:
// a key named by a certificate's subject, whose certificate the TLS layer
// has already verified, so that a caller is always a name and a role.
#ifndef OMBIXD_KEYRING_H
#define OMBIXD_KEYRING_H

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "call_description.h"

namespace ombixd {

using Privilege = ombix::calls::Privilege;
using TokenDigest = std::array<unsigned char, 32>;  // SHA-256

TokenDigest digest_of(std::string_view token);

struct Key {
    std::string name;  // a token's name, or a certificate's subject
    Privilege privilege = Privilege::Reader;
    TokenDigest digest{};
    bool certificate = false;  // named by a certificate subject; no token
};

class Keyring {
public:
    // No key and no store: no authentication, and every caller may run
    // every call. A store, even one emptied, keeps authentication on.
    bool required() const { return required_ || !keys_.empty(); }
    void require() { required_ = true; }
    void add(Key key) { keys_.push_back(std::move(key)); }
    const std::vector<Key> &keys() const { return keys_; }
    // The key whose token `authorization` carries as "Bearer <token>"; null
    // when none does, and for a null header.
    const Key *match(const char *authorization) const;
    // The key named by a verified client certificate's subject; null when
    // the subject has no entry.
    const Key *match_subject(std::string_view subject) const;

private:
    std::vector<Key> keys_;
    bool required_ = false;
};

// The keyring in force. A reload replaces it whole while requests go on;
// each request is judged by the keyring in force when its head arrived.
class Keys {
public:
    Keys() : current_(std::make_shared<const Keyring>()) {}
    explicit Keys(Keyring ring) : current_(std::make_shared<const Keyring>(std::move(ring))) {}
    std::shared_ptr<const Keyring> current() const { return std::atomic_load(&current_); }
    void replace(Keyring ring) { std::atomic_store(&current_, std::make_shared<const Keyring>(std::move(ring))); }

private:
    std::shared_ptr<const Keyring> current_;
};

// A keyring of one admin token, as `--token-file` gives.
Keyring single_token(std::string_view name, std::string_view token);

}  // namespace ombixd

#endif
