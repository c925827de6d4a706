#include "client_certificates.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <memory>

namespace ombixd {
namespace {

struct BioFree {
    void operator()(BIO *bio) const { BIO_free(bio); }
};
struct X509Free {
    void operator()(X509 *certificate) const { X509_free(certificate); }
};
using BioPtr = std::unique_ptr<BIO, BioFree>;
using X509Ptr = std::unique_ptr<X509, X509Free>;

BioPtr memory_of(const std::string &text) {
    return BioPtr(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
}

// RFC 2253 order and escapes, and every byte past ASCII as \XX: the text is
// one line of printable ASCII whatever the certificate holds, fit for the
// store's lines, JSON errors and logs.
std::string subject_text(X509 *certificate) {
    BioPtr out(BIO_new(BIO_s_mem()));
    if (!out) return {};
    if (X509_NAME_print_ex(out.get(), X509_get_subject_name(certificate), 0, XN_FLAG_RFC2253) < 0) return {};
    char *data = nullptr;
    const long size = BIO_get_mem_data(out.get(), &data);
    return size > 0 ? std::string(data, static_cast<std::size_t>(size)) : std::string();
}

}  // namespace

bool ask_for_client_certificates(SSL_CTX *context, const std::string &ca_pem, std::string &error) {
    BioPtr in = memory_of(ca_pem);
    X509_STORE *store = SSL_CTX_get_cert_store(context);
    STACK_OF(X509_NAME) *names = sk_X509_NAME_new_null();
    int count = 0;
    while (in && names != nullptr) {
        X509Ptr certificate(PEM_read_bio_X509(in.get(), nullptr, nullptr, nullptr));
        if (!certificate) break;
        X509_NAME *name = X509_NAME_dup(X509_get_subject_name(certificate.get()));
        if (X509_STORE_add_cert(store, certificate.get()) != 1 || name == nullptr ||
            sk_X509_NAME_push(names, name) == 0) {
            X509_NAME_free(name);
            break;
        }
        ++count;
    }
    // Reading stops at the end of the text with an error left queued on this
    // thread, where a later TLS call would find it.
    ERR_clear_error();
    if (count == 0) {
        sk_X509_NAME_pop_free(names, X509_NAME_free);
        error = "no usable certificate in the client authority file";
        return false;
    }
    // The authorities' names go to the client, which picks its certificate by them.
    SSL_CTX_set_client_CA_list(context, names);
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    // A resumed session keeps its verified certificate; OpenSSL resumes
    // sessions of a verifying server only within a named context.
    static const unsigned char kContext[] = "ombixd";
    SSL_CTX_set_session_id_context(context, kContext, sizeof kContext - 1);
    return true;
}

std::string verified_subject(SSL *connection) {
    X509Ptr certificate(SSL_get1_peer_certificate(connection));
    if (!certificate || SSL_get_verify_result(connection) != X509_V_OK) return {};
    return subject_text(certificate.get());
}

std::string subject_of_pem(const std::string &pem) {
    BioPtr in = memory_of(pem);
    X509Ptr certificate(in ? PEM_read_bio_X509(in.get(), nullptr, nullptr, nullptr) : nullptr);
    return certificate ? subject_text(certificate.get()) : std::string();
}

}  // namespace ombixd
