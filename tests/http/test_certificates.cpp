#include "test_certificates.h"

#include "server_process.h"

namespace ombix::test {
namespace {

bool succeeded(const std::string &command) {
    return run_command("(" + command + ") >/dev/null 2>&1").status == 0;
}

}  // namespace

TestCertificates::TestCertificates(const std::string &directory) : directory_(directory) {
    if (!make_authority("ca") || !make_authority("other-ca")) return;
    server_ = sign("server", "ca",
                   "cn = 127.0.0.1\nip_address = 127.0.0.1\nexpiration_days = 2\ntls_www_server\n"
                   "signing_key\nencryption_key\n");
    made_ = !server_.cert.empty();
}

bool TestCertificates::make_authority(const std::string &name) {
    write_file(directory_ + "/" + name + ".cfg",
               "cn = \"Test authority " + name + "\"\nca\ncert_signing_key\nexpiration_days = 2\n");
    return succeeded("cd " + directory_ + " && certtool --generate-privkey --key-type=ecdsa --outfile " + name +
                     "-key.pem && certtool --generate-self-signed --load-privkey " + name + "-key.pem --template " +
                     name + ".cfg --outfile " + name + ".pem");
}

CertificateFiles TestCertificates::sign(const std::string &name, const std::string &authority,
                                        const std::string &template_text) {
    write_file(directory_ + "/" + name + ".cfg", template_text);
    CertificateFiles files{directory_ + "/" + name + ".pem", directory_ + "/" + name + "-key.pem"};
    const bool signed_ok =
        succeeded("cd " + directory_ + " && certtool --generate-privkey --key-type=ecdsa --outfile " + name +
                  "-key.pem && certtool --generate-certificate --load-privkey " + name +
                  "-key.pem --load-ca-certificate " + authority + ".pem --load-ca-privkey " + authority +
                  "-key.pem --template " + name + ".cfg --outfile " + name + ".pem");
    return signed_ok ? files : CertificateFiles{};
}

CertificateFiles TestCertificates::client(const std::string &name, ClientSigner signer) {
    std::string text = "cn = \"" + name + "\"\norganization = \"Board Lab\"\ntls_www_client\nsigning_key\n";
    text += signer == ClientSigner::AuthorityButExpired
                ? "activation_date = \"2020-01-01 00:00:00\"\nexpiration_date = \"2020-02-01 00:00:00\"\n"
                : "expiration_days = 2\n";
    const bool other = signer == ClientSigner::OtherAuthority;
    const char *suffix = other ? "-other" : signer == ClientSigner::AuthorityButExpired ? "-expired" : "";
    return sign("client-" + name + suffix, other ? "other-ca" : "ca", text);
}

std::string TestCertificates::subject_of(const std::string &cert_file) {
    std::string text = run_command("openssl x509 -in " + cert_file + " -noout -subject -nameopt RFC2253").output;
    const std::string prefix = "subject=";
    if (text.rfind(prefix, 0) == 0) text.erase(0, prefix.size());
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

}  // namespace ombix::test
