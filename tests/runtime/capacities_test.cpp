// Fixed capacities of the interpreter at their edges: the last place taken, the next refused.
#include <gtest/gtest.h>

#include "fixture.h"

namespace {

using rltest::InFolder;
using rltest::Session;

TEST(Capacities, TenFileSlots) {
  InFolder f;
  f.t.file("a.txt", "linha\n");
  struct Case {
    const char* statement;
    bool ok;
  } cases[] = {{"ABRE #0 \"a.txt\"", true}, {"ABRE #9 \"a.txt\"", true},  {"ABRE #10 \"a.txt\"", false},
               {"ABRE #99 \"a.txt\"", false}, {"LE #10 A", false},        {"FECHA #10", false},
               {"ESCREVE #10 \"x\"", false}};
  Session s;
  for (const auto& c : cases) EXPECT_EQ(rl::execute_statement(s.in(), c.statement, false), c.ok) << c.statement;
  EXPECT_TRUE(s.in().files[9].open);
}

// ESPERA reads the title in front into a buffer of 250: text past its 249th character is not seen.
TEST(Capacities, EsperaSeesTheFirst249CharactersOfATitle) {
  struct Case {
    size_t at;  // where the wanted text starts in the title
    int status;
  } cases[] = {{0, 0}, {246, 0}, {247, 1}, {300, 1}};
  for (const auto& c : cases) {
    Session s;
    auto shell = std::make_unique<plat::RecordingShell>();
    shell->title = std::string(c.at, 'x') + "FIM" + std::string(10, 'y');
    shell->polls_running = 1000;
    shell->open("programa", "");
    s.in().shell = std::move(shell);
    ASSERT_TRUE(rl::execute_statement(s.in(), "ESPERA 1 \"fim\"", false));
    EXPECT_EQ(s.in().status, c.status) << "at " << c.at;
  }
}

TEST(Capacities, ScriptLinesStopAt500000) {
  Session s;
  EXPECT_TRUE(rl::carregascript(s.rt, "termina mudo", rl::kMaxLines));
  EXPECT_FALSE(rl::carregascript(s.rt, "escreve \"x\"", rl::kMaxLines + 1));
  EXPECT_EQ(s.in().line_count, rl::kMaxLines);
}

}  // namespace
