// http: URLs, status and header lines, request lines and progress texts of the download.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace net {

inline constexpr int kMaxRedirects = 20;
// Longer status or header lines refuse the reply.
inline constexpr size_t kMaxHeaderLine = 65536;
inline constexpr int kMaxHeaderLines = 1000;

struct Url {
  bool tls = false;
  std::string host;       // without the port
  std::string authority;  // host[:port] as written, for the Host line
  int port = 80;
  std::string path = "/";
};

// scheme://host[:port][/path]; https (any case) is TLS on 443 by default, anything else
// plain on 80. Nullopt for a missing "://", an empty host, a bad port, or bytes that
// would break the request line (controls); blanks in the path are sent as %20.
std::optional<Url> parse_url(std::string_view text);
// A Location value against the URL that gave it: absolute, scheme-relative, rooted or
// relative to the current path's folder.
std::optional<Url> resolve_location(const Url& base, std::string_view location);

// "HTTP/x.y NNN ...": the three digits after the first blank; nullopt otherwise.
std::optional<int> parse_status_line(std::string_view line);

struct Headers {
  std::optional<std::string> location;
  bool has_length = false;
  int64_t content_length = 0;  // 0 when absent
  bool bad_length = false;     // present but not a non-negative number
  std::optional<int64_t> range_start;  // Content-Range: bytes N-...; -1 when N is not a number
  bool chunked = false;                // Transfer-Encoding: chunked
};

// The size line of a chunk ("1a2b;ext"): its size, nullopt when it is not one.
std::optional<int64_t> parse_chunk_size(std::string_view line);
// Takes one header line (not the empty one) into h.
void parse_header_line(std::string_view line, Headers& h);

std::string download_request(const Url& url, std::optional<int64_t> range_from, std::string_view cookie);
std::string fallback_request(const Url& url, std::string_view cookie);

// The spoken progress report for received bytes of content_length + offset.
std::string progress_text(int64_t received, int64_t content_length, int64_t offset);

}  // namespace net
