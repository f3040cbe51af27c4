// editor: the spoken line editor that LE reads with, and opening a link named in a field.
#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "platform/shell.h"

namespace speech {

struct Speech;

inline constexpr int kEditMax = 2048;  // the longest field

// What outlives one edit: the echo flag, the final position, and the shell links open in.
struct EditorState {
  bool echo = true;
  int final_pos = 1;
  std::unique_ptr<plat::Shell> shell;  // made on first use; a test may put a recorder here
};

// Edits `field` in `width` screen columns from (col, row); returns the code of the key
// that ended editing. The field comes back without trailing blanks.
int edit_line(Speech& s, std::string& field, int col, int row, bool editing_commands, int width, int max_len);
// Opens a link, or a document or program named by text, through the profile's PROG.* keys.
void open_link(Speech& s, std::string_view text);

}  // namespace speech
