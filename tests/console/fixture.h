// Test helpers: a console on a scripted backend, typed keys in terminal notation.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "console/ZnCrt.h"
#include "console/keys.h"

namespace zn::test {

// Keys come from a notation string through the terminal decoder; every call is counted.
class ScriptedBackend : public ConsoleBackend {
 public:
  std::string typed;   // bytes not yet delivered
  std::string output;  // everything copy_output saw
  std::vector<std::string> log;  // "open", "present", "bell", "title", "visibility", "close"
  int pumps = 0;
  bool key_release = false;  // as a window backend: key_press and key_release come

  void open(Console&) override { log.push_back("open"); }
  bool pump(Console& con, int) override {
    ++pumps;
    decoder_.feed(typed);
    typed.clear();
    const int before = con.key_count();
    decoder_.decode(con, true);
    return con.key_count() > before || !decoder_.empty();
  }
  void present(const Console&) override { log.push_back("present"); }
  void copy_output(std::string_view bytes) override { output += bytes; }
  void bell() override { log.push_back("bell"); }
  void title_changed(const Console&) override { log.push_back("title"); }
  void visibility_changed(const Console&) override { log.push_back("visibility"); }
  void close() override { log.push_back("close"); }
  bool has_key_release() const override { return key_release; }

 private:
  KeyDecoder decoder_;
};

class ConsoleTest : public ::testing::Test {
 protected:
  ConsoleTest() {
    auto b = std::make_unique<ScriptedBackend>();
    backend = b.get();
    con.set_backend(std::move(b));
    con.set_quit_handler([this](int code) { quits.push_back(code); });
  }

  void type(const std::string& notation) { backend->typed += notation; }

  // Row r (0-based) as stored, trailing blanks removed.
  std::string row(int r) const {
    std::string s;
    for (int c = 0; c < kCols; ++c) s += static_cast<char>(con.char_at(c, r));
    return s.substr(0, s.find_last_not_of(' ') + 1);
  }

  // The key buffer's bytes, emptied.
  std::string drain() {
    std::string s;
    while (con.key_count() > 0) s += static_cast<char>(con.read_key());
    return s;
  }

  Console con;
  ScriptedBackend* backend;
  std::vector<int> quits;
};

// A scratch folder removed at the end of the test.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "roteiral-console-XXXXXX").string();
    if (mkdtemp(pattern.data())) path = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::string file(const std::string& name, const std::string& bytes) const {
    const std::string p = path + "/" + name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  std::string path;
};

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace zn::test
