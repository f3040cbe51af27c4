// recorded: numbers, times, dates and dialling tones spoken from recorded word fragments.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace speech {

struct Speech;

// Samples of joined fragments played as one image; a longer single fragment plays alone.
inline constexpr size_t kFragmentBufferMax = 30000;
// number_to_words speaks 15 digits as words; larger values are read digit by digit.
inline constexpr uint64_t kWordsLimit = 1000000000000000ULL;

enum class Gender { masculine, feminine };

// Portuguese number words separated by single blanks ("mil e duzentos e trinta e quatro").
std::string number_to_words(uint64_t n);
// "_" + the word with a-tilde and o-tilde plain, cut to 8 characters ("dezessete" is
// "_dezeset" so that it does not meet "dezesseis").
std::string fragment_name(std::string_view word);
// Plays the fragments of blank-separated words joined into images of up to
// kFragmentBufferMax samples; with feminine, a last "um"/"dois" becomes "uma"/"duas".
void play_word_fragments(Speech& s, std::string_view words, Gender gender);
// A negative value is spoken as "_MENOS" and its size.
void play_number(Speech& s, long long n, Gender gender);

void speak_time(Speech& s, int hours, int minutes);
// Weekday, day, month and year; a date that does not exist is not spoken.
void speak_date(Speech& s, int day, int month, int year);
void speak_clock_time(Speech& s);
void speak_today(Speech& s);
// 0 = Sunday; -1 for a day that does not exist (years 1..9999, Gregorian).
int weekday(int day, int month, int year);
// Dial symbols 0-9, # and * as their tones; a comma waits one second.
void play_dtmf(Speech& s, std::string_view symbols);

}  // namespace speech
