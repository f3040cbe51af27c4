// The headless key decoder: bytes fed in pieces of fuzzed sizes, the keys taken as they come.
#include "console/ZnCrt.h"
#include "console/keys.h"
#include "fuzz/common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zn::Console con;
  zn::KeyDecoder d;
  size_t i = 0;
  while (i < size) {
    // The first byte of each piece gives its length.
    const size_t n = std::min<size_t>(1 + data[i] % 8, size - i - 1);
    d.feed(fuzz::as_text(data + i + 1, n));
    d.decode(con, false);
    if (con.key_count() > zn::kKeyBufferSize) __builtin_trap();
    while (con.key_count() > 0) con.read_key();
    i += 1 + n;
  }
  // The end of input takes whatever is left; nothing may stay behind.
  for (int round = 0; round < 1024 && !d.empty(); ++round) {
    d.decode(con, true);
    while (con.key_count() > 0) con.read_key();
  }
  if (!d.empty()) __builtin_trap();
  return 0;
}
