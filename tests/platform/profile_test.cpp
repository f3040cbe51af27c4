#include "platform/profile.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <vector>

namespace {

namespace fs = std::filesystem;

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "roteiral-profile-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    ASSERT_NE(::mkdtemp(buf.data()), nullptr);
    dir = buf.data();
    ini = dir + "/ZUNAPE.INI";
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  void write(const std::string& bytes) {
    std::ofstream out(ini, std::ios::binary | std::ios::trunc);
    out << bytes;
  }

  std::string dir;
  std::string ini;
};

// Lines joined with the given line end.
std::string lines(std::initializer_list<const char*> ls, const char* eol) {
  std::string s;
  for (const char* l : ls) s += std::string(l) + eol;
  return s;
}

TEST_F(ProfileTest, FindsKeysTheWayTheProfileServiceDoes) {
  const auto text = {
      "; comment line",
      "Top=before any section",
      "[Zunape]",
      "  PgmZunape =   c:\\palmir   ",
      "Quoted=\"  spaced  \"",
      "Single='x'",
      "Mixed=\"x'",
      "OnlyQuote=\"",
      "Inner=a \"b\" c",
      "Empty=",
      "Dup=first",
      "DUP=second",
      "Eq=a=b",
      "\tTabbed\t=\tv\t",
      "  ;Commented=yes",
      "NoEquals",
      "Nome=Jos\xE9 Ara\xFAjo",
      "[ other ]",
      "Key=other value",
      "[\xC1REA]",
      "K=accented section",
      "[ZUNAPE]",
      "Late=in the second section",
      "Dup=third",
  };
  struct Case {
    const char* section;
    const char* key;
    const char* want;
  };
  const Case cases[] = {
      {"ZUNAPE", "PGMZUNAPE", "c:\\palmir"},
      {"zunape", "pgmzunape", "c:\\palmir"},
      {"ZUNAPE", "Quoted", "  spaced  "},
      {"ZUNAPE", "Single", "x"},
      {"ZUNAPE", "Mixed", "\"x'"},
      {"ZUNAPE", "OnlyQuote", "\""},
      {"ZUNAPE", "Inner", "a \"b\" c"},
      {"ZUNAPE", "Empty", ""},
      {"ZUNAPE", "Dup", "first"},
      {"ZUNAPE", "Eq", "a=b"},
      {"ZUNAPE", "Tabbed", "v"},
      {"ZUNAPE", "Commented", ""},
      {"ZUNAPE", ";Commented", ""},
      {"ZUNAPE", "NoEquals", ""},
      {"ZUNAPE", "Nome", "Jos\xE9 Ara\xFAjo"},
      {"OTHER", "key", "other value"},
      {"\xC1REA", "k", "accented section"},
      {"ZUNAPE", "Late", ""},
      {"ZUNAPE", "Top", ""},
      {"Missing", "Key", ""},
      {"ZUNAPE", "Missing", ""},
  };
  for (const char* eol : {"\n", "\r\n"}) {
    write(lines(text, eol));
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.section) + "/" + c.key + (eol[0] == '\r' ? " CRLF" : " LF"));
      EXPECT_EQ(plat::profile_get(ini, c.section, c.key), c.want);
    }
  }
}

TEST_F(ProfileTest, CutsValuesToTheBuffer) {
  write("[S]\nK=abcdef\nLong=" + std::string(1000, 'v') + "\nQ=\"abcdef\"\nLast=end");
  EXPECT_EQ(plat::profile_get(ini, "S", "K", 3), "abc");
  EXPECT_EQ(plat::profile_get(ini, "S", "K", 0), "");
  EXPECT_EQ(plat::profile_get(ini, "S", "Q", 4), "abcd");
  EXPECT_EQ(plat::profile_get(ini, "S", "Long"), std::string(254, 'v'));
  EXPECT_EQ(plat::profile_get(ini, "S", "Last"), "end");
}

TEST_F(ProfileTest, ANulByteEndsTheValue) {
  write(std::string("[S]\nZ=ab\0cd\nNext=ok\n", 20));
  EXPECT_EQ(plat::profile_get(ini, "S", "Z"), "ab");
  EXPECT_EQ(plat::profile_get(ini, "S", "Next"), "ok");
}

TEST_F(ProfileTest, MissingOrUnreadableFilesGiveEmptyText) {
  EXPECT_EQ(plat::profile_get(dir + "/none.ini", "S", "K"), "");
  EXPECT_EQ(plat::profile_get(dir, "S", "K"), "");
  EXPECT_EQ(plat::profile_get("", "S", "K"), "");
  write("");
  EXPECT_EQ(plat::profile_get(ini, "S", "K"), "");
}

TEST_F(ProfileTest, AFifoInPlaceOfTheFileDoesNotHang) {
  std::string fifo = dir + "/fifo.ini";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  auto result = std::async(std::launch::async, [&] { return plat::profile_get(fifo, "S", "K"); });
  ASSERT_EQ(result.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_EQ(result.get(), "");
}

TEST_F(ProfileTest, HugeLinesAreReadAndHugeFilesRefused) {
  write("[S]\nJunk=" + std::string(3 * 1024 * 1024, 'j') + "\nK=after\n" +
        std::string(2 * 1024 * 1024, '[') + "\n");
  EXPECT_EQ(plat::profile_get(ini, "S", "K"), "after");
  EXPECT_EQ(plat::profile_get(ini, "S", "Junk").size(), 254u);

  write("[S]\nK=v\n");
  ASSERT_EQ(::truncate(ini.c_str(), 17 * 1024 * 1024), 0);
  EXPECT_EQ(plat::profile_get(ini, "S", "K"), "");
}

}  // namespace
