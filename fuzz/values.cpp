// The value, variable, file number and list name readers, the number reader and the key order.
#include "fuzz/common.h"
#include "runtime/interp.h"
#include "runtime/values.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  rl::Interp in;
  in.vars[0] = "42";
  in.vars[25] = "\"aspas\"";
  const std::string_view text = fuzz::as_text(data, size);

  // Each reader consumes from the front; what is left is read again until nothing moves.
  std::string_view t = text;
  for (int step = 0; step < 64 && !t.empty(); ++step) {
    const size_t before = t.size();
    std::string out;
    int slot = -1;
    int32_t n = 0;
    switch (step % 5) {
      case 0: rl::read_value(in, t, out); break;
      case 1: rl::read_var_ref(in, t); break;
      case 2: rl::read_file_number(t, slot); break;
      case 3: rl::read_bracketed_name(t, out); break;
      case 4: rl::read_int_value(in, t, n); break;
    }
    if (t.size() > before) __builtin_trap();
    if (slot >= rl::kFileSlots) __builtin_trap();
    if (t.size() == before && step % 5 == 4) t.remove_prefix(1);
  }
  if (static_cast<int>(in.names.size()) > rl::kNamedVars) __builtin_trap();

  rl::to_int(text);
  const auto halves = fuzz::split(text, '\n', 2);
  const int ab = rl::compare_keys(halves[0], halves[1]);
  const int ba = rl::compare_keys(halves[1], halves[0]);
  if ((ab < 0) != (ba > 0) || (ab == 0) != (ba == 0)) __builtin_trap();  // the order is antisymmetric
  return 0;
}
