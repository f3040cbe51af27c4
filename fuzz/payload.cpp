// The payload reader of generated programs: the payload decoder, and the image checks
// (trailer, head, runtime and payload) over the bytes as a whole file.
#include "app/exe_image.h"
#include "fuzz/common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::as_text(data, size);
  app::Payload p;
  if (app::decode_payload(bytes, p) && app::encode_payload(p) != bytes) __builtin_trap();  // one encoding each

  // With the trailer's CRC made right, the checks behind it are reached as well.
  std::string image(bytes);
  if (image.size() >= app::kTrailerSize && image.compare(image.size() - app::kTrailerSize, 8, "RLPAYLD2") == 0) {
    const uint32_t crc = app::crc32_update(0, image.data(), image.size() - 4);
    for (int i = 0; i < 4; ++i) image[image.size() - 4 + i] = static_cast<char>((crc >> (8 * i)) & 0xFF);
  }
  static fuzz::MemFile file;
  if (!file.set(image)) return 0;
  app::ImageLayout layout;
  if (app::check_image(file.fd(), layout) == app::ImageStatus::ok) {
    if (layout.payload_offset + layout.payload_size > image.size()) __builtin_trap();
    app::Payload q;
    app::read_payload(file.fd(), layout, q);
  }
  app::Head head;
  for (uint64_t front : {uint64_t{0}, uint64_t{8}, uint64_t{size / 2}, uint64_t{32}})
    if (app::read_head(file.fd(), front, head)) app::runtime_is_whole(file.fd(), head);
  app::elf_file_size(file.fd());
  return 0;
}
