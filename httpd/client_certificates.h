// Client certificates as callers: the server asks each TLS client for a
// certificate from the configured authority, and a request on a connection
// whose certificate verified carries that certificate's subject.
#ifndef OMBIXD_CLIENT_CERTIFICATES_H
#define OMBIXD_CLIENT_CERTIFICATES_H

#include <openssl/ssl.h>

#include <string>

namespace ombixd {

// Makes `context` ask clients for a certificate and verify the one given
// against the authorities in `ca_pem` (one or more PEM certificates); a
// client may also give none, and then needs a token. A certificate that
// does not verify (another authority, expired, not for clients) ends the
// handshake. False with a message in `error` when `ca_pem` holds no
// certificate.
bool ask_for_client_certificates(SSL_CTX *context, const std::string &ca_pem, std::string &error);

// The subject of the certificate `connection` verified, in RFC 2253 form
// with every byte outside printable ASCII escaped ("CN=alice,O=Board Lab");
// empty when the client gave none.
std::string verified_subject(SSL *connection);

// The subject of a PEM certificate in the same form; empty when `pem` holds
// none.
std::string subject_of_pem(const std::string &pem);

}  // namespace ombixd

#endif
