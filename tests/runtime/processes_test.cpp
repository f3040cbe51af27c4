// EXECUTA, CMD and ESPERA, with the shell layer's recorder in place of real programs.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "fixture.h"
#include "runtime/processes.h"

namespace {

using rltest::Session;
using Clock = std::chrono::steady_clock;

long long ms_since(Clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

plat::RecordingShell& recorder(Session& s) {
  auto r = std::make_unique<plat::RecordingShell>();
  auto& ref = *r;
  s.in().shell = std::move(r);
  return ref;
}

TEST(Executa, SplitsProgramFromParameters) {
  struct Case {
    std::string text, program, parameters;
  };
  const Case cases[] = {
      {"touch feito.txt", "touch", "feito.txt"},
      {"cmd /c dcc32 \"x.dpr\" >>comp.log 2>&1", "cmd", "/c dcc32 \"x.dpr\" >>comp.log 2>&1"},
      {"\"c:\\Meus Programas\\x.exe\"  -a  -b ", "c:\\Meus Programas\\x.exe", "-a  -b"},
      {"\" prog \"x", "prog", "x"},
      {"\"sem fim -a", "sem fim -a", ""},
      {"prog  a ", "prog", " a "},  // everything after the first blank, untrimmed
      {"prog", "prog", ""},
      {"\"\" x", "", "x"},
      {"  prog", "", " prog"},
      {"p " + std::string(1500, 'a'), "p", std::string(999, 'a')},
      {"\"p\" " + std::string(1500, 'a'), "p", std::string(999, 'a')},
  };
  for (const auto& c : cases) {
    auto pt = rl::split_program_text(c.text);
    EXPECT_EQ(pt.program, c.program) << c.text;
    EXPECT_EQ(pt.parameters, c.parameters) << c.text;
  }
}

TEST(Executa, HandsTheSplitToTheShellAndWaitsUntilTheProgramHasEnded) {
  Session s;
  auto& sh = recorder(s);
  sh.polls_running = 3;
  const auto start = Clock::now();
  ASSERT_TRUE(rl::execute_statement(s.in(), "executa \"cmd /c dcc32 \"\"x.dpr\"\" >>comp.log 2>&1\"", false));
  ASSERT_EQ(sh.requests.size(), 1u);
  EXPECT_EQ(sh.requests[0].program, "cmd");
  EXPECT_EQ(sh.requests[0].parameters, "/c dcc32 \"x.dpr\" >>comp.log 2>&1");
  EXPECT_EQ(sh.polls, 4);                  // three while it ran, one that saw it gone
  EXPECT_GE(ms_since(start), 100 + 500);   // the first look, then the return delay
}

TEST(Executa, TolerantSuffixDoesNotWait) {
  Session s;
  auto& sh = recorder(s);
  sh.polls_running = 1000000;
  ASSERT_TRUE(rl::execute_statement(s.in(), "executa \"prog a b\" &", false));
  ASSERT_EQ(sh.requests.size(), 1u);
  EXPECT_EQ(sh.requests[0].parameters, "a b");
  EXPECT_EQ(sh.polls, 0);
}

TEST(Executa, FailuresAndRefusals) {
  const std::string long_params(rl::kShellTextLimit, 'p');
  struct Case {
    std::string statement;
    bool accept;
    bool ok;
    size_t requests;
  };
  const Case cases[] = {
      {"executa \"nada\"", false, false, 1},  // the shell refused
      {"executa \"prog\" sobra", true, false, 0},
      {"executa", true, false, 0},
      {"executa &", true, false, 0},
      {"executa \"prog " + long_params + "\" &", true, true, 1},
      {"executa \"prog " + long_params + "p\" &", true, false, 0},
      {"executa \"" + std::string(rl::kShellTextLimit + 1, 'n') + "\" &", true, false, 0},
  };
  for (const auto& c : cases) {
    Session s;
    auto& sh = recorder(s);
    sh.accept = c.accept;
    EXPECT_EQ(rl::execute_statement(s.in(), c.statement, false), c.ok) << c.statement.substr(0, 40);
    EXPECT_EQ(sh.requests.size(), c.requests) << c.statement.substr(0, 40);
  }
}

TEST(Executa, ShellFailureIsTheExecutionErrorAlone) {
  Session s;
  recorder(s).accept = false;
  s.run({"escreve \"a\"", "executa \"nada\"", "escreve \"b\""});
  EXPECT_EQ(s.screen().substr(0, 31), "a\nErro de execu\xC3\xA7\xC3\xA3o na linha 2");
}

TEST(Executa, ReturnDelayComesFromTheProfile) {
  namespace fs = std::filesystem;
  std::string pattern = (fs::temp_directory_path() / "roteiral-delay-XXXXXX").string();
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  fs::create_directories(pattern + "/windows");
  struct Case {
    const char* line;
    int ms;
  };
  const Case cases[] = {
      {"TEMPOESPERAPROGVOLTAR=1234", 1234}, {"TEMPOESPERAPROGVOLTAR=0", 0},
      {"TEMPOESPERAPROGVOLTAR=65535", 65535}, {"TEMPOESPERAPROGVOLTAR=65536", 500},
      {"TEMPOESPERAPROGVOLTAR=-1", 500},    {"TEMPOESPERAPROGVOLTAR=meio", 500},
      {"OUTRA=1", 500},
  };
  for (const auto& c : cases) {
    std::ofstream(pattern + "/windows/ZUNAPE.INI") << "[ZUNAPE]\r\n" << c.line << "\r\n";
    rl::Runtime rt(pattern);
    EXPECT_EQ(rl::return_delay_ms(*rt.interp), c.ms) << c.line;
  }
  Session none;
  EXPECT_EQ(rl::return_delay_ms(none.in()), 500);
  fs::remove_all(pattern);
}

TEST(Espera, PausesForMillisecondsAndSeconds) {
  Session s;
  s.in().status = 7;
  auto start = Clock::now();
  ASSERT_TRUE(rl::execute_statement(s.in(), "espera milisegundos 250", false));
  EXPECT_GE(ms_since(start), 250);
  EXPECT_EQ(s.in().status, 0);
  start = Clock::now();
  ASSERT_TRUE(rl::execute_statement(s.in(), "espera MILISEGUNDOS (100+150)", false));
  EXPECT_GE(ms_since(start), 250);
  for (const char* quick : {"espera 0", "espera milisegundos -5", "espera -100"})
    EXPECT_TRUE(rl::execute_statement(s.in(), quick, false)) << quick;
}

TEST(Espera, ArgumentsThatAreNotACount) {
  for (const char* bad : {"espera", "espera \"a\"", "espera milisegundos", "espera x", "espera #3"}) {
    Session s;
    s.in().vars['X' - 'A'] = "abc";
    s.in().status = 7;
    EXPECT_FALSE(rl::execute_statement(s.in(), bad, false)) << bad;
    EXPECT_EQ(s.in().status, std::string_view(bad) == "espera" ? 7 : 0) << bad;
  }
}

TEST(Espera, TitleWaitSeesTheRunningProgramOrTheConsole) {
  Session s;
  auto& sh = recorder(s);
  sh.title = "/usr/bin/editor-de-texto";
  sh.polls_running = 1000;
  s.in().console->set_title("Meu T\xCDtulo");
  struct Case {
    const char* statement;
    int status;
  };
  const Case cases[] = {
      {"espera 3 \"EDITOR\"", 0},                // the program in front, any letter case
      {"espera milisegundos 3 \"de-texto\"", 0},  // the unit word changes nothing here
      {"espera 3 \"\"", 0},
      {"espera 0 \"editor\"", 1},                 // no tries at all
      {"espera -2 \"editor\"", 1},
      {"espera 1 #", 0},                          // a title that cannot be read: no wait
  };
  sh.open("editor", "");
  for (const auto& c : cases) {
    s.in().status = 9;
    EXPECT_TRUE(rl::execute_statement(s.in(), c.statement, false)) << c.statement;
    EXPECT_EQ(s.in().status, c.status) << c.statement;
  }
  sh.polls_running = 0;
  sh.open("editor", "");  // ended: the console is in front again
  ASSERT_TRUE(rl::execute_statement(s.in(), "espera 1 \"meu t\xEDtulo\"", false));
  EXPECT_EQ(s.in().status, 0);
}

TEST(Espera, TitleThatNeverShowsTimesOutThroughTheStatusFlag) {
  Session s;
  auto& sh = recorder(s);
  const auto start = Clock::now();
  ASSERT_TRUE(rl::execute_statement(s.in(), "espera 1 \"janela ausente\"", false));
  EXPECT_EQ(s.in().status, 1);
  EXPECT_EQ(sh.polls, 2);  // count x 2 looks, 500 ms apart
  EXPECT_GE(ms_since(start), 1000);
}

TEST(Cmd, RunsOneStatementInRestrictedMode) {
  struct Case {
    const char* statement;
    bool ok;
    const char* x;  // X afterwards
  };
  const Case cases[] = {
      {"cmd \"seja x 5\"", true, "5"},
      {"cmd \"se 1 = 1 seja x 7\"", true, "7"},
      {"cmd \"* seja x 5\"", true, "old"},
      {"cmd \"@rotulo\"", true, "old"},
      {"cmd \"\"", true, "old"},
      {"cmd \"fim se\"", false, "old"},
      {"cmd \"FIM\"", false, "old"},
      {"cmd \"repete\"", false, "old"},
      {"cmd \"sen\xC3o\"", false, "old"},
      {"cmd \"enquanto 1 = 1\"", false, "old"},
      {"cmd \"seja x 5\" sobra", false, "old"},
      {"cmd \"nada_assim\"", false, "old"},
      {"cmd", false, "old"},
  };
  for (const auto& c : cases) {
    Session s;
    s.in().vars['X' - 'A'] = "old";
    EXPECT_EQ(rl::execute_statement(s.in(), c.statement, false), c.ok) << c.statement;
    EXPECT_EQ(s.var("x"), c.x) << c.statement;
  }
}

TEST(Cmd, StatementFailureKeepsItsMessage) {
  Session s;
  s.run({"seja x 1", "cmd \"divide x 0\"", "escreve \"nunca\""});
  EXPECT_NE(s.screen().find("Divis\xC3\xA3o por zero\nErro de execu\xC3\xA7\xC3\xA3o na linha 2"), std::string::npos)
      << s.screen();
}

TEST(Cmd, AValueThatRunsItselfEndsInsteadOfRecursingForever) {
  Session s;
  ASSERT_TRUE(rl::execute_statement(s.in(), "seja $c \"cmd $c\"", false));
  EXPECT_FALSE(rl::execute_statement(s.in(), "cmd $c", false));
  EXPECT_EQ(s.in().cmd_depth, 0);
  EXPECT_TRUE(rl::execute_statement(s.in(), "cmd \"cmd \"\"seja x 3\"\"\"", false));
  EXPECT_EQ(s.var("x"), "3");
}

}  // namespace

namespace {

TEST(Executa, ConsoleWindowWithoutFocusIsNotInFront) {
  Session s;
  EXPECT_TRUE(rl::foreground(s.in()).console);  // a console that cannot tell focus
  s.rt.console.focus_changed(false);
  const rl::Foreground away = rl::foreground(s.in());
  EXPECT_FALSE(away.console);
  EXPECT_EQ(away.title, "");
  s.rt.console.focus_changed(true);
  EXPECT_TRUE(rl::foreground(s.in()).console);
}

}  // namespace
