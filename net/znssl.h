// znssl: TLS client sessions with OpenSSL, one per connection.
#pragma once
#include <memory>
#include <string>

#include "net/waits.h"

struct ssl_st;
struct ssl_ctx_st;

namespace net {

// The client contexts, made on first use: one that verifies the server against the
// system's trust store and one that does not (VERIFICASSL=N).
struct TlsContexts {
  ssl_ctx_st* verifying = nullptr;
  ssl_ctx_st* trusting = nullptr;
  TlsContexts() = default;
  TlsContexts(const TlsContexts&) = delete;
  TlsContexts& operator=(const TlsContexts&) = delete;
  ~TlsContexts();
};

// One TLS session bound to one socket; the socket itself belongs to the caller.
struct TlsSession {
  ssl_st* ssl = nullptr;
  int fd = -1;
  bool broken = false;  // after a fatal error no close notify may be sent
  TlsSession() = default;
  TlsSession(const TlsSession&) = delete;
  TlsSession& operator=(const TlsSession&) = delete;
  ~TlsSession();  // shuts the session down without waiting for the peer
};

// Handshake on a connected non-blocking socket, sending the host name (SNI) and, when
// verify is set, checking the chain and the name. Null on failure or after limit_ms.
std::unique_ptr<TlsSession> start_tls(TlsContexts& ctx, int fd, const std::string& host, bool verify,
                                      const Hooks& hooks, int limit_ms);

// Reads up to size bytes: the count, or -1 when the peer closed or the session failed
// ("Erro SSL: " and the code go to the console for errors other than a close); -2 when
// no data came within limit_ms.
int tls_read(TlsSession& s, char* buffer, int size, const Hooks& hooks, int limit_ms);
// Writes the bytes: the count written, or a value below 1 on failure.
int tls_write(TlsSession& s, const char* data, int length, const Hooks& hooks, int limit_ms);
// Decrypted bytes are waiting in the session.
bool tls_pending(const TlsSession& s);

}  // namespace net
