#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "speech/znsapi.h"

namespace {

namespace fs = std::filesystem;

// A drive c: in a fresh folder, with the Windows directory and a start directory in it.
class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "roteiral-config-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    ASSERT_NE(::mkdtemp(buf.data()), nullptr);
    root = buf.data();
    fs::create_directories(root + "/windows");
    fs::create_directories(root + "/start");
    drives.roots['c' - 'a'] = root;
    ctx.drives = &drives;
    ctx.windows_dir = "c:\\windows";
    ctx.start_dir = "c:\\start";
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  void write(const std::string& rel, const std::string& text) {
    std::ofstream(root + "/" + rel, std::ios::binary | std::ios::trunc) << text;
  }
  void windows_ini(const std::string& text) { write("windows/ZUNAPE.INI", text); }
  void start_ini(const std::string& text) { write("start/ZUNAPE.INI", text); }

  std::string root;
  plat::DriveTable drives;
  speech::ConfigContext ctx;
};

TEST_F(ConfigTest, TheWindowsCopyWinsOverTheStartCopy) {
  start_ini("[ROTEIRAL]\nDIRROTEIRAL=from start\nONLYSTART=x\n");
  EXPECT_EQ(speech::profile_file(ctx), root + "/start/ZUNAPE.INI");
  EXPECT_EQ(speech::read_config(ctx, "ROTEIRAL", "DIRROTEIRAL"), "from start");

  windows_ini("[ROTEIRAL]\nDIRROTEIRAL=from windows\n");
  EXPECT_EQ(speech::profile_file(ctx), root + "/windows/ZUNAPE.INI");
  EXPECT_EQ(speech::read_config(ctx, "roteiral", "dirroteiral"), "from windows");
  EXPECT_EQ(speech::read_config(ctx, "ROTEIRAL", "ONLYSTART"), "");
}

TEST_F(ConfigTest, TheWindowsDirectoryIsFoundWhateverItsLetterCase) {
  fs::remove_all(root + "/windows");
  fs::create_directories(root + "/Windows");
  write("Windows/zunape.ini", "[ZUNAPE]\nK=found\n");
  start_ini("[ZUNAPE]\nK=start\n");
  ctx.windows_dir = "C:\\WINDOWS\\";
  EXPECT_EQ(speech::profile_file(ctx), root + "/Windows/zunape.ini");
  EXPECT_EQ(speech::read_config(ctx, "", "K"), "found");
  EXPECT_EQ(speech::read_profile_direct(ctx, "ZUNAPE", "K", 254), "found");
}

TEST_F(ConfigTest, MissingFilesSectionsAndKeysGiveEmptyText) {
  EXPECT_EQ(speech::read_config(ctx, "ROTEIRAL", "DIRROTEIRAL"), "");
  EXPECT_EQ(speech::read_profile_direct(ctx, "TRADUTOR", "DIRLETRAS", 255), "");

  windows_ini("[ROTEIRAL]\nDIRROTEIRAL=x\n");
  EXPECT_EQ(speech::read_config(ctx, "OUTRA", "DIRROTEIRAL"), "");
  EXPECT_EQ(speech::read_config(ctx, "ROTEIRAL", "OUTRA"), "");

  speech::ConfigContext no_drives;
  no_drives.start_dir = "c:\\start";
  EXPECT_EQ(speech::read_config(no_drives, "ROTEIRAL", "DIRROTEIRAL"), "");
  EXPECT_EQ(speech::read_profile_direct(no_drives, "ROTEIRAL", "DIRROTEIRAL", 254), "");
}

TEST_F(ConfigTest, AnEmptySectionMeansZunape) {
  windows_ini("[OUTRA]\nTIMEOUT_REDE=1\n[ZUNAPE]\nTIMEOUT_REDE=30000\n");
  EXPECT_EQ(speech::read_config(ctx, "", "TIMEOUT_REDE"), "30000");
}

TEST_F(ConfigTest, MarkersExpandToTheProgramDirectory) {
  struct Case {
    const char* stored;
    const char* want;
  };
  const Case cases[] = {
      {"@\\scripts", "d:\\pgm\\scripts"},
      {"c:\\dados@\\lista.txt", "c:\\dadosd:\\pgm\\lista.txt"},
      {"a@\\b@\\c", "ad:\\pgm\\bd:\\pgm\\c"},
      {"@x@\\y", "d:\\pgmxd:\\pgm\\y"},
      {"@@\\x", "d:\\pgmd:\\pgm\\x"},
      {"@", "d:\\pgm"},
      {"nome@provedor.com", "nome@provedor.com"},
      {"fim@", "fim@"},
      {"sem marcador", "sem marcador"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    windows_ini(std::string("[ZUNAPE]\nPGMZUNAPE=d:\\pgm\n[ROTEIRAL]\nV=") + c.stored + "\n");
    EXPECT_EQ(speech::read_config(ctx, "ROTEIRAL", "V"), c.want);
  }
}

TEST_F(ConfigTest, AnEmptyOrMarkedProgramDirectoryFallsBackToTheStartDirectory) {
  for (const char* pgm : {"PGMZUNAPE=\n", "PGMZUNAPE=@\\outro\n", "", "PGMZUNAPE=@\n"}) {
    SCOPED_TRACE(pgm);
    windows_ini(std::string("[ZUNAPE]\n") + pgm + "V=@\\som\nW=x@\\y\n");
    EXPECT_EQ(speech::read_config(ctx, "", "V"), "c:\\start\\som");
    EXPECT_EQ(speech::read_config(ctx, "", "W"), "xc:\\start\\y");
  }
  // The program directory read through itself expands to the start directory.
  windows_ini("[ZUNAPE]\nPGMZUNAPE=@\\pgm\n");
  EXPECT_EQ(speech::read_config(ctx, "", "PGMZUNAPE"), "c:\\start\\pgm");
}

TEST_F(ConfigTest, AProgramDirectoryThatBringsMarkersStillEnds) {
  struct Case {
    const char* pgm;
    const char* stored;
    const char* want;
  };
  const Case cases[] = {
      {"c:\\a@\\b", "@\\x", "c:\\a@\\b\\x"},
      {"c:\\a@\\b", "p@\\q@\\r", "pc:\\a@\\b\\qc:\\a@\\b\\r"},
      {"c:\\fim@", "@\\x", "c:\\fim@\\x"},
      {"c:\\fim@", "y@\\x", "yc:\\fim@\\x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.pgm) + " " + c.stored);
    windows_ini(std::string("[ZUNAPE]\nPGMZUNAPE=") + c.pgm + "\nV=" + c.stored + "\n");
    EXPECT_EQ(speech::read_config(ctx, "", "V"), c.want);
  }
  // A start directory holding a marker is inserted as it is, too.
  ctx.start_dir = "c:\\x@";
  windows_ini("[ZUNAPE]\nV=@\\y\n");
  EXPECT_EQ(speech::read_config(ctx, "", "V"), "c:\\x@\\y");
}

TEST_F(ConfigTest, TheStoredValueIsCutBeforeExpansion) {
  std::string long_value = "@\\" + std::string(300, 'a');
  windows_ini("[ZUNAPE]\nPGMZUNAPE=d:\\pgm\nV=" + long_value + "\n");
  EXPECT_EQ(speech::read_config(ctx, "", "V"), "d:\\pgm\\" + std::string(252, 'a'));
}

TEST_F(ConfigTest, TheDirectReadTakesTheWindowsCopyAsStored) {
  start_ini("[TRADUTOR]\nDIRLETRAS=c:\\start\\letras\\\n");
  EXPECT_EQ(speech::read_profile_direct(ctx, "TRADUTOR", "DIRLETRAS", 255), "");

  windows_ini("[ZUNAPE]\nPGMZUNAPE=d:\\pgm\n[TRADUTOR]\nDIRLETRAS=@\\letras\\\nDIRDIFONES=" +
              std::string(100, 'd') + "\n");
  EXPECT_EQ(speech::read_profile_direct(ctx, "tradutor", "dirletras", 255), "@\\letras\\");
  EXPECT_EQ(speech::read_profile_direct(ctx, "TRADUTOR", "DIRDIFONES", 80), std::string(80, 'd'));
}

}  // namespace
