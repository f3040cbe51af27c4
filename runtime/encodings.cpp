// Encoding commands: Base64, '=' escaping, percent-encoding, Windows-1252 and UTF-8.
#include "commands/commands.h"
#include "platform/paths.h"
#include "runtime/interp.h"
#include "runtime/values.h"

namespace rl {
namespace {

// The string commands convert one variable in place; text after it is ignored.
template <typename Convert>
bool convert_variable(Interp& in, std::string_view rest, Convert convert) {
  const int slot = read_var_ref(in, rest);
  if (slot < 0) return false;
  std::string out = convert(in.vars[slot]);
  // A result past the interpreter's value limit is refused and the variable kept.
  if (out.size() > kMaxValueLength) return false;
  in.vars[slot] = std::move(out);
  return true;
}

// The file commands read a source and a target name; text after them is ignored.
template <typename Code>
bool convert_file(Interp& in, std::string_view rest, Code code) {
  std::string source, target;
  if (!read_value(in, rest, source) || !read_value(in, rest, target)) return false;
  auto source_path = source.empty() ? std::nullopt : script_host_path(in, source);
  auto target_path = target.empty() ? std::nullopt : script_host_path(in, target);
  if (!source_path || !target_path) return false;
  // A missing or unreadable source, a target that cannot be made or written, and a target
  // that is the source itself all fail without a message of their own.
  return code(*source_path, *target_path) == cmds::FileCodeResult::ok;
}

}  // namespace

bool cmd_codbase64(Interp& in, std::string_view rest) {
  return convert_variable(in, rest, [](const std::string& v) { return cmds::base64_encode(v); });
}

bool cmd_decodbase64(Interp& in, std::string_view rest) {
  return convert_variable(in, rest, [](const std::string& v) { return cmds::base64_decode(v); });
}

bool cmd_adquoted(Interp& in, std::string_view rest) {
  return convert_variable(in, rest, [](const std::string& v) { return cmds::quoted_encode(v); });
}

bool cmd_removequoted(Interp& in, std::string_view rest) {
  return convert_variable(in, rest, [](const std::string& v) { return cmds::quoted_decode(v); });
}

bool cmd_http(Interp& in, std::string_view rest) {
  return convert_variable(in, rest, [](const std::string& v) { return cmds::percent_encode(v); });
}

bool cmd_ansiparautf8(Interp& in, std::string_view rest) {
  return convert_variable(in, rest, [](const std::string& v) { return cmds::ansi_to_utf8(v); });
}

bool cmd_utf8paraansi(Interp& in, std::string_view rest) {
  // Text that is not well-formed UTF-8 gives the empty value.
  return convert_variable(in, rest, [](const std::string& v) { return cmds::utf8_to_ansi(v).value_or(""); });
}

bool cmd_codarqbase64(Interp& in, std::string_view rest) { return convert_file(in, rest, cmds::encode_file_base64); }

bool cmd_decodarqbase64(Interp& in, std::string_view rest) { return convert_file(in, rest, cmds::decode_file_base64); }

}  // namespace rl
