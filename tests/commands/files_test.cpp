// Whole-file operations: the REPLICA block loop, no-replace rename, deletes, directories.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "commands/files.h"
#include "temp_folder.h"

namespace {

using cmdtest::TempFolder;

TEST(Copy, SeventyThousandBytesInThreeBlocks) {
  TempFolder t;
  const std::string data = cmdtest::pattern_bytes(70000);
  t.file("fonte.bin", data);
  auto r = cmds::copy_file(t.at("fonte.bin"), t.at("alvo.bin"));
  EXPECT_EQ(r.result, cmds::CopyResult::ok);
  EXPECT_EQ(r.blocks, (std::vector<size_t>{30000, 30000, 10000}));
  EXPECT_EQ(t.read("alvo.bin"), data);
}

TEST(Copy, EmptySourceGivesEmptyTarget) {
  TempFolder t;
  t.file("vazio", "");
  t.file("alvo", "conteudo antigo");
  auto r = cmds::copy_file(t.at("vazio"), t.at("alvo"));
  EXPECT_EQ(r.result, cmds::CopyResult::ok);
  EXPECT_TRUE(r.blocks.empty());
  EXPECT_TRUE(t.exists("alvo"));
  EXPECT_EQ(t.read("alvo"), "");
}

TEST(Copy, ExactMultipleOfTheBlock) {
  TempFolder t;
  const std::string data = cmdtest::pattern_bytes(60000);
  t.file("f", data);
  auto r = cmds::copy_file(t.at("f"), t.at("g"));
  EXPECT_EQ(r.blocks, (std::vector<size_t>{30000, 30000}));
  EXPECT_EQ(t.read("g"), data);
}

TEST(Copy, MissingSourceLeavesTheTargetAlone) {
  TempFolder t;
  t.file("alvo", "guardado");
  EXPECT_EQ(cmds::copy_file(t.at("nada"), t.at("alvo")).result, cmds::CopyResult::source_open_failed);
  EXPECT_EQ(t.read("alvo"), "guardado");
  EXPECT_EQ(cmds::copy_file(t.at("nada"), t.at("novo")).result, cmds::CopyResult::source_open_failed);
  EXPECT_FALSE(t.exists("novo"));
}

TEST(Copy, DirectorySourceDoesNotOpen) {
  TempFolder t;
  t.dir("pasta");
  EXPECT_EQ(cmds::copy_file(t.at("pasta"), t.at("alvo")).result, cmds::CopyResult::source_open_failed);
  EXPECT_FALSE(t.exists("alvo"));
}

TEST(Copy, TargetThatCannotBeCreated) {
  TempFolder t;
  t.file("f", "abc");
  t.dir("pasta");
  EXPECT_EQ(cmds::copy_file(t.at("f"), t.at("pasta")).result, cmds::CopyResult::target_open_failed);
  EXPECT_EQ(cmds::copy_file(t.at("f"), t.at("sem/pasta")).result, cmds::CopyResult::target_open_failed);
}

TEST(Copy, OntoItselfIsRefusedAndNothingIsLost) {
  TempFolder t;
  t.file("f", "precioso");
  EXPECT_EQ(cmds::copy_file(t.at("f"), t.at("f")).result, cmds::CopyResult::same_file);
  ASSERT_EQ(::link(t.at("f").c_str(), t.at("g").c_str()), 0);
  EXPECT_EQ(cmds::copy_file(t.at("f"), t.at("g")).result, cmds::CopyResult::same_file);
  EXPECT_EQ(t.read("f"), "precioso");
}

TEST(Copy, WriteErrorIsReported) {
  TempFolder t;
  t.file("f", "abc");
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  EXPECT_EQ(cmds::copy_file(t.at("f"), "/dev/full").result, cmds::CopyResult::write_failed);
}

TEST(Copy, ReadErrorIsReported) {
  TempFolder t;
  t.dir("pasta");
  int in = ::open(t.at("pasta").c_str(), O_RDONLY);  // reading a directory fails with EISDIR
  int out = ::open(t.at("alvo").c_str(), O_WRONLY | O_CREAT, 0600);
  ASSERT_GE(in, 0);
  ASSERT_GE(out, 0);
  EXPECT_EQ(cmds::copy_stream(in, out).result, cmds::CopyResult::read_failed);
  ::close(in);
  ::close(out);
}

TEST(Remove, FilesButNotDirectories) {
  TempFolder t;
  t.file("f");
  t.dir("d");
  EXPECT_TRUE(cmds::remove_file(t.at("f")));
  EXPECT_FALSE(t.exists("f"));
  EXPECT_FALSE(cmds::remove_file(t.at("f")));
  EXPECT_FALSE(cmds::remove_file(t.at("d")));
  EXPECT_TRUE(t.exists("d"));
}

TEST(Rename, MovesButNeverReplaces) {
  TempFolder t;
  t.file("velho", "1");
  t.file("outro", "2");
  t.dir("pasta");
  EXPECT_FALSE(cmds::rename_file(t.at("velho"), t.at("outro")));
  EXPECT_EQ(t.read("velho"), "1");
  EXPECT_EQ(t.read("outro"), "2");
  EXPECT_TRUE(cmds::rename_file(t.at("velho"), t.at("pasta/novo")));
  EXPECT_FALSE(t.exists("velho"));
  EXPECT_EQ(t.read("pasta/novo"), "1");
  EXPECT_FALSE(cmds::rename_file(t.at("velho"), t.at("x")));
  EXPECT_TRUE(cmds::rename_file(t.at("pasta"), t.at("pasta2")));  // directories move too
  EXPECT_EQ(t.read("pasta2/novo"), "1");
}

TEST(Directories, CreateChangeRemove) {
  TempFolder t;
  EXPECT_TRUE(cmds::make_directory(t.at("d")));
  EXPECT_FALSE(cmds::make_directory(t.at("d")));
  EXPECT_FALSE(cmds::make_directory(t.at("a/b")));  // parents are not made
  t.file("d/f");
  EXPECT_FALSE(cmds::remove_directory(t.at("d")));  // not empty
  char old[4096];
  ASSERT_NE(::getcwd(old, sizeof old), nullptr);
  EXPECT_TRUE(cmds::change_directory(t.at("d")));
  EXPECT_TRUE(cmds::remove_file("f"));
  EXPECT_FALSE(cmds::change_directory(t.at("nada")));
  ASSERT_EQ(::chdir(old), 0);
  EXPECT_TRUE(cmds::remove_directory(t.at("d")));
  EXPECT_FALSE(cmds::remove_directory(t.at("d")));
}

}  // namespace
