#include "net/tls_context.hpp"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/error.hpp"
#include "common/messages.hpp"

namespace zorvanil::net {

namespace ssl = boost::asio::ssl;

namespace {

// TLS 1.2 suites with forward secrecy and authenticated encryption only, and the TLS 1.3 ones
// (all of them are such); AES-128-GCM first in both, the cheapest per message of them.
constexpr const char* kTls12Ciphers =
    "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-RSA-AES128-GCM-SHA256:"
    "ECDHE-ECDSA-AES256-GCM-SHA384:ECDHE-RSA-AES256-GCM-SHA384:"
    "ECDHE-ECDSA-CHACHA20-POLY1305:ECDHE-RSA-CHACHA20-POLY1305";
constexpr const char* kTls13Ciphers =
    "TLS_AES_128_GCM_SHA256:TLS_AES_256_GCM_SHA384:TLS_CHACHA20_POLY1305_SHA256";

// The reason of OpenSSL's latest error; empties its error queue.
std::string openSslReason() {
    const unsigned long code = ERR_peek_last_error();
    const char* reason = code ? ERR_reason_error_string(code) : nullptr;
    ERR_clear_error();
    return reason ? reason : "unknown error";
}

// The bytes of a PEM file; fails with `message` naming the file and the system's reason.
std::string readPem(const std::string& file, const char* message) {
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec)) raise(message, {file, std::strerror(EISDIR)});
    std::ifstream in(file, std::ios::binary);
    if (!in) raise(message, {file, std::strerror(errno)});
    std::ostringstream text;
    text << in.rdbuf();
    if (text.str().empty()) raise(message, {file, "the file is empty"});
    return text.str();
}

// A key behind a pass phrase is not read: a server has nobody to ask, and OpenSSL would ask on
// the terminal.
int noPassPhrase(char*, int, int, void*) {
    return -1;
}

using Bio = std::unique_ptr<BIO, decltype(&BIO_free)>;
using PrivateKey = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;

void useCertificate(ssl::context& context, const TlsFiles& files) {
    const std::string pem = readPem(files.certificateFile, msg::kCannotReadCertificate);
    ERR_clear_error();
    boost::system::error_code ec;
    context.use_certificate_chain(boost::asio::buffer(pem), ec);
    if (ec) raise(msg::kCannotReadCertificate, {files.certificateFile, openSslReason()});
}

void useKey(ssl::context& context, const TlsFiles& files) {
    const std::string pem = readPem(files.keyFile, msg::kCannotReadKey);
    ERR_clear_error();
    Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())), &BIO_free);
    PrivateKey key(
        bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, noPassPhrase, nullptr) : nullptr,
        &EVP_PKEY_free);
    if (!key) raise(msg::kCannotReadKey, {files.keyFile, openSslReason()});
    SSL_CTX* native = context.native_handle();
    if (X509_check_private_key(SSL_CTX_get0_certificate(native), key.get()) != 1) {
        ERR_clear_error();
        raise(msg::kKeyDoesNotMatch, {files.keyFile, files.certificateFile});
    }
    if (SSL_CTX_use_PrivateKey(native, key.get()) != 1)
        raise(msg::kCannotReadKey, {files.keyFile, openSslReason()});
}

}  // namespace

std::shared_ptr<ssl::context> makeServerTlsContext(const TlsFiles& files) {
    auto context = std::make_shared<ssl::context>(ssl::context::tls_server);
    SSL_CTX* native = context->native_handle();
    ERR_clear_error();
    if (SSL_CTX_set_min_proto_version(native, TLS1_2_VERSION) != 1 ||
        SSL_CTX_set_cipher_list(native, kTls12Ciphers) != 1 ||
        SSL_CTX_set_ciphersuites(native, kTls13Ciphers) != 1)
        raise(msg::kTlsSettingsRefused, {openSslReason()});
    // No compression (CRIME), no renegotiation (a client could make the server work for nothing),
    // and the server's order of ciphers.
    SSL_CTX_set_options(
        native, SSL_OP_NO_COMPRESSION | SSL_OP_NO_RENEGOTIATION | SSL_OP_CIPHER_SERVER_PREFERENCE);
    useCertificate(*context, files);
    useKey(*context, files);
    return context;
}

}  // namespace zorvanil::net
