// The download's URL, redirect, status, header and chunk-size parsers on hostile lines.
// Input: the URL, a LF, the Location, a LF, the status line, then header lines up to the
// first empty one, then chunk-size lines.
#include <algorithm>

#include "fuzz/common.h"
#include "net/http.h"

namespace {

void check(const net::Url& u) {
  if (u.host.empty() || u.port < 1 || u.port > 65535) __builtin_trap();
  for (const std::string* s : {&u.host, &u.authority, &u.path})
    for (unsigned char c : *s)
      if (c < 0x20 || c == 0x7F) __builtin_trap();
  if (u.path.empty() || u.path.find(' ') != std::string::npos) __builtin_trap();
  // The request line stays one line of three words, whatever the URL held.
  const std::string request = net::download_request(u, 7, "k=v");
  const std::string_view first = std::string_view(request).substr(0, request.find("\r\n"));
  if (std::count(first.begin(), first.end(), ' ') != 2) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = fuzz::split(fuzz::as_text(data, size), '\n', 4);
  if (const auto base = net::parse_url(parts[0])) {
    check(*base);
    if (const auto next = net::resolve_location(*base, parts[1])) check(*next);
  }
  if (const auto status = net::parse_status_line(parts[2]))
    if (*status < 0 || *status > 999) __builtin_trap();
  std::string_view rest = parts[3];
  net::Headers h;
  bool in_headers = true;
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (in_headers && line.empty()) {
      in_headers = false;
    } else if (in_headers) {
      net::parse_header_line(line, h);
      // A range whose start is not a number is kept as -1, which matches no offset.
      if (h.content_length < 0 || (h.range_start && *h.range_start < -1)) __builtin_trap();
    } else if (const auto chunk = net::parse_chunk_size(line)) {
      if (*chunk < 0) __builtin_trap();
    }
  }
  return 0;
}
