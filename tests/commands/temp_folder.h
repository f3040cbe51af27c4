// A fresh folder per test, removed afterwards; files are made by UTF-8 host names.
#pragma once
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace cmdtest {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "roteiral-cmds-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data())) ADD_FAILURE() << "mkdtemp failed";
    path_ = buf.data();
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string at(const std::string& rel) const { return path_ + "/" + rel; }
  void dir(const std::string& rel) const { std::filesystem::create_directories(at(rel)); }
  void file(const std::string& rel, const std::string& bytes = "x") const {
    std::ofstream(at(rel), std::ios::binary) << bytes;
  }
  std::string read(const std::string& rel) const {
    std::ifstream f(at(rel), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
  bool exists(const std::string& rel) const {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(at(rel), ec));
  }

 private:
  std::string path_;
};

// Bytes that show every value: 0..255 repeated, then a counter.
inline std::string pattern_bytes(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
  return s;
}

}  // namespace cmdtest
