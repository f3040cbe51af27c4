// The shell layer: what names stand for, and programs started with a clean inheritance.
#include "platform/shell.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

// A temp folder made current, with bin/ put first on PATH; both restored afterwards.
class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "roteiral-shell-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    ASSERT_NE(::mkdtemp(buf.data()), nullptr);
    dir_ = buf.data();
    fs::create_directories(dir_ + "/bin");
    old_cwd_ = fs::current_path();
    fs::current_path(dir_);
    const char* p = std::getenv("PATH");
    old_path_ = p ? p : "/usr/bin:/bin";
    ::setenv("PATH", (dir_ + "/bin:" + old_path_).c_str(), 1);
  }
  void TearDown() override {
    ::setenv("PATH", old_path_.c_str(), 1);
    fs::current_path(old_cwd_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  void file(const std::string& rel, const std::string& text, bool program) {
    std::ofstream(dir_ + "/" + rel) << text;
    if (program) fs::permissions(dir_ + "/" + rel, fs::perms::owner_all);
  }
  std::string read(const std::string& rel) {
    std::ifstream f(dir_ + "/" + rel);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }
  // Polls until no started program runs; false when it takes more than 10 s.
  static bool wait_idle(plat::Shell& sh) {
    for (int i = 0; i < 1000; ++i) {
      if (!sh.running_title()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  static bool no_children_left() { return ::waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD; }

  std::string dir_;
  fs::path old_cwd_;
  std::string old_path_;
};

TEST_F(ShellTest, NamesFindProgramsDocumentsAndLinks) {
  file("bin/ferramenta", "#!/bin/sh\n", true);
  file("nota.txt", "x", false);
  plat::DriveTable drives = plat::DriveTable::from_environment(dir_);
  struct Case {
    const char* name;
    plat::TargetKind kind;
    std::string path;
  };
  const Case cases[] = {
      {"ferramenta", plat::TargetKind::program, dir_ + "/bin/ferramenta"},
      {"ferramenta.EXE", plat::TargetKind::program, dir_ + "/bin/ferramenta"},
      {"nota.txt", plat::TargetKind::document, "./nota.txt"},
      {"c:\\BIN\\Ferramenta", plat::TargetKind::program, dir_ + "/bin/ferramenta"},
      {"C:\\NOTA.TXT", plat::TargetKind::document, dir_ + "/nota.txt"},
      {"bin/ferramenta", plat::TargetKind::program, "bin/ferramenta"},
      {"https://exemplo.org/a b", plat::TargetKind::link, "https://exemplo.org/a b"},
      {"www.exemplo.org", plat::TargetKind::link, "www.exemplo.org"},
      {"nada_disso", plat::TargetKind::missing, ""},
      {"x:\\drive\\sem\\raiz", plat::TargetKind::missing, ""},
      {"", plat::TargetKind::missing, ""},
  };
  for (const auto& c : cases) {
    auto t = plat::find_target(&drives, c.name);
    EXPECT_EQ(t.kind, c.kind) << c.name;
    EXPECT_EQ(t.path, c.path) << c.name;
  }
}

TEST_F(ShellTest, LibexecComesBeforePath) {
  const std::string ours = plat::libexec_folder() + "/cmd";
  if (::access(ours.c_str(), X_OK) != 0) GTEST_SKIP() << "cmd is not built";
  file("bin/cmd", "#!/bin/sh\n", true);
  EXPECT_EQ(plat::find_target(nullptr, "cmd").path, ours);
}

TEST_F(ShellTest, ProgramRunsWithParametersAndIsReaped) {
  auto sh = plat::make_process_shell(nullptr);
  ASSERT_TRUE(sh->open("sh", "-c \"sleep 0.3; echo feito > 'sa\xED" "da.txt'\""));
  auto title = sh->running_title();
  ASSERT_TRUE(title);
  EXPECT_NE(title->find("sh"), std::string::npos);
  ASSERT_TRUE(wait_idle(*sh));
  EXPECT_EQ(read("sa\xC3\xAD" "da.txt"), "feito\n");  // the name reached the disk in UTF-8
  EXPECT_TRUE(no_children_left());
}

TEST_F(ShellTest, OnlyTheLatestProgramIsInFront) {
  auto sh = plat::make_process_shell(nullptr);
  ASSERT_TRUE(sh->open("sh", "-c \"while [ ! -f fim ]; do sleep 0.05; done\""));
  ASSERT_TRUE(sh->open("sh", "-c \"sleep 0.1\""));
  EXPECT_TRUE(wait_idle(*sh));  // the first one still runs, behind
  file("fim", "", false);
  while (::waitpid(-1, nullptr, 0) > 0) {
  }
  EXPECT_FALSE(sh->running_title());
}

TEST_F(ShellTest, ChildrenInheritNoBlockedOrIgnoredSignalsNorOurDescriptors) {
  sigset_t block, old;
  sigemptyset(&block);
  sigaddset(&block, SIGUSR1);
  ASSERT_EQ(::sigprocmask(SIG_BLOCK, &block, &old), 0);
  struct sigaction ign {}, old_term {};
  ign.sa_handler = SIG_IGN;
  ::sigaction(SIGTERM, &ign, &old_term);
  const int leaked = ::open("/dev/null", O_RDONLY);  // no close-on-exec, on purpose

  auto sh = plat::make_process_shell(nullptr);
  // awk reads its own mask as exec left it (a shell would reset it first).
  const bool signals = sh->open("awk", "\"/SigBlk|SigIgn/ { print > \"\"sig.txt\"\" }\" /proc/self/status");
  const bool fds = sh->open("sh", "-c \"readlink /proc/self/fd/0 >fd.txt; ls /proc/self/fd | tr '\\n' ' ' >>fd.txt\"");

  ::close(leaked);
  ::sigaction(SIGTERM, &old_term, nullptr);
  ::sigprocmask(SIG_SETMASK, &old, nullptr);
  ASSERT_TRUE(signals && fds);
  ASSERT_TRUE(wait_idle(*sh));
  // Signals 32 and 33 belong to the C library, which lets no program change them, so
  // whatever our own parent did with them reaches the child too.
  const std::string sig = read("sig.txt");
  unsigned long long blocked = ~0ull, ignored = ~0ull;
  ASSERT_EQ(std::sscanf(sig.c_str(), "SigBlk:\t%llx\nSigIgn:\t%llx", &blocked, &ignored), 2) << sig;
  const unsigned long long library_owned = (1ull << 31) | (1ull << 32);
  EXPECT_EQ(blocked & ~library_owned, 0u) << sig;
  EXPECT_EQ(ignored & ~library_owned, 0u) << sig;
  // ls sees 0-2 and the folder it reads (3), nothing of ours.
  EXPECT_EQ(read("fd.txt"), "/dev/null\n0 1 2 3 ");
}

TEST_F(ShellTest, WhatCannotStartFailsAndLeavesNoChild) {
  file("quebrado", "#!/nao/existe/interpretador\n", true);
  file("semlinha", "echo rodou > rodou.txt\n", true);
  auto sh = plat::make_process_shell(nullptr);
  EXPECT_FALSE(sh->open("./quebrado", ""));
  EXPECT_FALSE(sh->open("nada_disso", "a b"));
  EXPECT_FALSE(sh->open("", ""));
  EXPECT_FALSE(sh->running_title());
  EXPECT_TRUE(no_children_left());
  // A program file without #! runs through /bin/sh, as a shell would.
  ASSERT_TRUE(sh->open("./semlinha", ""));
  ASSERT_TRUE(wait_idle(*sh));
  EXPECT_EQ(read("rodou.txt"), "rodou\n");
}

TEST_F(ShellTest, DocumentsAndLinksGoToXdgOpen) {
  file("bin/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$*\" >>aberto.txt\n", true);
  file("nota.txt", "x", false);
  auto sh = plat::make_process_shell(nullptr);
  ASSERT_TRUE(sh->open("nota.txt", "ignorado"));
  ASSERT_TRUE(wait_idle(*sh));
  ASSERT_TRUE(sh->open("https://exemplo.org/?q=a", ""));
  ASSERT_TRUE(wait_idle(*sh));
  EXPECT_EQ(read("aberto.txt"), "./nota.txt\nhttps://exemplo.org/?q=a\n");
}

}  // namespace
