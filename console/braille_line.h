// Braille line: the console's row under the caret (or the review position) on a braille
// display, panned by the display's keys; its keyboard keys reach the key buffer.
#pragma once
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/braille_link.h"

namespace zn {

class Console;

class BrailleLine {
 public:
  explicit BrailleLine(std::unique_ptr<plat::BrailleLink> link) : link_(std::move(link)) {}
  bool alive() const { return link_ && link_->alive(); }
  // Shows what the console's point of regard calls for, when that changed.
  void refresh(const Console& con);
  // Takes every input the display has waiting; panning redraws, keys go to the console.
  void take_input(Console& con);

  // What the display shows now (for tests and for the first refresh).
  const std::string& shown_text() const { return shown_; }
  int shown_cursor() const { return shown_cursor_; }
  int row() const { return row_; }
  int offset() const { return offset_; }

 private:
  void apply(Console& con, const plat::BrailleInput& in);
  void route(Console& con, int cell);
  static void type_key(Console& con, const plat::BrailleInput& in);

  std::unique_ptr<plat::BrailleLink> link_;
  std::pair<int, int> last_point_{-1, -1};  // 0-based column and row last followed
  bool manual_ = false;  // panned or moved away from the point until it moves
  int row_ = 0;
  int offset_ = 0;
  std::string shown_;
  int shown_cursor_ = -2;
  bool drawn_ = false;
};

}  // namespace zn
