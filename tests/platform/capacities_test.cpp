// The mci layer keeps at most 64 open devices; the 65th open is refused and changes nothing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>

#include "platform/mci.h"

namespace {

namespace fs = std::filesystem;

class PathSink : public plat::MciSink {
 public:
  explicit PathSink(fs::path dir) : dir_(std::move(dir)) {}
  std::optional<std::string> host_path(std::string_view name) override { return (dir_ / std::string(name)).string(); }
  void start(const plat::DecodedSound&) override {}
  bool playing() override { return false; }
  void stop() override {}

 private:
  fs::path dir_;
};

void put_le(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// 8-bit mono PCM at 8000 Hz with a few samples.
std::string small_wave() {
  const std::string samples(16, '\x80');
  std::string w = "RIFF";
  put_le(w, 36 + samples.size(), 4);
  w += "WAVEfmt ";
  put_le(w, 16, 4);
  put_le(w, 1, 2);
  put_le(w, 1, 2);
  put_le(w, 8000, 4);
  put_le(w, 8000, 4);
  put_le(w, 1, 2);
  put_le(w, 8, 2);
  w += "data";
  put_le(w, samples.size(), 4);
  return w + samples;
}

TEST(Capacities, SixtyFourMciDevicesAtMost) {
  const fs::path dir = fs::temp_directory_path() / ("roteiral-mci-cap-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "a.wav", std::ios::binary) << small_wave();
  PathSink sink(dir);
  plat::MciState st;
  for (size_t i = 0; i < plat::kMciDevicesMax; ++i)
    ASSERT_EQ(plat::mci_send(st, sink, "open a.wav alias d" + std::to_string(i)), "") << i;
  EXPECT_EQ(plat::mci_send(st, sink, "open a.wav alias demais").rfind("erro", 0), 0u);
  EXPECT_EQ(st.devices.size(), plat::kMciDevicesMax);
  EXPECT_EQ(plat::mci_send(st, sink, "close d0"), "");
  EXPECT_EQ(plat::mci_send(st, sink, "open a.wav alias outra"), "") << "a closed device frees its place";
  plat::mci_close_all(st, sink);
  fs::remove_all(dir);
}

}  // namespace
