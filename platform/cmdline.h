// Command lines: words grouped by double quotes, and the redirections of the command processor.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

struct Words {
  std::vector<std::string> words;
  bool unbalanced = false;  // a quote was left open; the last word runs to the end
};

// Blanks (space, tab) separate words; double quotes group and are removed; inside quotes
// a doubled quote stands for one quote. "" alone is an empty word.
Words split_words(std::string_view line);

// A line that split_words turns back into these words: a word that is empty or holds a
// blank or a quote is quoted, the others stay as they are (so ">>x" stays a redirection);
// a word that starts with a redirection quotes only its file name (>>"my log").
std::string join_words(const std::vector<std::string>& words);

enum class RedirectKind { read, write, append, duplicate };

struct Redirect {
  int fd = 1;  // the handle redirected, 0..9
  RedirectKind kind = RedirectKind::write;
  std::string target;  // file name (read, write, append)
  int to_fd = -1;      // duplicate: the handle copied
};

struct Command {
  std::vector<std::string> words;   // program and arguments, quotes removed
  std::vector<Redirect> redirects;  // in the order written; applied in that order
};

enum class ParseError { none, unbalanced_quotes, unsupported_operator, missing_target };

struct ParsedCommand {
  ParseError error = ParseError::none;
  std::string detail;  // the operator refused, for the message
  Command command;
};

// One command with [n]> [n]>> [n]< [n]>&m redirections; outside quotes ^ takes the next
// character as it is. Pipes and command chaining (| & && ||) are refused, not run.
ParsedCommand parse_command(std::string_view line);

// The text after /c when it begins with a quote: kept when it is exactly one quoted name
// with a blank, no special character, that names a program; otherwise the first quote and
// the last one are removed.
std::string strip_line_quotes(std::string_view line, const std::function<bool(const std::string&)>& is_program);

}  // namespace plat
