// review: screen review, reading the console's cells by voice without changing them.
#pragma once
#include <string>

namespace speech {

struct Speech;

// Kept between uses, for searching again.
struct ReviewState {
  std::string search;
};

// Runs until Esc (or the console closes); the console cursor is put back afterwards.
void screen_review(Speech& s);

}  // namespace speech
