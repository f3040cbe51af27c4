// Helpers of the ELZAR tests: readable UTF-8 texts for the engine's Windows-1252 bytes, and
// a scratch folder for data files.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace elzar_test {

// Test texts are written in UTF-8 for reading; the engine works on Windows-1252 bytes.
inline std::string w(std::string_view utf8) { return plat::utf8_to_cp1252(utf8); }

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "elzar-data-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) ADD_FAILURE() << "mkdtemp failed";
    path_ = pattern;
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  std::string write(const std::string& name, const std::string& bytes) const {
    const std::string p = path_ + "/" + name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }

 private:
  std::string path_;
};

}  // namespace elzar_test
