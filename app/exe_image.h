// Generated programs: a checking front, the runtime stub, the payload, and a trailer.
//
// Layout: front | head | runtime | payload | trailer. The front is a small static program
// that checks the file before any of the runtime is loaded, so a cut inside the runtime's
// own code is found too. The head ("RLSTUB01", the runtime's size and CRC-32, the version,
// the compiler's root and helper folder, and a CRC-32 of the head) lets the front report
// damage on the console, through the runtime when it is whole or the compiler's rlstub. The trailer (40 bytes: "RLPAYLD2", the runtime's offset
// and size, the payload's size, the version, and a CRC-32 of every byte before it) covers
// the whole file. Numbers are little-endian.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace app {

inline constexpr size_t kTrailerSize = 40;
inline constexpr uint32_t kImageVersion = 2;

struct Payload {
  std::string title;
  std::string root;     // the family root of the compiler that made it; may be empty
  std::string libexec;  // its helper programs' folder (cmd, dcc32); may be empty
  std::vector<std::string> lines;
};

// Where the parts of a checked image lie.
struct ImageLayout {
  uint64_t runtime_offset = 0;
  uint64_t runtime_size = 0;
  uint64_t payload_offset = 0;
  uint64_t payload_size = 0;
};

// CRC-32 (the zlib polynomial), continued from crc; start with 0.
uint32_t crc32_update(uint32_t crc, const void* data, size_t size);

std::string encode_payload(const Payload& p);
// False for anything that is not exactly one encoded payload.
bool decode_payload(std::string_view bytes, Payload& p);

// The size an ELF file's own headers give it (its section table is last); 0 when fd does
// not start with a 64-bit ELF header.
uint64_t elf_file_size(int fd);

// Writes front, head, runtime, payload and trailer to out_fd. false with a reason when an
// input cannot be read or the output cannot be written.
bool write_image(int front_fd, int runtime_fd, int out_fd, const Payload& p, std::string& why);

enum class ImageStatus { ok, unreadable, damaged };

// Checks the whole image open as fd and finds its parts.
ImageStatus check_image(int fd, ImageLayout& layout);
// What the head after a front of front_size bytes says; false when it is not whole.
struct Head {
  uint64_t runtime_offset = 0;
  uint64_t runtime_size = 0;
  uint32_t runtime_crc = 0;
  std::string root, libexec;
};
bool read_head(int fd, uint64_t front_size, Head& head);
// Whether the runtime the head describes is all there, unchanged.
bool runtime_is_whole(int fd, const Head& head);
// Reads and decodes the payload of a checked image.
bool read_payload(int fd, const ImageLayout& layout, Payload& p);

}  // namespace app
