// The callers' tokens and their roles. Only a digest of each token is kept:
// a token presented is hashed and compared with every digest, so that the
// time taken says nothing about which bytes matched, and a store file read
// by someone else gives away no token.
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
    std::string name;
    Privilege privilege = Privilege::Reader;
    TokenDigest digest{};
};

class Keyring {
public:
    // No key: no authentication, and every caller may run every call.
    bool required() const { return !keys_.empty(); }
    void add(Key key) { keys_.push_back(std::move(key)); }
    const std::vector<Key> &keys() const { return keys_; }
    // The key whose token `authorization` carries as "Bearer <token>"; null
    // when none does, and for a null header.
    const Key *match(const char *authorization) const;

private:
    std::vector<Key> keys_;
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
