// Directory search in temp folders: name order, the attribute rules, directory parts.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "commands/dirsearch.h"
#include "platform/paths.h"
#include "temp_folder.h"

namespace {

using cmdtest::TempFolder;

// Every name a search hands out: the first, then each next until nothing is left.
std::vector<std::string> walk(cmds::DirSearch& s, const plat::DriveTable& d, const std::string& pattern,
                              uint32_t required) {
  std::vector<std::string> out;
  auto first = s.start(d, pattern, required);
  if (!first) return out;
  out.push_back(*first);
  while (auto n = s.next()) out.push_back(*n);
  return out;
}

using Names = std::vector<std::string>;

TEST(DirSearch, FilesInNameOrderWithoutHiddenOrDirectories) {
  TempFolder t;
  for (const char* n : {"b.txt", "C.TXT", "a.txt", ".oculto.txt", "notes.doc", "README"}) t.file(n);
  t.dir("d.txt");
  plat::DriveTable d;
  cmds::DirSearch s;
  // Bytewise: upper case sorts before lower case.
  EXPECT_EQ(walk(s, d, t.path() + "/*.txt", cmds::kAttrArchive), (Names{"C.TXT", "a.txt", "b.txt"}));
  EXPECT_EQ(walk(s, d, t.path() + "/*", cmds::kAttrArchive), (Names{"C.TXT", "README", "a.txt", "b.txt", "notes.doc"}));
  EXPECT_EQ(walk(s, d, t.path() + "/*.", cmds::kAttrArchive), (Names{"README"}));
  EXPECT_EQ(walk(s, d, t.path() + "/readme", cmds::kAttrArchive), (Names{"README"}));
  EXPECT_EQ(walk(s, d, t.path() + "/.oculto.txt", cmds::kAttrArchive), Names{});
  EXPECT_EQ(walk(s, d, t.path() + "/d.txt", cmds::kAttrArchive), Names{});
  EXPECT_EQ(walk(s, d, t.path() + "/*.xyz", cmds::kAttrArchive), Names{});
}

TEST(DirSearch, ThreeMatchesThenNothing) {
  TempFolder t;
  for (const char* n : {"um.cmd", "dois.cmd", "tres.cmd", "outro.txt"}) t.file(n);
  plat::DriveTable d;
  cmds::DirSearch s;
  EXPECT_EQ(s.start(d, t.path() + "/*.cmd", cmds::kAttrArchive), "dois.cmd");
  EXPECT_EQ(s.next(), "tres.cmd");
  EXPECT_EQ(s.next(), "um.cmd");
  EXPECT_EQ(s.next(), std::nullopt);
  EXPECT_EQ(s.next(), std::nullopt);
}

TEST(DirSearch, DirectorySearchFirstMatchMayBeAFileTheNextOnesAreDirectories) {
  TempFolder t;
  t.file("a-arquivo");
  t.dir("b-pasta");
  t.file("c-arquivo");
  t.dir("d-pasta");
  t.dir(".e-oculta");
  plat::DriveTable d;
  cmds::DirSearch s;
  // The first entry is not tested for the directory bit; the following ones are.
  EXPECT_EQ(walk(s, d, t.path() + "/*", cmds::kAttrDirectory), (Names{"a-arquivo", "b-pasta", "d-pasta"}));
  EXPECT_EQ(walk(s, d, t.path() + "/b*", cmds::kAttrDirectory), (Names{"b-pasta"}));
  EXPECT_EQ(walk(s, d, t.path() + "/.e*", cmds::kAttrDirectory), Names{});
}

TEST(DirSearch, FileSearchContinuedSkipsWhatIsNotARegularFile) {
  TempFolder t;
  t.file("a");
  ASSERT_EQ(::mkfifo(t.at("b").c_str(), 0600), 0);
  ASSERT_EQ(::symlink("nowhere", t.at("c").c_str()), 0);  // a broken link
  ASSERT_EQ(::symlink("a", t.at("d").c_str()), 0);        // a link to a file is a file
  plat::DriveTable d;
  cmds::DirSearch s;
  EXPECT_EQ(walk(s, d, t.path() + "/*", cmds::kAttrArchive), (Names{"a", "d"}));
  // ... but the first match is handed out as it comes.
  EXPECT_EQ(walk(s, d, t.path() + "/b", cmds::kAttrArchive), (Names{"b"}));
}

TEST(DirSearch, AttributesOnLinux) {
  TempFolder t;
  t.file("f");
  t.file(".h");
  t.dir("p");
  EXPECT_EQ(cmds::entry_attributes("f", t.at("f")), cmds::kAttrArchive);
  EXPECT_EQ(cmds::entry_attributes(".h", t.at(".h")), cmds::kAttrArchive | cmds::kAttrHidden);
  EXPECT_EQ(cmds::entry_attributes("p", t.at("p")), cmds::kAttrDirectory);
}

TEST(DirSearch, DirectoryPartsDrivesAndBackslashes) {
  TempFolder t;
  t.dir("Scripts/Sub");
  t.file("Scripts/x.cmd");
  t.file("Scripts/Sub/y.txt");
  t.file("top.cmd");
  plat::DriveTable d;
  d.roots['c' - 'a'] = t.path();
  cmds::DirSearch s;
  EXPECT_EQ(walk(s, d, "c:\\scripts\\*.cmd", cmds::kAttrArchive), (Names{"x.cmd"}));
  EXPECT_EQ(walk(s, d, "C:\\SCRIPTS\\SUB\\*.TXT", cmds::kAttrArchive), (Names{"y.txt"}));
  EXPECT_EQ(walk(s, d, "c:/scripts/sub/*", cmds::kAttrArchive), (Names{"y.txt"}));
  EXPECT_EQ(walk(s, d, "c:*.cmd", cmds::kAttrArchive), (Names{"top.cmd"}));
  EXPECT_EQ(walk(s, d, "c:\\*.cmd", cmds::kAttrArchive), (Names{"top.cmd"}));
  EXPECT_EQ(walk(s, d, "c:\\scripts\\", cmds::kAttrArchive), Names{});  // no name part
  EXPECT_EQ(walk(s, d, "q:\\*", cmds::kAttrArchive), Names{});           // a drive with no root
  EXPECT_EQ(walk(s, d, "c:\\nada\\*", cmds::kAttrArchive), Names{});
}

TEST(DirSearch, RelativePatternsUseTheCurrentDirectory) {
  TempFolder t;
  t.dir("sub");
  t.file("sub/um.txt");
  t.file("dois.txt");
  char old[4096];
  ASSERT_NE(::getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(::chdir(t.path().c_str()), 0);
  plat::DriveTable d;
  cmds::DirSearch s;
  EXPECT_EQ(walk(s, d, "*.txt", cmds::kAttrArchive), (Names{"dois.txt"}));
  EXPECT_EQ(walk(s, d, "sub/*.txt", cmds::kAttrArchive), (Names{"um.txt"}));
  EXPECT_EQ(walk(s, d, "SUB\\*.TXT", cmds::kAttrArchive), (Names{"um.txt"}));
  ASSERT_EQ(::chdir(old), 0);
}

TEST(DirSearch, NamesWithBlanksAccentsAndWildcards) {
  TempFolder t;
  t.file("nome com brancos.txt");
  t.file("a\xC3\xA7\xC3\xA3o.txt");  // ação, stored as UTF-8
  t.file("sem extens\xC3\xA3o");
  t.file("est*rela?.txt");
  plat::DriveTable d;
  cmds::DirSearch s;
  EXPECT_EQ(walk(s, d, t.path() + "/nome com*", cmds::kAttrArchive), (Names{"nome com brancos.txt"}));
  // Found by a Windows-1252 pattern in either case, handed out in Windows-1252.
  EXPECT_EQ(walk(s, d, t.path() + "/A\xC7\xC3O.TXT", cmds::kAttrArchive), (Names{"a\xE7\xE3o.txt"}));
  EXPECT_EQ(walk(s, d, t.path() + "/sem*", cmds::kAttrArchive), (Names{"sem extens\xE3o"}));
  EXPECT_EQ(walk(s, d, t.path() + "/*.", cmds::kAttrArchive), (Names{"sem extens\xE3o"}));
  // A wildcard character in a stored name is matched like any other by a wildcard.
  EXPECT_EQ(walk(s, d, t.path() + "/est*", cmds::kAttrArchive), (Names{"est*rela?.txt"}));
}

TEST(DirSearch, PatternsPast144CharactersFindNothing) {
  TempFolder t;
  t.file("a.txt");
  plat::DriveTable d;
  cmds::DirSearch s;
  std::string dir = t.path() + "/";
  std::string at_limit = dir + std::string(cmds::kMaxPattern - dir.size() - 5, '*') + "a.txt";
  ASSERT_EQ(at_limit.size(), cmds::kMaxPattern);
  EXPECT_EQ(s.start(d, at_limit, cmds::kAttrArchive), "a.txt");
  EXPECT_EQ(s.start(d, at_limit.substr(0, dir.size()) + "*" + at_limit.substr(dir.size()), cmds::kAttrArchive),
            std::nullopt);
  EXPECT_EQ(s.next(), std::nullopt);  // the old search is gone too
  EXPECT_EQ(s.start(d, std::string(100000, '*'), cmds::kAttrArchive), std::nullopt);
}

TEST(DirSearch, NextBeforeAnySearchAndAfterClear) {
  TempFolder t;
  t.file("a");
  t.file("b");
  plat::DriveTable d;
  cmds::DirSearch s;
  EXPECT_EQ(s.next(), std::nullopt);
  EXPECT_EQ(s.start(d, t.path() + "/*", cmds::kAttrArchive), "a");
  s.clear();
  EXPECT_EQ(s.next(), std::nullopt);
}

}  // namespace
