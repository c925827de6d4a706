// Certificates made at run time for the mutual TLS tests (certtool, ECDSA
// keys): an authority, a server certificate for 127.0.0.1 signed by it, and
// client certificates signed by it, by another authority, or expired.
#ifndef OMBIX_TEST_HTTP_TEST_CERTIFICATES_H
#define OMBIX_TEST_HTTP_TEST_CERTIFICATES_H

#include <string>

namespace ombix::test {

struct CertificateFiles {
    std::string cert;  // PEM certificate
    std::string key;   // PEM private key
};

enum class ClientSigner { Authority, OtherAuthority, AuthorityButExpired };

class TestCertificates {
public:
    // Makes the authority and the server certificate in `directory`.
    explicit TestCertificates(const std::string &directory);
    // False when certtool is missing or failed.
    bool made() const { return made_; }

    std::string authority() const { return directory_ + "/ca.pem"; }
    const CertificateFiles &server() const { return server_; }
    // A client certificate with the subject CN=<name>,O=Board Lab; empty
    // paths when it could not be made.
    CertificateFiles client(const std::string &name, ClientSigner signer = ClientSigner::Authority);
    // The subject of a certificate file as `openssl x509 -nameopt RFC2253`
    // prints it, the form the token store takes.
    static std::string subject_of(const std::string &cert_file);

private:
    bool make_authority(const std::string &name);
    CertificateFiles sign(const std::string &name, const std::string &authority, const std::string &template_text);

    std::string directory_;
    bool made_ = false;
    CertificateFiles server_;
};

}  // namespace ombix::test

#endif
