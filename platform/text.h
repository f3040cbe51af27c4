// Text edges: Windows-1252 bytes to UTF-8 and back.
#pragma once
#include <string>
#include <string_view>

namespace plat {

// Every byte becomes its Unicode character; the five undefined bytes of the code page
// (0x81 0x8D 0x8F 0x90 0x9D) map to the C1 controls of the same number.
std::string cp1252_to_utf8(std::string_view bytes);

// Each UTF-8 character becomes its Windows-1252 byte, or '?' when the code page has none;
// a malformed sequence gives one '?' per bad byte.
std::string utf8_to_cp1252(std::string_view utf8);

// A script file's bytes as Windows-1252. A file that is valid UTF-8 throughout and holds
// characters outside ASCII, or begins with a UTF-8 byte-order mark, is converted (the mark
// dropped, '?' for a character the code page lacks); any other file is returned unchanged,
// so a Windows-1252 file is never altered. first_lost_line is the 1-based line of the
// first '?' made, 0 when none.
struct ScriptText {
  std::string text;
  bool converted = false;
  int first_lost_line = 0;
};
ScriptText script_text_to_cp1252(std::string_view bytes);

// The Unicode code point of one Windows-1252 byte.
char32_t cp1252_code_point(unsigned char byte);

// The Windows-1252 byte of a code point, or '?' when there is none.
unsigned char cp1252_from_code_point(char32_t cp);

}  // namespace plat
