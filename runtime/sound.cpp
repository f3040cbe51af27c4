// Speech and sound commands: BIPA.
#include "runtime/interp.h"
#include "runtime/values.h"
#include "speech/znsapi.h"

namespace rl {

bool cmd_bipa(Interp& in, std::string_view rest) {
  std::string value = "0";
  if (!rest.empty() && !read_value(in, rest, value)) return false;
  if (value == "1") speech::play_click(*in.speech);
  else speech::play_beep(*in.speech);
  return true;
}

}  // namespace rl
