// The integer expression reader, reached as a value in parentheses.
#include "fuzz/common.h"
#include "runtime/interp.h"
#include "runtime/values.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  rl::Interp in;
  in.vars[0] = "7";
  in.vars[1] = "-2147483648";
  in.vars[2] = "$FF";
  in.vars[3] = "texto";
  std::string text = "(";
  text.append(fuzz::as_text(data, size));
  std::string_view t = text;
  std::string out;
  if (rl::read_value(in, t, out) && !rl::to_int(out)) __builtin_trap();  // a result is always a number
  return 0;
}
