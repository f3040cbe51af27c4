// The overlay's BMP loader, from bytes and through the console from a file.
#include "console/ZnCrt.h"
#include "fuzz/common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto bmp = zn::read_bmp(fuzz::as_text(data, size));
  if (bmp) {
    if (bmp->width <= 0 || bmp->height <= 0 || bmp->width > zn::kMaxBitmapSide || bmp->height > zn::kMaxBitmapSide)
      __builtin_trap();
    if (bmp->pixels.size() != static_cast<size_t>(bmp->width) * static_cast<size_t>(bmp->height)) __builtin_trap();
  }
  static fuzz::MemFile file;
  static zn::Console console;
  if (file.set(fuzz::as_text(data, size)) && console.load_overlay(file.path())) {
    console.draw_overlay_at(3, 5);
    console.remove_overlay();
  }
  return 0;
}
