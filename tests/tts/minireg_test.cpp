// The registry file: key and value names, default values, types and missing pieces.
#include "tts/minireg.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

namespace {

class RegistryTest : public ::testing::Test {
 protected:
  std::string root;
  plat::DriveTable drives;
  elzar::Registry reg;

  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "minireg-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root = pattern;
    std::filesystem::create_directories(root + "/windows");
    drives.roots[2] = root;
    reg.drives = &drives;
  }
  void TearDown() override { std::filesystem::remove_all(root); }
  void file(const std::string& text) { std::ofstream(root + "/windows/REGISTRO.INI", std::ios::binary) << text; }
  std::optional<std::string> get(std::string_view path, elzar::RegistryRoot r = elzar::RegistryRoot::local_machine) {
    std::string out = "junk";
    if (!elzar::read_registry_string(reg, r, path, out)) {
      EXPECT_EQ(out, "");
      return std::nullopt;
    }
    return out;
  }
};

TEST_F(RegistryTest, KeysValuesAndDefaults) {
  file("; the synthesiser's voices\r\n"
       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\TCTS\\Mbrola\\databases\\BR4]\r\n"
       "@ = c:\\palmir\\elzartts\\br4\r\n"
       "Dir=\"c:\\voz \"\r\n"
       "Count=dword:00000002\r\n"
       "[hklm\\software\\outro]\n"
       "=padr\xE3o\n"
       "[HKCU\\SOFTWARE\\TCTS\\Mbrola\\databases\\BR4]\n"
       "@=do usu\xE1rio\n"
       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vazio]\n"
       "@=\n");
  struct Case {
    std::string_view path;
    std::optional<std::string> want;
  } cases[] = {
      {"SOFTWARE\\TCTS\\Mbrola\\databases\\BR4\\", "c:\\palmir\\elzartts\\br4"},
      {"software\\tcts\\mbrola\\DATABASES\\br4\\", "c:\\palmir\\elzartts\\br4"},  // names fold
      {"SOFTWARE\\TCTS\\Mbrola\\databases\\BR4\\dir", "c:\\voz "},             // quotes keep the blank
      {"SOFTWARE\\TCTS\\Mbrola\\databases\\BR4", std::nullopt},  // value BR4 of key databases
      {"SOFTWARE\\TCTS\\Mbrola\\databases\\BR4\\Count", std::nullopt},  // a number, not a string
      {"SOFTWARE\\TCTS\\Mbrola\\databases\\BR4\\Missing", std::nullopt},
      {"SOFTWARE\\OUTRO\\", "padr\xE3o"},  // short root name and an empty value name
      {"SOFTWARE\\Vazio\\", ""},            // an empty string exists
      {"SOFTWARE\\Nada\\", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(get(c.path), c.want) << c.path;
  EXPECT_EQ(get("SOFTWARE\\TCTS\\Mbrola\\databases\\BR4\\", elzar::RegistryRoot::current_user), "do usu\xE1rio");
  EXPECT_EQ(get("SOFTWARE\\OUTRO\\", elzar::RegistryRoot::users), std::nullopt);
}

TEST_F(RegistryTest, MissingFileOrDriveReadsNothing) {
  EXPECT_EQ(get("SOFTWARE\\X\\"), std::nullopt);
  file("[HKLM\\SOFTWARE\\X]\n@=1\n");
  EXPECT_EQ(get("SOFTWARE\\X\\"), "1");
  reg.drives = nullptr;
  EXPECT_EQ(get("SOFTWARE\\X\\"), std::nullopt);
}

TEST_F(RegistryTest, HostileFilesAreCutOrIgnored) {
  // A section without its bracket, a line without '=', a value longer than the capacity.
  file("[HKLM\\SOFTWARE\\X\n@=not here\n[HKLM\\SOFTWARE\\Y]\nnoequals\n@=" + std::string(10000, 'a') + "\n");
  EXPECT_EQ(get("SOFTWARE\\X\\"), std::nullopt);
  const auto y = get("SOFTWARE\\Y\\");
  ASSERT_TRUE(y.has_value());
  EXPECT_EQ(y->size(), elzar::kRegistryValueMax);
}

}  // namespace
