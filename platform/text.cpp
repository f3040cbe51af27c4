#include "platform/text.h"

namespace plat {
namespace {

// 0x80..0x9F of Windows-1252; zero marks the undefined bytes.
constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

char32_t cp1252_code_point(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) {
    char16_t c = kHigh[byte - 0x80];
    return c ? c : byte;
  }
  return byte;
}

unsigned char cp1252_from_code_point(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<unsigned char>(cp);
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] == cp) return static_cast<unsigned char>(0x80 + i);
  }
  if (cp == 0x81 || cp == 0x8D || cp == 0x8F || cp == 0x90 || cp == 0x9D)
    return static_cast<unsigned char>(cp);
  return '?';
}

std::string cp1252_to_utf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (unsigned char b : bytes) {
    if (b < 0x80) out += static_cast<char>(b);
    else append_utf8(out, cp1252_code_point(b));
  }
  return out;
}

std::string utf8_to_cp1252(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    int len = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    char32_t cp = len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    bool ok = len != 0 && i + len <= s.size();
    for (int k = 1; ok && k < len; ++k) {
      unsigned char c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) ok = false;
      else cp = (cp << 6) | (c & 0x3F);
    }
    // Overlong forms and surrogates are malformed.
    if (ok && ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
               (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF))
      ok = false;
    if (!ok) {
      out += '?';
      ++i;
      continue;
    }
    out += static_cast<char>(cp1252_from_code_point(cp));
    i += len;
  }
  return out;
}

namespace {

// Length of the well-formed UTF-8 sequence at s[i] (ASCII included), 0 when malformed.
size_t utf8_sequence(std::string_view s, size_t i, char32_t& cp) {
  const unsigned char b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) {
    cp = b;
    return 1;
  }
  const size_t len = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
  if (len == 0 || i + len > s.size()) return 0;
  cp = len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
  for (size_t k = 1; k < len; ++k) {
    const unsigned char c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
      (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
    return 0;
  return len;
}

}  // namespace

ScriptText script_text_to_cp1252(std::string_view bytes) {
  ScriptText out;
  const bool bom = bytes.substr(0, 3) == "\xEF\xBB\xBF";
  std::string_view body = bom ? bytes.substr(3) : bytes;
  bool non_ascii = false;
  for (size_t i = 0; i < body.size();) {
    char32_t cp = 0;
    const size_t len = utf8_sequence(body, i, cp);
    if (len == 0) {
      out.text.assign(bytes);
      return out;
    }
    non_ascii |= len > 1;
    i += len;
  }
  if (!bom && !non_ascii) {
    out.text.assign(bytes);
    return out;
  }
  out.converted = true;
  out.text.reserve(body.size());
  int line = 1;
  for (size_t i = 0; i < body.size();) {
    char32_t cp = 0;
    const size_t len = utf8_sequence(body, i, cp);
    const unsigned char c = cp1252_from_code_point(cp);
    if (c == '?' && cp != U'?' && out.first_lost_line == 0) out.first_lost_line = line;
    if (cp == U'\n') ++line;
    out.text += static_cast<char>(c);
    i += len;
  }
  return out;
}

}  // namespace plat
