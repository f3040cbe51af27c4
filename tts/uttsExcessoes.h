// The exceptions dictionary of portug.exc: words mapped to the written form the rules read.
#pragma once
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace elzar {

inline constexpr size_t kExceptionsMax = 15000;
inline constexpr size_t kExceptionLineMax = 255;

struct Exceptions {
  std::vector<std::pair<std::string, std::string>> entries;  // word, alias; sorted by word
};

// Count reset first; false when the file cannot be opened.
bool load_exceptions(Exceptions& e, const std::string& host_path);
// The same from a whole file's bytes.
void parse_exceptions(Exceptions& e, std::string_view file_bytes);
// Upper-case word, changed in place to its alias (with the trailing S/M stripping).
void alias_lookup(const Exceptions& e, std::string& word);

}  // namespace elzar
