// Translator: Portuguese text to the phonetic text the built-in diphone voice speaks.
#pragma once
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tts {

// Field capacities of a rule line; longer fields are cut.
inline constexpr size_t kRuleContextMax = 5;
inline constexpr size_t kRuleMatchMax = 5;
inline constexpr size_t kRuleOutputMax = 11;
// The alias dictionary keeps at most this many entries; each line is cut to kAliasLineMax.
inline constexpr size_t kAliasMax = 15000;
inline constexpr size_t kAliasLineMax = 255;
// Rules are chained by the first match character, codes 32-95.
inline constexpr int kRuleChainFirst = 32;
inline constexpr int kRuleChains = 64;
// The character an unmapped input byte becomes; such a token is spelled.
inline constexpr char kUnmapped = '\x01';

struct Rule {
  std::string left, match, right, output;
};

struct Alias {
  std::string word, replacement;
};

// Loaded rules and dictionary, owned by the voice that uses them.
struct Translator {
  std::array<std::vector<Rule>, kRuleChains> chains;
  int last_chain = -1;           // chain that received the rule loaded last
  std::vector<Alias> aliases;    // sorted by word, byte order
};

// The word being translated: lower-case ASCII letters and accent marks.
struct Word {
  std::string text;
  int vowels = 0;
  bool explicit_accent = false;  // an accent mark other than '"' follows a letter
};

// Rules from the bytes of a rule file (one rule per non-empty line). A rule whose match
// does not begin with a code 32-95 is skipped. A rule whose first character already has a
// chain is linked after the rule loaded just before it, so the rules of one first
// character must stand together.
void parse_rules(Translator& t, std::string_view file_bytes);
// Replaces the rules with those of the file at host_path; false when it cannot be read.
bool load_rules(Translator& t, const std::string& host_path);
void release_rules(Translator& t);

// Dictionary lines "word=replacement|"; empty lines skipped, at most kAliasMax entries.
void parse_aliases(Translator& t, std::string_view file_bytes);
// Replaces the dictionary with the file at host_path; false when it cannot be read.
bool load_aliases(Translator& t, const std::string& host_path);

enum class VoiceFiles { loaded, no_rules, no_dictionary };
// regras.rgr and then portug.exc from the voice directory (a host path).
VoiceFiles load_voice_files(Translator& t, const std::string& voice_dir);

// The stages of translate, in order.
std::string rewrite_text(std::string_view text);       // w, y, d', character map
void apply_alias(const Translator& t, Word& word);     // with the trailing s/m stripping
void mark_tonic(Word& word);                           // tonic vowel to upper case
std::string convert_word(const Translator& t, std::string_view word);  // "[..]"
std::string spell(std::string_view token);             // "[ /_c]" per character

// The phonetic text of a Windows-1252 phrase.
std::string translate(const Translator& t, std::string_view text);

}  // namespace tts
