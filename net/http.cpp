// URL, status line and header parsing, the request lines and the progress report.
#include "net/http.h"

#include <charconv>

namespace net {
namespace {

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool starts_with_ci(std::string_view t, std::string_view upper_word) {
  if (t.size() < upper_word.size()) return false;
  for (size_t i = 0; i < upper_word.size(); ++i) {
    if (upper(t[i]) != upper_word[i]) return false;
  }
  return true;
}

std::string_view trim(std::string_view t) {
  while (!t.empty() && static_cast<unsigned char>(t.front()) <= 32) t.remove_prefix(1);
  while (!t.empty() && static_cast<unsigned char>(t.back()) <= 32) t.remove_suffix(1);
  return t;
}

bool all_digits(std::string_view t) {
  if (t.empty()) return false;
  for (char c : t) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

std::optional<int64_t> parse_count(std::string_view t) {
  if (!all_digits(t) || t.size() > 18) return std::nullopt;
  int64_t v = 0;
  std::from_chars(t.data(), t.data() + t.size(), v);
  return v;
}

// The path as it goes on the request line: blanks become %20, a fragment is dropped;
// other controls refuse the URL (they would end the line early).
std::optional<std::string> clean_path(std::string_view p) {
  std::string out;
  for (char c : p) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '#') break;
    if (c == ' ') out += "%20";
    else if (u < 32 || u == 127) return std::nullopt;
    else out += c;
  }
  if (out.empty() || out[0] != '/') out.insert(out.begin(), '/');
  return out;
}

// "." and ".." segments of a path (its query kept apart).
std::string remove_dot_segments(std::string_view path) {
  std::string_view query;
  if (size_t q = path.find('?'); q != std::string_view::npos) {
    query = path.substr(q);
    path = path.substr(0, q);
  }
  std::vector<std::string_view> parts;
  size_t i = 1;
  bool trailing = false;
  while (i <= path.size()) {
    size_t slash = path.find('/', i);
    std::string_view seg = path.substr(i, slash == std::string_view::npos ? std::string_view::npos : slash - i);
    trailing = false;
    if (seg == "..") {
      if (!parts.empty()) parts.pop_back();
      trailing = true;
    } else if (seg == ".") {
      trailing = true;
    } else {
      parts.push_back(seg);
    }
    if (slash == std::string_view::npos) break;
    i = slash + 1;
  }
  std::string out;
  for (auto s : parts) {
    out += '/';
    out += s;
  }
  if (trailing || out.empty()) out += '/';
  out += query;
  return out;
}

}  // namespace

std::optional<Url> parse_url(std::string_view text) {
  text = trim(text);
  const size_t sep = text.find("://");
  if (sep == std::string_view::npos) return std::nullopt;
  Url u;
  u.tls = starts_with_ci(text, "HTTPS");
  u.port = u.tls ? 443 : 80;
  std::string_view rest = text.substr(sep + 3);
  const size_t end = rest.find_first_of("/?#");
  std::string_view authority = rest.substr(0, end);
  std::string_view path = end == std::string_view::npos ? std::string_view() : rest.substr(end);
  if (size_t at = authority.rfind('@'); at != std::string_view::npos) authority = authority.substr(at + 1);
  std::string_view host = authority;
  if (size_t colon = authority.rfind(':'); colon != std::string_view::npos) {
    host = authority.substr(0, colon);
    std::string_view port = authority.substr(colon + 1);
    if (!port.empty()) {
      auto p = parse_count(port);
      if (!p || *p < 1 || *p > 65535) return std::nullopt;
      u.port = static_cast<int>(*p);
    }
  }
  if (host.empty()) return std::nullopt;
  for (char c : authority) {
    const auto b = static_cast<unsigned char>(c);
    if (b <= 32 || b == 127) return std::nullopt;
  }
  u.host = std::string(host);
  u.authority = std::string(authority);
  auto p = clean_path(path);
  if (!p) return std::nullopt;
  u.path = std::move(*p);
  return u;
}

std::optional<Url> resolve_location(const Url& base, std::string_view location) {
  location = trim(location);
  if (location.empty()) return std::nullopt;
  if (location.find("://") != std::string_view::npos && location.find("://") < location.find_first_of("/?#"))
    return parse_url(location);
  if (location.substr(0, 2) == "//") return parse_url(std::string(base.tls ? "https:" : "http:") + std::string(location));
  Url u = base;
  std::string path;
  if (location[0] == '/') {
    path = std::string(location);
  } else if (location[0] == '?') {
    path = base.path.substr(0, base.path.find('?')) + std::string(location);
  } else {
    std::string dir = base.path.substr(0, base.path.find('?'));
    dir = dir.substr(0, dir.rfind('/') + 1);
    path = dir + std::string(location);
  }
  auto clean = clean_path(path);
  if (!clean) return std::nullopt;
  u.path = remove_dot_segments(*clean);
  return u;
}

std::optional<int> parse_status_line(std::string_view line) {
  if (!starts_with_ci(line, "HTTP/")) return std::nullopt;
  const size_t blank = line.find(' ');
  if (blank == std::string_view::npos || line.size() < blank + 4) return std::nullopt;
  std::string_view code = line.substr(blank + 1, 3);
  if (!all_digits(code)) return std::nullopt;
  if (line.size() > blank + 4 && line[blank + 4] != ' ') return std::nullopt;
  return (code[0] - '0') * 100 + (code[1] - '0') * 10 + (code[2] - '0');
}

void parse_header_line(std::string_view line, Headers& h) {
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) return;
  std::string_view name = trim(line.substr(0, colon));
  std::string_view value = trim(line.substr(colon + 1));
  auto is = [&](std::string_view upper_name) {
    return name.size() == upper_name.size() && starts_with_ci(name, upper_name);
  };
  if (is("LOCATION")) {
    h.location = std::string(value);
  } else if (is("CONTENT-LENGTH")) {
    auto n = parse_count(value);
    // Two different lengths are as bad as a malformed one.
    if (!n || (h.has_length && *n != h.content_length)) {
      h.bad_length = true;
    } else {
      h.has_length = true;
      h.content_length = *n;
    }
  } else if (is("TRANSFER-ENCODING")) {
    std::string v;
    for (char c : value) v += upper(c);
    if (v.find("CHUNKED") != std::string::npos) h.chunked = true;
  } else if (is("CONTENT-RANGE")) {
    if (!starts_with_ci(value, "BYTES ")) return;
    std::string_view r = trim(value.substr(6));
    h.range_start = parse_count(r.substr(0, r.find('-')));
    if (!h.range_start) h.range_start = -1;
  }
}

std::optional<int64_t> parse_chunk_size(std::string_view line) {
  line = trim(line.substr(0, line.find(';')));
  if (line.empty() || line.size() > 15) return std::nullopt;
  int64_t v = 0;
  auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), v, 16);
  if (ec != std::errc() || end != line.data() + line.size() || v < 0) return std::nullopt;
  return v;
}

std::string download_request(const Url& url, std::optional<int64_t> range_from, std::string_view cookie) {
  std::string r = "GET " + url.path + " HTTP/1.1\r\n";
  r += "User-Agent: roteiral+ V5.x\r\n";
  r += "Accept: */*\r\n";
  r += "Host: " + url.authority + "\r\n";
  r += "Connection: close\r\n";
  if (range_from) r += "Range: bytes=" + std::to_string(*range_from) + "-\r\n";
  if (!cookie.empty()) r += "Cookie: " + std::string(cookie) + "\r\n";
  r += "\r\n";
  return r;
}

std::string fallback_request(const Url& url, std::string_view cookie) {
  std::string r = "GET " + url.path + " HTTP/1.1\r\n";
  r += "Host: " + url.authority + "\r\n";
  r += "User-Agent: zunape\r\n";
  r += "Connection: close\r\n";
  r += "Accept-Language: pt-br\r\n";
  r += "UA-CPU: x86\r\n";
  if (!cookie.empty()) r += "Cookie: " + std::string(cookie) + "\r\n";
  r += "\r\n";
  return r;
}

std::string progress_text(int64_t received, int64_t content_length, int64_t offset) {
  const int64_t total = content_length + offset;
  const int64_t percent = total > 0 ? received * 100 / total : 0;
  std::string t = std::to_string(percent) + "% de ";
  if (total < 1048576) {
    const int64_t kb = total / 1024;
    t += std::to_string(kb) + "KB; " + std::to_string(percent * kb / 100);
  } else {
    const int64_t mb = total / 1048576;
    t += std::to_string(mb) + "MB;" + std::to_string(percent * mb * 1000 / 100);
  }
  return t + " KB recebidos aproximadamente";
}

}  // namespace net
