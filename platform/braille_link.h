// Braille link: a refreshable braille display reached through the BRLTTY daemon.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace plat {

// What a display's keys ask for. Panning and line moves act on the braille window; route
// is a routing key over a cell; key is a keyboard key the daemon passes on (a keysym).
enum class BrailleCommand { pan_left, pan_right, line_up, line_down, top, bottom, home, route, key };

struct BrailleInput {
  BrailleCommand command = BrailleCommand::key;
  int cell = 0;          // route: 0-based cell under the routing key
  uint32_t keysym = 0;   // key: X keysym, or 0x01000000 + Unicode code point
  bool shift = false, ctrl = false, alt = false;
};

class BrailleLink {
 public:
  virtual ~BrailleLink() = default;
  virtual int columns() const = 0;
  // Shows the text (UTF-8, one row) with the cursor on a 0-based cell, or none (-1).
  // False once the daemon has gone away; the link stays dead after that.
  virtual bool show(const std::string& utf8, int cursor) = 0;
  // The next input waiting, without blocking.
  virtual std::optional<BrailleInput> poll() = 0;
  virtual bool alive() const = 0;
};

// A connection to the daemon named by BRLAPI_HOST (the default socket otherwise), in
// control of the braille window. Null, with the reason in why, when there is none.
std::unique_ptr<BrailleLink> open_brlapi_link(std::string* why);

}  // namespace plat
