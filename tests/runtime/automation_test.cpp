// The desktop commands' argument forms over a recording desktop: what each form sends,
// stores and refuses.
#include <X11/keysym.h>

#include "automation/automation.h"
#include "fixture.h"

namespace {

using rltest::Session;

plat::RecordingDesktop* attach_desktop(Session& s) {
  auto a = std::make_shared<au::Automation>();
  auto d = std::make_unique<plat::RecordingDesktop>();
  plat::RecordingDesktop* desk = d.get();
  for (uint32_t c = 0x20; c <= 0x7E; ++c) desk->layout.push_back({c, {c >= 'A' && c <= 'Z', false}});
  desk->layout.push_back({XK_Return, {}});
  desk->stack.push_back({7, {true, true, false, "Janela de Teste"}, {50, 30, 450, 330}, 5});
  desk->front = 7;
  a->desktop = std::move(d);
  a->pause = [](int) {};
  s.in().automation = a;
  return desk;
}

std::string joined(const std::vector<std::string>& events) {
  std::string out;
  for (const auto& e : events) out += (out.empty() ? "" : ", ") + e;
  return out;
}

struct Case {
  const char* statement;
  bool ok;
  const char* events;
};

void run_cases(std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    Session s;
    plat::RecordingDesktop* desk = attach_desktop(s);
    s.in().vars['A' - 'A'] = "ol";
    EXPECT_EQ(rl::execute_statement(s.in(), c.statement, false), c.ok) << c.statement;
    EXPECT_EQ(joined(desk->events), c.events) << c.statement;
  }
}

TEST(Clica, Forms) {
  const char* twice = "move 100 200, button 1 down, button 1 up, button 1 down, button 1 up";
  run_cases({
      {"clica duplo tela 100, 200", true, twice},
      {"CLICA DUPLO TELA 100 200", true, twice},
      {"clica nulo tela 5,6", true, "move 5 6"},
      {"clica 10, 20", true, "move 65 54, button 1 down, button 1 up"},  // inside the frame
      {"clica tela 1, 2 x", false, "move 1 2, button 1 down, button 1 up"},  // acted, then fails
      {"clica tela 1,", false, ""},
      {"clica tela a, 2", false, ""},
      {"clica", false, ""},
  });
}

TEST(DigitaAciona, Forms) {
  const std::string a = "down 97, up 97", b = "down 98, up 98", enter = "down 65293, up 65293";
  run_cases({
      {"digita \"ab\" &", true, (a + ", " + b).c_str()},
      {"digita \"a\"", true, (a + ", " + enter).c_str()},
      {"digita \"a\" \"b\"", false, ""},
      {"digita", false, ""},
      {"aciona \"ENTER\"", true, enter.c_str()},
      {"aciona \"a\" x", false, ""},
      {"aciona \"\"", false, ""},
      {"aciona \"SHIFT+CTRL+ENTER\"", false, ""},
  });
}

TEST(Transfere, BothWaysAndRefusedForms) {
  Session s;
  plat::RecordingDesktop* desk = attach_desktop(s);
  s.in().vars[0] = "ol\xE1";
  EXPECT_TRUE(rl::execute_statement(s.in(), "transfere de a", false));
  EXPECT_EQ(desk->clip, "ol\xE1");
  desk->clip = std::string(300, 'c');
  EXPECT_TRUE(rl::execute_statement(s.in(), "TRANSFERE PARA $volta", false));
  EXPECT_EQ(s.var("$volta"), std::string(254, 'c'));
  desk->clip = std::string();
  EXPECT_TRUE(rl::execute_statement(s.in(), "transfere para $volta", false));
  EXPECT_EQ(s.var("$volta"), "");
  for (const char* bad : {"transfere dea", "transfere para", "transfere de a b", "transfere a"})
    EXPECT_FALSE(rl::execute_statement(s.in(), bad, false)) << bad;
}

TEST(LeMouse, ScreenAndWindowCoordinates) {
  Session s;
  plat::RecordingDesktop* desk = attach_desktop(s);
  desk->cursor = {300, 400};
  EXPECT_TRUE(rl::execute_statement(s.in(), "le mouse tela x y", false));
  EXPECT_EQ(s.var("x"), "300");
  EXPECT_EQ(s.var("y"), "400");
  EXPECT_TRUE(rl::execute_statement(s.in(), "le rato $x $y", false));
  EXPECT_EQ(s.var("$x"), "245");  // 300 - (50 + 5)
  EXPECT_EQ(s.var("$y"), "366");  // 400 - (30 + 4)
  EXPECT_FALSE(rl::execute_statement(s.in(), "le mouse tela x", false));
  EXPECT_FALSE(rl::execute_statement(s.in(), "le mouse x y z", false));
}

TEST(Janela, StatusAndFailures) {
  Session s;
  plat::RecordingDesktop* desk = attach_desktop(s);
  EXPECT_TRUE(rl::execute_statement(s.in(), "janela minimiza \"*JANELA\"", false));
  EXPECT_EQ(s.in().status, 0);
  EXPECT_EQ(joined(desk->events), "show 7 minimised");
  EXPECT_TRUE(rl::execute_statement(s.in(), "janela fecha \"janela\"", false));
  EXPECT_EQ(s.in().status, 1);
  EXPECT_FALSE(rl::execute_statement(s.in(), "janela pisca \"TESTE\"", false));
  EXPECT_EQ(s.in().status, 0);
  EXPECT_FALSE(rl::execute_statement(s.in(), "janela", false));
  EXPECT_FALSE(rl::execute_statement(s.in(), "janela fecha", false));
}

TEST(Captura, Words) {
  Session s;
  attach_desktop(s);
  EXPECT_TRUE(rl::execute_statement(s.in(), "captura t\xCDtulo $t", false));
  EXPECT_EQ(s.var("$t"), "Janela de Teste");
  s.in().vars[0] = "antes";
  EXPECT_TRUE(rl::execute_statement(s.in(), "captura outra a resto ignorado", false));
  EXPECT_EQ(s.var("a"), "");
  EXPECT_FALSE(rl::execute_statement(s.in(), "captura ativa", false));
}

TEST(Menu, RefusedForms) {
  Session s;
  attach_desktop(s);
  for (const char* bad : {"menu adiciona \"x\"", "menu executa p k t", "menu cria 1 2 3", "menu cria a 1 2 3",
                          "menu cria 90 1 99 5", "menu foo", "menu executa p k"})
    EXPECT_FALSE(rl::execute_statement(s.in(), bad, false)) << bad;
  EXPECT_TRUE(rl::execute_statement(s.in(), "menu cria 1 1 10 2", false));
  EXPECT_TRUE(rl::execute_statement(s.in(), "menu adiciona \"um\"", false));
  EXPECT_FALSE(rl::execute_statement(s.in(), "menu adiciona", false));
  EXPECT_FALSE(rl::execute_statement(s.in(), "menu termina x", false));
  EXPECT_TRUE(rl::execute_statement(s.in(), "menu termina", false));
}

}  // namespace
