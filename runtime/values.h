// Values: lexical rules, variables, integer expressions and the argument readers.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/interp.h"

namespace rl {

inline bool is_blank_or_control(unsigned char c) { return c <= 32; }
inline bool is_ascii_letter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }
inline unsigned char ascii_upper(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

std::string_view trim(std::string_view t);
std::string fold(std::string_view t);
bool starts_with_folded(std::string_view t, std::string_view upper_word);

// Decimal, or hexadecimal after $, x, X, 0x, 0X; optional leading blanks and sign;
// must fit 32 bits; nothing may follow.
std::optional<int32_t> to_int(std::string_view t);
std::string int_text(int64_t v);

// Readers consume from the front of t and leave the remainder trimmed.
int read_var_ref(Interp& in, std::string_view& t);  // slot, or -1
bool read_value(Interp& in, std::string_view& t, std::string& out);
bool read_file_number(std::string_view& t, int& slot);
bool read_bracketed_name(std::string_view& t, std::string& name);
// Reads a value and converts it; false when either step fails.
bool read_int_value(Interp& in, std::string_view& t, int32_t& out);

// The slot of a named variable, created on first mention; -1 when the table is full.
int named_slot(Interp& in, std::string_view upper_name);

// The comparison key order: digit-only texts compare by number, others as folded text.
int compare_keys(std::string_view a, std::string_view b);

}  // namespace rl
