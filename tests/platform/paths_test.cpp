#include "platform/paths.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A fresh folder per test; files are made by UTF-8 host names.
class TempRoot {
 public:
  TempRoot() {
    std::string pattern = (fs::temp_directory_path() / "roteiral-paths-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data())) ADD_FAILURE() << "mkdtemp failed";
    path_ = buf.data();
  }
  ~TempRoot() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  void dir(const std::string& rel) { fs::create_directories(path_ + "/" + rel); }
  void file(const std::string& rel) {
    fs::path p = path_ + "/" + rel;
    fs::create_directories(p.parent_path());
    std::ofstream(p) << "x";
  }

 private:
  std::string path_;
};

// Runs a block with the current directory changed, and always changes it back.
class CwdGuard {
 public:
  explicit CwdGuard(const std::string& to) : old_(fs::current_path()) { fs::current_path(to); }
  ~CwdGuard() { fs::current_path(old_); }

 private:
  fs::path old_;
};

class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root.file("Palmir/Som/Letras/_65.wav");
    root.dir("windows");
    root.file("A\xC3\xA7\xC3\xA3o/\xC3\x8Dndice.txt");  // "Ação/Índice.txt"
    drives.roots['c' - 'a'] = root.path();
  }
  std::string r(const std::string& rest) const { return root.path() + rest; }

  TempRoot root;
  plat::DriveTable drives;
};

TEST(DriveTable, LettersComeFromTheEnvironmentAndCIsTheGivenRoot) {
  ::setenv("ROTEIRAL_DRIVE_D", "/mnt/dee", 1);
  ::setenv("ROTEIRAL_DRIVE_C", "/not/used", 1);
  ::unsetenv("ROTEIRAL_DRIVE_E");
  plat::DriveTable t = plat::DriveTable::from_environment("/the/root");
  ::unsetenv("ROTEIRAL_DRIVE_D");
  ::unsetenv("ROTEIRAL_DRIVE_C");

  EXPECT_EQ(t.root('c'), "/the/root");
  EXPECT_EQ(t.root('C'), "/the/root");
  EXPECT_EQ(t.root('d'), "/mnt/dee");
  EXPECT_EQ(t.root('D'), "/mnt/dee");
  EXPECT_EQ(t.root('e'), "");
  EXPECT_EQ(t.root('1'), "");
  EXPECT_EQ(t.root('\xE7'), "");
}

TEST_F(PathsTest, MapsDrivesSeparatorsAndLetterCase) {
  struct Case {
    const char* name;
    std::string want;  // after the root
  };
  const Case cases[] = {
      {"c:\\palmir\\som\\letras\\_65.wav", "/Palmir/Som/Letras/_65.wav"},
      {"C:\\PALMIR\\SOM\\LETRAS\\_65.WAV", "/Palmir/Som/Letras/_65.wav"},
      {"c:/palmir/som", "/Palmir/Som"},
      {"c:palmir", "/Palmir"},
      {"c:\\", "/"},
      {"c:\\palmir\\", "/Palmir/"},
      {"c:\\palmir\\\\som", "/Palmir//Som"},
      // Windows-1252 upper case of accented letters finds the UTF-8 lower-case name.
      {"c:\\A\xC7\xC3O\\\xCDNDICE.TXT", "/A\xC3\xA7\xC3\xA3o/\xC3\x8Dndice.txt"},
      // Names to be created keep their spelling, also below a missing folder.
      {"c:\\palmir\\Novo.txt", "/Palmir/Novo.txt"},
      {"c:\\Nada\\palmir\\som", "/Nada/palmir/som"},
      {"c:\\palmir\\.\\som\\..\\SOM", "/Palmir/./Som/../Som"},
      {"c:\\windows\\..\\palmir", "/windows/../Palmir"},
      {"c:\\Caf\xE9.txt", "/Caf\xC3\xA9.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(plat::host_path(drives, c.name), r(c.want));
  }
  EXPECT_EQ(plat::host_path(drives, "c:"), root.path());
}

TEST_F(PathsTest, RefusesMissingDrivesAndBadNames) {
  EXPECT_EQ(plat::host_path(drives, "q:\\x"), std::nullopt);
  EXPECT_EQ(plat::host_path(drives, "Q:"), std::nullopt);
  EXPECT_EQ(plat::host_path(drives, ""), std::nullopt);
  EXPECT_EQ(plat::host_path(drives, std::string_view("c:\\pal\0mir", 10)), std::nullopt);
  EXPECT_EQ(plat::host_path(plat::DriveTable{}, "c:\\palmir"), std::nullopt);
}

TEST_F(PathsTest, OtherDriveLettersAndARootWithTrailingSlash) {
  TempRoot other;
  other.file("Dados/lista.txt");
  drives.roots['d' - 'a'] = other.path() + "/";
  EXPECT_EQ(plat::host_path(drives, "D:\\DADOS\\LISTA.TXT"), other.path() + "/Dados/lista.txt");
  EXPECT_EQ(plat::host_path(drives, "d:dados"), other.path() + "/Dados");
}

TEST_F(PathsTest, PosixAbsoluteAndRelativeNames) {
  EXPECT_EQ(plat::host_path(drives, root.path() + "/PALMIR/som"), r("/Palmir/Som"));
  EXPECT_EQ(plat::host_path(drives, "/"), "/");

  CwdGuard cwd(root.path());
  EXPECT_EQ(plat::host_path(drives, "palmir\\som\\letras"), "Palmir/Som/Letras");
  EXPECT_EQ(plat::host_path(drives, ".\\PALMIR"), "./Palmir");
  EXPECT_EQ(plat::host_path(drives, "palmir\\..\\WINDOWS"), "Palmir/../windows");
  EXPECT_EQ(plat::host_path(drives, "novo.cmd"), "novo.cmd");
}

TEST_F(PathsTest, NamesDifferingOnlyInCaseChooseExactThenByteOrder) {
  root.file("dup/Dup");
  root.file("dup/DUP");
  root.file("dup/dUP");
  // Byte order: "DUP" < "Dup" < "dUP".
  EXPECT_EQ(plat::host_path(drives, "c:\\dup\\dup"), r("/dup/DUP"));
  EXPECT_EQ(plat::host_path(drives, "c:\\dup\\Dup"), r("/dup/Dup"));
  EXPECT_EQ(plat::host_path(drives, "c:\\dup\\dUP"), r("/dup/dUP"));
}

TEST_F(PathsTest, FoldsOnlyLettersOfTheCodePage) {
  root.file("x/\xC3\x97");   // U+00D7 multiplication sign, byte 0xD7
  root.file("x/\xC3\x9F");   // U+00DF sharp s, byte 0xDF
  root.file("x/\xC3\x89");   // U+00C9, byte 0xC9
  // 0xF7 (division sign) and 0xFF (y with diaeresis) are not the lower case of 0xD7, 0xDF.
  EXPECT_EQ(plat::host_path(drives, "c:\\x\\\xF7"), r("/x/\xC3\xB7"));
  EXPECT_EQ(plat::host_path(drives, "c:\\x\\\xFF"), r("/x/\xC3\xBF"));
  EXPECT_EQ(plat::host_path(drives, "c:\\X\\\xE9"), r("/x/\xC3\x89"));
}

TEST_F(PathsTest, OddBytesAndLongNamesDoNotBreakIt) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  auto odd = plat::host_path(drives, "c:\\" + all);
  ASSERT_TRUE(odd.has_value());
  EXPECT_EQ(odd->rfind(root.path() + "/", 0), 0u);

  std::string deep;
  for (int i = 0; i < 2000; ++i) deep += "palmir\\";
  auto long_name = plat::host_path(drives, "c:\\" + deep + std::string(10000, 'a'));
  ASSERT_TRUE(long_name.has_value());
  EXPECT_EQ(long_name->rfind(r("/Palmir/palmir/"), 0), 0u);

  auto slashes = plat::host_path(drives, std::string(5000, '\\'));
  EXPECT_EQ(slashes, std::string(5000, '/'));
}

TEST(CurrentDirectory, IsTheHostPathInWindows1252) {
  TempRoot root;
  root.dir("A\xC3\xA7\xC3\xA3o");
  std::string canonical = fs::canonical(root.path()).string();
  CwdGuard cwd(root.path() + "/A\xC3\xA7\xC3\xA3o");
  EXPECT_EQ(plat::current_directory(), canonical + "/A\xE7\xE3o");
}

}  // namespace
