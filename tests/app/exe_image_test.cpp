// Generated program images: the payload survives, and any cut or changed byte is found.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/exe_image.h"

namespace {

// An anonymous temporary file holding bytes, rewound.
struct TempFile {
  std::FILE* f = std::tmpfile();
  explicit TempFile(const std::string& bytes = {}) {
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fflush(f);
    std::rewind(f);
  }
  ~TempFile() { std::fclose(f); }
  int fd() const { return fileno(f); }
  std::string bytes() const {
    std::string out;
    std::rewind(f);
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    return out;
  }
};

app::Payload sample() {
  app::Payload p;
  p.title = "T\xEDtulo 'x'";
  p.root = "/opt/root";
  p.libexec = "/opt/libexec";
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  p.lines = {"escreve \"um\"", "", all};
  return p;
}

// A real ELF file to stand for the front: the test program itself.
std::string own_elf() {
  TempFile f;
  std::FILE* self = std::fopen("/proc/self/exe", "rb");
  std::string bytes;
  char buf[65536];
  size_t n;
  while (self && (n = std::fread(buf, 1, sizeof buf, self)) > 0) bytes.append(buf, n);
  if (self) std::fclose(self);
  return bytes;
}

// The smallest file whose ELF header says it is whole: 64 bytes, section table at 64, empty.
std::string tiny_elf() {
  std::string h(64, '\0');
  h.replace(0, 6, "\x7F" "ELF\x02\x01");
  h[0x28] = 64;
  return h;
}

std::string image_of(const std::string& front, const std::string& runtime, const app::Payload& p) {
  TempFile f(front), r(runtime), out;
  std::string why;
  EXPECT_TRUE(app::write_image(f.fd(), r.fd(), out.fd(), p, why)) << why;
  return out.bytes();
}

app::ImageStatus check_bytes(const std::string& bytes, app::Payload& p) {
  TempFile f(bytes);
  app::ImageLayout layout;
  app::ImageStatus st = app::check_image(f.fd(), layout);
  if (st == app::ImageStatus::ok && !app::read_payload(f.fd(), layout, p)) return app::ImageStatus::damaged;
  return st;
}

TEST(ExeImage, Crc32) {
  EXPECT_EQ(app::crc32_update(0, "123456789", 9), 0xCBF43926u);
  // The eight-byte steps and the byte tail agree with a split computation.
  std::string data;
  for (int i = 0; i < 1000; ++i) data += static_cast<char>(i * 37);
  const uint32_t whole = app::crc32_update(0, data.data(), data.size());
  for (size_t cut : {1u, 7u, 8u, 9u, 500u, 999u}) {
    uint32_t c = app::crc32_update(0, data.data(), cut);
    EXPECT_EQ(app::crc32_update(c, data.data() + cut, data.size() - cut), whole) << cut;
  }
}

TEST(ExeImage, PayloadRoundTripAndRefusals) {
  const app::Payload p = sample();
  const std::string enc = app::encode_payload(p);
  app::Payload back;
  ASSERT_TRUE(app::decode_payload(enc, back));
  EXPECT_EQ(back.title, p.title);
  EXPECT_EQ(back.root, p.root);
  EXPECT_EQ(back.libexec, p.libexec);
  EXPECT_EQ(back.lines, p.lines);
  for (size_t n = 0; n < enc.size(); ++n) EXPECT_FALSE(app::decode_payload(enc.substr(0, n), back)) << n;
  EXPECT_FALSE(app::decode_payload(enc + "x", back));
  // A line count no payload of this size can hold.
  std::string huge = app::encode_payload(app::Payload{});
  huge.replace(huge.size() - 8, 8, std::string("\xFF\xFF\xFF\x7F\0\0\0\0", 8));
  EXPECT_FALSE(app::decode_payload(huge, back));
}

TEST(ExeImage, ImageRoundTrip) {
  const std::string front = own_elf();
  const std::string runtime = "runtime bytes";
  const std::string img = image_of(front, runtime, sample());
  ASSERT_EQ(img.substr(0, front.size()), front);
  TempFile f(img);
  app::ImageLayout layout;
  ASSERT_EQ(app::check_image(f.fd(), layout), app::ImageStatus::ok);
  app::Head head;
  ASSERT_TRUE(app::read_head(f.fd(), front.size(), head));
  EXPECT_EQ(head.runtime_offset, layout.runtime_offset);
  EXPECT_EQ(head.root, sample().root);
  EXPECT_EQ(head.libexec, sample().libexec);
  EXPECT_EQ(img.substr(layout.runtime_offset, layout.runtime_size), runtime);
  app::Payload back;
  ASSERT_TRUE(app::read_payload(f.fd(), layout, back));
  EXPECT_EQ(back.lines, sample().lines);
  EXPECT_EQ(back.title, sample().title);
  EXPECT_EQ(app::elf_file_size(f.fd()), front.size());
}

TEST(ExeImage, EveryCutAndEveryChangedByteIsDamage) {
  // A 64-byte front keeps this exhaustive.
  const std::string front = tiny_elf();
  const std::string img = image_of(front, "runtime", sample());
  const std::string tail = img.substr(front.size());
  app::Payload back;
  for (size_t n = 0; n < tail.size(); ++n) {
    EXPECT_EQ(check_bytes(front + tail.substr(0, n), back), app::ImageStatus::damaged) << "cut at " << n;
  }
  for (size_t i = 0; i < tail.size(); ++i) {
    std::string bad = tail;
    bad[i] = static_cast<char>(bad[i] ^ 0x20);
    EXPECT_EQ(check_bytes(front + bad, back), app::ImageStatus::damaged) << "byte " << i;
  }
  for (size_t at : {size_t{0}, size_t{5}, front.size() / 2, front.size() - 1}) {
    std::string bad = img;
    bad[at] = static_cast<char>(bad[at] ^ 1);
    EXPECT_EQ(check_bytes(bad, back), app::ImageStatus::damaged) << "front byte " << at;
  }
  EXPECT_EQ(check_bytes(front.substr(0, front.size() / 2), back), app::ImageStatus::damaged);
  EXPECT_EQ(check_bytes(img + "more", back), app::ImageStatus::damaged);
  app::ImageLayout layout;
  EXPECT_EQ(app::check_image(-1, layout), app::ImageStatus::unreadable);
}

TEST(ExeImage, TheHeadTellsWhetherTheRuntimeIsWhole) {
  const std::string front = tiny_elf();
  const std::string runtime(5000, 'r');
  const std::string img = image_of(front, runtime, sample());
  app::Head head;
  {
    TempFile whole(img);
    ASSERT_TRUE(app::read_head(whole.fd(), app::elf_file_size(whole.fd()), head));
  }
  const size_t runtime_end = head.runtime_offset + runtime.size();
  TempFile end_lost(img.substr(0, runtime_end + 3));
  ASSERT_TRUE(app::read_head(end_lost.fd(), front.size(), head));
  EXPECT_TRUE(app::runtime_is_whole(end_lost.fd(), head));
  EXPECT_EQ(head.runtime_size, runtime.size());

  TempFile runtime_cut(img.substr(0, runtime_end - 1));
  ASSERT_TRUE(app::read_head(runtime_cut.fd(), front.size(), head));
  EXPECT_FALSE(app::runtime_is_whole(runtime_cut.fd(), head));
  std::string changed = img;
  changed[runtime_end - 10] = 'x';
  TempFile runtime_changed(changed);
  ASSERT_TRUE(app::read_head(runtime_changed.fd(), front.size(), head));
  EXPECT_FALSE(app::runtime_is_whole(runtime_changed.fd(), head));
  // A head cut short or with a changed folder is not trusted.
  for (size_t n = front.size(); n < head.runtime_offset; ++n) {
    TempFile cut(img.substr(0, n));
    EXPECT_FALSE(app::read_head(cut.fd(), front.size(), head)) << n;
  }
  std::string bad_root = img;
  bad_root[front.size() + 40] ^= 1;
  TempFile bad(bad_root);
  EXPECT_FALSE(app::read_head(bad.fd(), front.size(), head));
}

TEST(ExeImage, RefusesAFrontThatIsNotWholeAndAnEmptyRuntime) {
  TempFile not_elf("not an ELF"), runtime("r"), empty, out;
  std::string why;
  EXPECT_FALSE(app::write_image(not_elf.fd(), runtime.fd(), out.fd(), sample(), why));
  TempFile front(own_elf());
  EXPECT_FALSE(app::write_image(front.fd(), empty.fd(), out.fd(), sample(), why));
  EXPECT_FALSE(why.empty());
}

}  // namespace
