// TRAZDAREDE's transfer: the request, redirects, resume, the block loop and its keys.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "net/http.h"
#include "net/zninet.h"

namespace net {
namespace {

constexpr size_t kBlock = 1024;

void call(const std::function<void()>& f) {
  if (f) f();
}
void call(const std::function<void(std::string_view)>& f, std::string_view t) {
  if (f) f(t);
}

bool safe_cookie(std::string_view c) {
  for (char ch : c) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 32 || b == 127) return false;
  }
  return true;
}

// A new file beside the target, renamed over it only once it is complete, so a cut
// transfer never leaves the target looking whole.
struct TempFile {
  std::string path;
  std::FILE* file = nullptr;
  bool open_beside(const std::string& target) {
    path = target + ".XXXXXX";
    const int fd = ::mkstemp(path.data());
    if (fd < 0) return false;
    struct stat st {};
    const mode_t mode = ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : default_mode();
    ::fchmod(fd, mode);
    file = ::fdopen(fd, "wb");
    if (file) return true;
    ::close(fd);
    std::remove(path.c_str());
    return false;
  }
  // Closes the file and puts it in the target's place when keep is set; else removes it.
  bool finish(const std::string& target, bool keep) {
    bool ok = file && std::fflush(file) == 0;
    // On disk before it replaces the old file: a crash then leaves one or the other whole.
    if (keep && ok) ok = ::fsync(::fileno(file)) == 0;
    if (file) ok = (std::fclose(file) == 0) && ok;
    file = nullptr;
    if (keep && ok && std::rename(path.c_str(), target.c_str()) == 0) return true;
    std::remove(path.c_str());
    return false;
  }
  ~TempFile() {
    if (file) finish({}, false);
  }
  static mode_t default_mode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
  }
};

std::unique_ptr<Link> open_link(Net& net, const Url& url) {
  return url.tls ? connect_tls(net, url.host, url.port) : connect(net, url.host, url.port);
}

// How long a reply may stay silent, in the line reader's seconds.
int silence_seconds(const Link& link) { return std::max(1, link.wait_limit() / 1000); }

// The status line, bounded in length and in silence; false when the reply is not one.
bool read_status(Link& link, int& status) {
  std::string line;
  if (read_line(link, line, silence_seconds(link), kMaxHeaderLine) != LineResult::line) return false;
  auto s = parse_status_line(line);
  if (!s) return false;
  status = *s;
  return true;
}

bool read_headers(Link& link, Headers& h) {
  std::string line;
  for (int i = 0; i < kMaxHeaderLines; ++i) {
    if (read_line(link, line, silence_seconds(link), kMaxHeaderLine) != LineResult::line) return false;
    if (line.empty()) return true;
    parse_header_line(line, h);
  }
  return false;
}

// The body of a reply without Content-Length, byte by byte: up to the peer's close, or
// decoded from its chunks up to the last one.
class PlainBody {
 public:
  enum class Byte { ok, end, failed };
  PlainBody(Link& link, bool chunked) : link_(link), chunked_(chunked) {}

  Byte next(char& c) {
    if (!chunked_) return raw(c);
    if (done_) return Byte::end;
    if (left_ == 0 && !next_chunk()) return done_ ? Byte::end : Byte::failed;
    // A connection that ends inside the chunks is a cut reply.
    if (raw(c) != Byte::ok) return Byte::failed;
    --left_;
    return Byte::ok;
  }

 private:
  Byte raw(char& c) {
    if (link_.read_byte(c, link_.wait_limit())) return Byte::ok;
    return link_.timed_out() ? Byte::failed : Byte::end;
  }
  bool line(std::string& out) {
    return read_line(link_, out, silence_seconds(link_), kMaxHeaderLine) == LineResult::line;
  }
  // Past the line end of the chunk before, the next size line; the last chunk's trailer.
  bool next_chunk() {
    std::string l;
    if (started_ && (!line(l) || !l.empty())) return false;
    started_ = true;
    if (!line(l)) return false;
    const auto size = parse_chunk_size(l);
    if (!size) return false;
    if (*size > 0) {
      left_ = *size;
      return true;
    }
    for (int i = 0; i < kMaxHeaderLines; ++i) {
      if (!line(l)) return false;
      if (l.empty()) {
        done_ = true;
        return false;
      }
    }
    return false;
  }

  Link& link_;
  bool chunked_;
  bool started_ = false;
  bool done_ = false;
  int64_t left_ = 0;
};

// The download without Content-Length: a simpler request, the body stored as CR LF lines.
bool fallback_download(Net& net, const Url& url, const DownloadRequest& req) {
  auto link = open_link(net, url);
  if (!link || !send_raw(*link, fallback_request(url, req.cookie))) return false;
  int status = 0;
  Headers h;
  // Only a whole reply may take the target's place.
  if (!read_status(*link, status) || status != 200 || !read_headers(*link, h)) return false;
  TempFile out;
  if (!out.open_beside(req.target)) return false;
  PlainBody body(*link, h.chunked);
  std::string line;
  auto flush = [&](bool line_end) {
    if (line_end) line += "\r\n";
    const bool ok = std::fwrite(line.data(), 1, line.size(), out.file) == line.size();
    line.clear();
    return ok;
  };
  bool ok = true;
  for (;;) {
    char c;
    const PlainBody::Byte b = body.next(c);
    if (b == PlainBody::Byte::failed) {
      ok = false;
      break;
    }
    if (b == PlainBody::Byte::end) {
      ok = flush(true);  // the last, incomplete line (possibly empty)
      break;
    }
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!(ok = flush(true))) break;
    } else {
      line += c;
      // A long line goes out in pieces; a CR at a piece's end stays for the line end.
      if (line.size() >= kMaxLineLength && line.back() != '\r' && !(ok = flush(false))) break;
    }
  }
  return out.finish(req.target, ok);
}

enum class KeyOutcome { go_on, stop };

KeyOutcome handle_key(const DownloadUi& ui, bool& feedback, const std::string& progress, const std::string& name) {
  if (!ui.key_waiting || !ui.key_waiting() || !ui.read_key) return KeyOutcome::go_on;
  const uint8_t k = ui.read_key();
  if (k == 13) {
    call(ui.speak, progress);
    call(ui.speak, name);
  } else if (k == ' ') {
    feedback = !feedback;
  } else if (k == 27) {
    call(ui.say, "Deseja parar o download?");
    const uint8_t answer = ui.read_key_spoken ? ui.read_key_spoken() : 0;
    call(ui.write_line, std::string(1, static_cast<char>(answer)));
    if (answer == 'S' || answer == 's') {
      call(ui.say, "O download foi interrompido.");
      return KeyOutcome::stop;
    }
  }
  return KeyOutcome::go_on;
}

// Moves the body in blocks; true when every byte the length promised is stored.
bool block_loop(Link& link, std::FILE* file, int64_t length, int64_t offset, const DownloadRequest& req,
                const DownloadUi& ui) {
  bool feedback = req.feedback;
  int64_t remaining = length;
  int64_t received = offset;
  char block[kBlock];
  while (remaining >= 1) {
    if (feedback) call(ui.beep);
    const size_t size = static_cast<size_t>(std::min<int64_t>(remaining, kBlock));
    size_t got = 0;
    if (!link.read_bytes(block, size, got, link.wait_limit())) break;
    if (std::fwrite(block, 1, size, file) != size) break;
    remaining -= static_cast<int64_t>(size);
    received += static_cast<int64_t>(size);
    if (feedback) call(ui.click);
    if (ui.key_waiting && ui.key_waiting() &&
        handle_key(ui, feedback, progress_text(received, length, offset), req.file_name) == KeyOutcome::stop)
      break;
  }
  // A single byte short is still a cut transfer.
  return remaining == 0;
}

}  // namespace

bool download(Net& net, const DownloadRequest& req, const DownloadUi& ui) {
  if (req.url.empty() || req.target.empty() || !safe_cookie(req.cookie)) return false;
  auto url = parse_url(req.url);
  for (int redirects = 0; url; ++redirects) {
    auto link = open_link(net, *url);
    if (!link) return false;
    struct stat st {};
    const bool exists = ::stat(req.target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) return false;
    const int64_t offset = exists ? static_cast<int64_t>(st.st_size) : 0;
    if (!send_raw(*link, download_request(*url, exists ? std::optional<int64_t>(offset) : std::nullopt, req.cookie)))
      return false;
    int status = 0;
    if (!read_status(*link, status)) return false;
    if (status == 400) {
      call(ui.say, "Erro http400:Requisi\xE7\xE3o http n\xE3o foi bem formulada.");
      return false;
    }
    if (status == 404) {
      call(ui.say, "Erro http404: P\xE1gina n\xE3o encontrada.");
      return false;
    }
    if (status == 206) call(ui.say, "Retomando download");
    Headers h;
    if (!read_headers(*link, h)) return false;
    if (h.location) {
      if (redirects >= kMaxRedirects) return false;
      url = resolve_location(*url, *h.location);
      continue;
    }
    // Other statuses (416, 5xx, ...) carry no part of the file.
    if ((status != 200 && status != 206) || h.bad_length) return false;
    // A partial reply is taken only for the range asked for.
    if (status == 206 && (!exists || (h.range_start && *h.range_start != offset))) return false;
    if (h.content_length == 0 || h.chunked) {
      link.reset();
      return fallback_download(net, *url, req);
    }
    if (status == 200) {
      TempFile out;
      if (!out.open_beside(req.target)) return false;
      const bool complete = block_loop(*link, out.file, h.content_length, 0, req, ui);
      return out.finish(req.target, complete);
    }
    std::FILE* f = std::fopen(req.target.c_str(), "r+b");
    if (!f) return false;
    bool complete = std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0 &&
                    block_loop(*link, f, h.content_length, offset, req, ui);
    complete = (std::fclose(f) == 0) && complete;
    return complete;
  }
  return false;
}

}  // namespace net
