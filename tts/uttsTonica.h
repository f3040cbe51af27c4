// The tonic vowel of a Portuguese word.
#pragma once
#include <string_view>

namespace elzar {

// 1-based position of the tonic vowel, 0 for none.
int tonic_position(std::string_view word);
// Short words and a few listed ones carry no tonic mark.
bool is_function_word(std::string_view upper_word);

}  // namespace elzar
