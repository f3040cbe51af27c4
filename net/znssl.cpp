// TLS sessions: handshake with verification and SNI, reads and writes with their retries.
#include "net/znssl.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>

#include <chrono>
#include <csignal>

namespace net {
namespace {

using clock_type = std::chrono::steady_clock;

ssl_ctx_st* make_context(bool verify) {
  // OpenSSL writes to the socket with write(): a peer gone must fail the write, not end
  // the program.
  std::signal(SIGPIPE, SIG_IGN);
  SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
  if (!ctx) return nullptr;
  SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
  if (verify) {
    // The system's trust store (SSL_CERT_FILE / SSL_CERT_DIR when set).
    if (SSL_CTX_set_default_verify_paths(ctx) != 1) {
      SSL_CTX_free(ctx);
      return nullptr;
    }
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
  } else {
    SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);
  }
  return ctx;
}

bool is_ip_literal(const std::string& host) {
  in_addr a4{};
  in6_addr a6{};
  return inet_pton(AF_INET, host.c_str(), &a4) == 1 || inet_pton(AF_INET6, host.c_str(), &a6) == 1;
}

int ms_left(clock_type::time_point end) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - clock_type::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

TlsContexts::~TlsContexts() {
  SSL_CTX_free(verifying);
  SSL_CTX_free(trusting);
}

TlsSession::~TlsSession() {
  if (ssl) {
    // One close notify; the peer's answer is not waited for.
    if (!broken && SSL_is_init_finished(ssl)) SSL_shutdown(ssl);
    SSL_free(ssl);
  }
}

std::unique_ptr<TlsSession> start_tls(TlsContexts& ctx, int fd, const std::string& host, bool verify,
                                      const Hooks& hooks, int limit_ms) {
  ssl_ctx_st*& c = verify ? ctx.verifying : ctx.trusting;
  if (!c) c = make_context(verify);
  if (!c) return nullptr;
  auto s = std::make_unique<TlsSession>();
  s->ssl = SSL_new(c);
  if (!s->ssl || SSL_set_fd(s->ssl, fd) != 1) return nullptr;
  s->fd = fd;
  const bool ip = is_ip_literal(host);
  if (!ip && SSL_set_tlsext_host_name(s->ssl, host.c_str()) != 1) return nullptr;
  if (verify) {
    X509_VERIFY_PARAM* param = SSL_get0_param(s->ssl);
    const int ok = ip ? X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str()) : SSL_set1_host(s->ssl, host.c_str());
    if (ok != 1) return nullptr;
  }
  const auto end = clock_type::now() + std::chrono::milliseconds(limit_ms);
  for (;;) {
    ERR_clear_error();
    const int r = SSL_connect(s->ssl);
    if (r > 0) return s;
    const int e = SSL_get_error(s->ssl, r);
    short events = 0;
    if (e == SSL_ERROR_WANT_READ) events = POLLIN;
    else if (e == SSL_ERROR_WANT_WRITE) events = POLLOUT;
    else return nullptr;
    const int left = ms_left(end);
    if (left <= 0 || !wait_fd(hooks, fd, events, left)) return nullptr;
  }
}

int tls_read(TlsSession& s, char* buffer, int size, const Hooks& hooks, int limit_ms) {
  const auto end = clock_type::now() + std::chrono::milliseconds(limit_ms);
  for (;;) {
    ERR_clear_error();
    const int n = SSL_read(s.ssl, buffer, size);
    const int e = SSL_get_error(s.ssl, n);
    switch (e) {
      case SSL_ERROR_NONE: return n;
      case SSL_ERROR_WANT_READ: {
        // A pause of up to 100 ms before trying again; data arriving sooner ends it.
        const int left = ms_left(end);
        if (left <= 0 || closed(hooks)) return -2;
        wait_fd(hooks, s.fd, POLLIN, std::min(left, 100));
        break;
      }
      case SSL_ERROR_WANT_WRITE:
        pause(hooks, 100);
        return n > 0 ? n : -1;
      case SSL_ERROR_ZERO_RETURN: return -1;
      case SSL_ERROR_SYSCALL: s.broken = true; return -1;
      case SSL_ERROR_SSL:
        s.broken = true;
        // A peer that just closes the socket is reported this way since OpenSSL 3; it is
        // a close like any other, not a failure to tell the user about.
        if (ERR_GET_REASON(ERR_peek_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING) return -1;
        console_line(hooks, "Erro SSL: " + std::to_string(e));
        return -1;
      default:
        s.broken = true;
        console_line(hooks, "Erro SSL: " + std::to_string(e));
        return -1;
    }
  }
}

int tls_write(TlsSession& s, const char* data, int length, const Hooks& hooks, int limit_ms) {
  const auto end = clock_type::now() + std::chrono::milliseconds(limit_ms);
  for (;;) {
    ERR_clear_error();
    const int n = SSL_write(s.ssl, data, length);
    const int e = SSL_get_error(s.ssl, n);
    switch (e) {
      case SSL_ERROR_NONE: return n;
      case SSL_ERROR_WANT_WRITE: {
        const int left = ms_left(end);
        if (left <= 0 || closed(hooks)) return -1;
        wait_fd(hooks, s.fd, POLLOUT, std::min(left, 100));
        break;
      }
      case SSL_ERROR_WANT_READ: pause(hooks, 100); return n;
      default: s.broken = true; return -1;
    }
  }
}

bool tls_pending(const TlsSession& s) { return s.ssl && SSL_pending(s.ssl) > 0; }

}  // namespace net
