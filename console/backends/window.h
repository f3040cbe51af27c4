// The window backend's arithmetic and font look-up, apart from SDL so tests can reach them.
#pragma once
#include <optional>
#include <string>

namespace zn {

// A character side derived from the work area: work / reference × factor, rounded to the
// nearest integer, halves to even (width: 1024 and 13; height: 734 and 28). At least 1.
int derived_cell_side(int work, int reference, int factor);

struct PixelRect {
  int x = 0, y = 0, w = 0, h = 0;
};

// The part of the window the magnifier shows for the mouse at (x, y): it starts at
// (max(0, x - x / zoom), max(0, y - y / zoom)) and is width / zoom by height / zoom.
// zoom below 1 counts as 1; the sides are at least 1.
PixelRect magnifier_source(int x, int y, int zoom, int width, int height);

struct FontChoice {
  std::string file;
  int index = 0;      // face in a collection
  bool bold = false;  // the face found is bold already
};

// The font file for a family (UTF-8) through fontconfig: taken when the face found has
// that family name or is fixed-pitch, else the "monospace" face. Null when fontconfig
// finds no file at all. weight is the profile's 100..1000.
std::optional<FontChoice> find_font(const std::string& family, int weight);

}  // namespace zn
