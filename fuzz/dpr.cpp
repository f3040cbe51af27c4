// dcc32's reader of the program sources the converter writes.
#include "app/dprsource.h"
#include "fuzz/common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const app::DprProgram p = app::read_dpr(fuzz::as_text(data, size));
  if (static_cast<int>(p.lines.size()) > app::kMaxScriptLines) __builtin_trap();
  if (static_cast<int>(p.faults.size()) > app::kMaxFaults + 1) __builtin_trap();
  return 0;
}
