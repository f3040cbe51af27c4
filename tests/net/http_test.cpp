// URLs, Location values, status and header lines, request texts and the progress report.
#include <gtest/gtest.h>

#include "net/http.h"

namespace net {
namespace {

TEST(ParseUrl, SchemeHostPortAndPath) {
  struct Case {
    const char* text;
    bool tls;
    const char* host;
    const char* authority;
    int port;
    const char* path;
  } cases[] = {
      {"http://exemplo.com.br/a/b.zip", false, "exemplo.com.br", "exemplo.com.br", 80, "/a/b.zip"},
      {"HTTPS://exemplo.com", true, "exemplo.com", "exemplo.com", 443, "/"},
      {"https://h:8443/x?y=1", true, "h", "h:8443", 8443, "/x?y=1"},
      {"http://h:8080", false, "h", "h:8080", 8080, "/"},
      {"http://h?q=1", false, "h", "h", 80, "/?q=1"},
      {"http://h/com espaco#parte", false, "h", "h", 80, "/com%20espaco"},
      {"ftp://h/x", false, "h", "h", 80, "/x"},  // anything but https is plain
      {"http://user@h/x", false, "h", "h", 80, "/x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto u = parse_url(c.text);
    ASSERT_TRUE(u);
    EXPECT_EQ(u->tls, c.tls);
    EXPECT_EQ(u->host, c.host);
    EXPECT_EQ(u->authority, c.authority);
    EXPECT_EQ(u->port, c.port);
    EXPECT_EQ(u->path, c.path);
  }
}

TEST(ParseUrl, RefusesWhatCannotBeRequested) {
  for (const char* bad : {"", "exemplo.com/a", "http://", "http:///a", "http://h:0/", "http://h:65536/",
                          "http://h:80a/", "http://h:-1/", "http://h/a\r\nX-Injetado: 1", "http://h\t/a"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(parse_url(bad));
  }
}

TEST(ResolveLocation, AgainstTheCurrentUrl) {
  const Url base = *parse_url("http://h:8080/pasta/sub/arquivo?x=1");
  struct Case {
    const char* location;
    const char* url;
  } cases[] = {
      {"https://outro/a", "https://outro:443/a"},
      {"//outro:81/b", "http://outro:81/b"},
      {"/raiz", "http://h:8080/raiz"},
      {"irmao.zip", "http://h:8080/pasta/sub/irmao.zip"},
      {"../acima/c", "http://h:8080/pasta/acima/c"},
      {"../../../../fora", "http://h:8080/fora"},
      {"./aqui/", "http://h:8080/pasta/sub/aqui/"},
      {"?y=2", "http://h:8080/pasta/sub/arquivo?y=2"},
      {"  /com branco ", "http://h:8080/com%20branco"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.location);
    auto u = resolve_location(base, c.location);
    ASSERT_TRUE(u);
    EXPECT_EQ(std::string(u->tls ? "https://" : "http://") + u->host + ":" + std::to_string(u->port) + u->path,
              c.url);
  }
  EXPECT_FALSE(resolve_location(base, ""));
  EXPECT_FALSE(resolve_location(base, "/a\x01/b"));
}

TEST(StatusLine, ThreeDigitsAfterTheFirstBlank) {
  struct Case {
    const char* line;
    int status;  // -1: refused
  } cases[] = {
      {"HTTP/1.1 200 OK", 200}, {"HTTP/1.0 206 Partial Content", 206}, {"http/1.1 404", 404},
      {"HTTP/1.1 OK", -1},      {"HTTP/1.1 20", -1},                   {"HTTP/1.1 2000 x", -1},
      {"HTTP/1.1  200 OK", -1}, {"SSH-2.0-servidor", -1},              {"", -1},
      {"HTTP/1.1 -20 x", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    auto s = parse_status_line(c.line);
    if (c.status < 0) EXPECT_FALSE(s);
    else EXPECT_EQ(s, c.status);
  }
}

Headers headers_of(std::initializer_list<const char*> lines) {
  Headers h;
  for (const char* l : lines) parse_header_line(l, h);
  return h;
}

TEST(HeaderLines, LengthLocationAndRange) {
  Headers h = headers_of({"Content-Type: text/plain", "content-length:  12345 ", "Location: /novo",
                          "Content-Range: bytes 5000-19999/20000"});
  EXPECT_TRUE(h.has_length);
  EXPECT_FALSE(h.bad_length);
  EXPECT_EQ(h.content_length, 12345);
  EXPECT_EQ(h.location, "/novo");
  EXPECT_EQ(h.range_start, 5000);
  // Absent: length 0, which sends the download to the plain request.
  h = headers_of({"Server: x"});
  EXPECT_FALSE(h.has_length);
  EXPECT_EQ(h.content_length, 0);
  EXPECT_FALSE(h.location);
  // "Content-Location" is not a redirect.
  EXPECT_FALSE(headers_of({"Content-Location: /x"}).location);
}

// A range the resume cannot trust is kept as -1, never a start a download could be at;
// a Content-Range of another unit is ignored. The first line came from the fuzz target.
TEST(HeaderLines, RangesThatCannotBeTrusted) {
  const struct {
    const char* line;
    std::optional<int64_t> start;
  } cases[] = {
      {"Content-Range: bytes 100dked", -1},
      {"Content-Range: bytes -5/10", -1},
      {"Content-Range: bytes 99999999999999999999-1/2", -1},
      {"Content-Range: bytes */20000", -1},
      {"Content-Range: items 5-9/10", std::nullopt},
      {"Content-Range: bytes 0-9/10", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(headers_of({c.line}).range_start, c.start);
  }
}

TEST(HeaderLines, LengthsThatCannotBeTrusted) {
  for (auto lines : {std::vector<const char*>{"Content-Length: -5"}, {"Content-Length: 12abc"},
                     {"Content-Length:"}, {"Content-Length: 99999999999999999999"},
                     {"Content-Length: 10", "Content-Length: 20"}}) {
    Headers h;
    for (const char* l : lines) parse_header_line(l, h);
    SCOPED_TRACE(lines.back());
    EXPECT_TRUE(h.bad_length);
  }
  EXPECT_FALSE(headers_of({"Content-Length: 10", "Content-Length: 10"}).bad_length);
}

TEST(HeaderLines, ChunkedBodies) {
  EXPECT_TRUE(headers_of({"Transfer-Encoding: gzip, Chunked"}).chunked);
  EXPECT_FALSE(headers_of({"Transfer-Encoding: identity"}).chunked);
  struct Case {
    const char* line;
    int64_t size;  // -1: refused
  } cases[] = {{"0", 0}, {"1a", 26}, {"FF;nome=valor", 255}, {" 10 ", 16}, {"", -1}, {"g", -1},
               {"-5", -1}, {"12 34", -1}, {"1000000000000000", -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    auto n = parse_chunk_size(c.line);
    if (c.size < 0) EXPECT_FALSE(n);
    else EXPECT_EQ(n, c.size);
  }
}

TEST(Requests, DownloadLinesInOrder) {
  const Url u = *parse_url("http://h:8080/a/b.zip");
  EXPECT_EQ(download_request(u, std::nullopt, ""),
            "GET /a/b.zip HTTP/1.1\r\nUser-Agent: roteiral+ V5.x\r\nAccept: */*\r\nHost: h:8080\r\n"
            "Connection: close\r\n\r\n");
  EXPECT_EQ(download_request(u, 5000, "s=1"),
            "GET /a/b.zip HTTP/1.1\r\nUser-Agent: roteiral+ V5.x\r\nAccept: */*\r\nHost: h:8080\r\n"
            "Connection: close\r\nRange: bytes=5000-\r\nCookie: s=1\r\n\r\n");
  EXPECT_EQ(download_request(u, 0, "").find("Range: bytes=0-\r\n") != std::string::npos, true);
}

TEST(Requests, FallbackLinesInOrder) {
  const Url u = *parse_url("http://h/t.txt");
  EXPECT_EQ(fallback_request(u, "c=2"),
            "GET /t.txt HTTP/1.1\r\nHost: h\r\nUser-Agent: zunape\r\nConnection: close\r\n"
            "Accept-Language: pt-br\r\nUA-CPU: x86\r\nCookie: c=2\r\n\r\n");
  EXPECT_EQ(fallback_request(u, "").find("Cookie"), std::string::npos);
}

TEST(Progress, BothForms) {
  // 2 MiB with 1 MiB received.
  EXPECT_EQ(progress_text(1048576, 2097152, 0), "50% de 2MB;1000 KB recebidos aproximadamente");
  // Below 1 MiB: kilobytes. A resumed transfer counts its offset in the total.
  EXPECT_EQ(progress_text(15000, 15000, 5000), "75% de 19KB; 14 KB recebidos aproximadamente");
  // Sizes whose products pass 32 bits still give the right figures.
  EXPECT_EQ(progress_text(int64_t{3} << 30, int64_t{4} << 30, 0),
            "75% de 4096MB;3072000 KB recebidos aproximadamente");
  EXPECT_EQ(progress_text(0, 0, 0), "0% de 0KB; 0 KB recebidos aproximadamente");
}

}  // namespace
}  // namespace net
