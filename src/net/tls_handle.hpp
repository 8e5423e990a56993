#pragma once

// A connection's TLS session on its way from the network threads, where its handshake ran, to the
// connection's own thread. Internal to net/.

struct ssl_st;

namespace zorvanil::net {

// Owns one reference to an OpenSSL session. Taken from the stream that ran the handshake, on that
// stream's thread, the session is cut loose from the stream's buffers, so that the stream may be
// destroyed there while a new stream on another thread takes the session over.
class TlsHandle {
  public:
    TlsHandle() = default;
    // Takes a reference to the session of a stream that is done with it.
    static TlsHandle takeFrom(ssl_st* session);
    TlsHandle(TlsHandle&& other) noexcept : session_(other.session_) { other.session_ = nullptr; }
    TlsHandle& operator=(TlsHandle&& other) noexcept;
    TlsHandle(const TlsHandle&) = delete;
    TlsHandle& operator=(const TlsHandle&) = delete;
    ~TlsHandle();

    explicit operator bool() const { return session_ != nullptr; }
    // Gives the reference up, to the stream that now owns the session.
    ssl_st* release();

  private:
    ssl_st* session_ = nullptr;
};

}  // namespace zorvanil::net
