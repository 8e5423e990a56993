#include "net/tls_handle.hpp"

#include <openssl/ssl.h>

#include <utility>

namespace zorvanil::net {

TlsHandle TlsHandle::takeFrom(SSL* session) {
    TlsHandle handle;
    if (!session || SSL_up_ref(session) != 1) return handle;
    // The stream's buffer pair goes with the stream; the stream that takes the session over
    // gives it a pair of its own.
    SSL_set_bio(session, nullptr, nullptr);
    handle.session_ = session;
    return handle;
}

TlsHandle& TlsHandle::operator=(TlsHandle&& other) noexcept {
    if (this != &other) {
        if (session_) SSL_free(session_);
        session_ = std::exchange(other.session_, nullptr);
    }
    return *this;
}

TlsHandle::~TlsHandle() {
    if (session_) SSL_free(session_);
}

SSL* TlsHandle::release() {
    return std::exchange(session_, nullptr);
}

}  // namespace zorvanil::net
