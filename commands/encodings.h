// Encodings: Base64 for texts and files, '=' escaping, percent-encoding, Windows-1252 and UTF-8.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cmds {

// Base64, RFC 4648 standard alphabet, padded with '=', no line breaks.
std::string base64_encode(std::string_view bytes);
// Stops at the first '='; every character outside the alphabet (blanks, CR, LF...) is
// skipped; the bits of an incomplete group are dropped.
std::string base64_decode(std::string_view text);

// Base64 decoding fed in pieces.
class Base64Decoder {
 public:
  // Appends the bytes completed by `text`; false once the first '=' has been seen (the
  // rest of the input is then ignored).
  bool feed(std::string_view text, std::string& out);
  bool stopped() const { return stopped_; }

 private:
  uint32_t bits_ = 0;
  int count_ = 0;
  bool stopped_ = false;
};

// The Base64 text of a file: lines of 64 characters (48 bytes) ended by CR LF; the last
// line holds the rest, padded, also ended by CR LF; no input gives no output. The groups
// run on across pieces, so how the input is cut never shows in the output.
class Base64LineEncoder {
 public:
  void feed(std::string_view bytes, std::string& out);
  void finish(std::string& out);

 private:
  std::string pending_;  // fewer than 48 bytes waiting for their line
};

// ADQUOTED: bytes 0..31, '=' and 127..255 become '=' and two upper-case hex digits.
std::string quoted_encode(std::string_view bytes);
// REMOVEQUOTED: one final '=' is dropped; '=' with two hex digits (either case) is that byte.
std::string quoted_decode(std::string_view text);
// HTTP: everything outside A-Z a-z 0-9 - . _ ~ becomes '%' and two upper-case hex digits.
std::string percent_encode(std::string_view bytes);

// Windows-1252 to UTF-8.
std::string ansi_to_utf8(std::string_view bytes);
// Well-formed UTF-8 to Windows-1252 ('?' for what the code page lacks); nullopt when the
// text is not well-formed UTF-8 (overlong forms, surrogates and values past U+10FFFF too).
std::optional<std::string> utf8_to_ansi(std::string_view text);

// The file forms read and write in blocks of this size.
inline constexpr size_t kCodeBlock = 1024;

enum class FileCodeResult {
  ok,
  source_missing,
  source_unreadable,  // exists but cannot be opened as a file
  same_file,          // target and source are one file: refused before truncating it
  target_failed,      // cannot be created
  read_failed,
  write_failed,
};

// CODARQBASE64 and DECODARQBASE64 on host paths; the target is created or truncated only
// once the source is open.
FileCodeResult encode_file_base64(const std::string& source, const std::string& target);
FileCodeResult decode_file_base64(const std::string& source, const std::string& target);

}  // namespace cmds
