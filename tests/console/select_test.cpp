// Choosing the backend from the environment.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <optional>

#include "console/ZnCrt.h"

namespace zn {
namespace {

class SelectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : kNames) {
      const char* v = getenv(name);
      saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
      unsetenv(name);
    }
  }
  void TearDown() override {
    for (auto& [name, value] : saved_) {
      if (value) setenv(name, value->c_str(), 1);
      else unsetenv(name);
    }
  }
  static constexpr const char* kNames[] = {"ROTEIRAL_CONSOLE", "DISPLAY", "WAYLAND_DISPLAY"};
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST_F(SelectTest, ExplicitChoice) {
  setenv("DISPLAY", ":0", 1);
  setenv("ROTEIRAL_CONSOLE", "headless", 1);
  EXPECT_EQ(backend_kind_from_environment(), BackendKind::headless);
  setenv("ROTEIRAL_CONSOLE", "terminal", 1);
  EXPECT_EQ(backend_kind_from_environment(), BackendKind::terminal);
  unsetenv("DISPLAY");
  setenv("ROTEIRAL_CONSOLE", "window", 1);
  EXPECT_EQ(backend_kind_from_environment(), BackendKind::window);
}

TEST_F(SelectTest, DefaultFollowsTheEnvironment) {
  const BackendKind without_display =
      isatty(STDIN_FILENO) && isatty(STDOUT_FILENO) ? BackendKind::terminal : BackendKind::headless;
  EXPECT_EQ(backend_kind_from_environment(), without_display);
  setenv("ROTEIRAL_CONSOLE", "bogus", 1);
  EXPECT_EQ(backend_kind_from_environment(), without_display);
  setenv("DISPLAY", "", 1);  // set but empty is no display
  EXPECT_EQ(backend_kind_from_environment(), without_display);
  setenv("WAYLAND_DISPLAY", "wayland-0", 1);
  EXPECT_EQ(backend_kind_from_environment(), BackendKind::window);
  unsetenv("WAYLAND_DISPLAY");
  setenv("DISPLAY", ":1", 1);
  EXPECT_EQ(backend_kind_from_environment(), BackendKind::window);
}

TEST_F(SelectTest, TerminalNeedsATerminal) {
  if (isatty(STDIN_FILENO) && isatty(STDOUT_FILENO)) GTEST_SKIP() << "running on a terminal";
  EXPECT_EQ(make_terminal_backend(), nullptr);
  EXPECT_NE(make_backend(BackendKind::terminal), nullptr);
  EXPECT_NE(make_backend(BackendKind::window), nullptr);
}

}  // namespace
}  // namespace zn
