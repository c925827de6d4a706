#include "keyring.h"

#include <openssl/crypto.h>
#include <openssl/sha.h>

#include <cstring>

namespace ombixd {

TokenDigest digest_of(std::string_view token) {
    TokenDigest digest{};
    SHA256(reinterpret_cast<const unsigned char *>(token.data()), token.size(), digest.data());
    return digest;
}

const Key *Keyring::match(const char *authorization) const {
    constexpr std::string_view kScheme = "Bearer ";
    if (authorization == nullptr || std::strncmp(authorization, kScheme.data(), kScheme.size()) != 0) return nullptr;
    const TokenDigest given = digest_of(authorization + kScheme.size());
    // Every key is compared, whichever matches.
    const Key *found = nullptr;
    for (const Key &key : keys_) {
        const bool same = CRYPTO_memcmp(key.digest.data(), given.data(), given.size()) == 0;
        if (same && !key.certificate && found == nullptr) found = &key;
    }
    return found;
}

const Key *Keyring::match_subject(std::string_view subject) const {
    for (const Key &key : keys_)
        if (key.certificate && key.name == subject) return &key;
    return nullptr;
}

Keyring single_token(std::string_view name, std::string_view token) {
    Keyring ring;
    ring.add(Key{std::string(name), Privilege::Admin, digest_of(token)});
    return ring;
}

}  // namespace ombixd
