// Title matching, JANELA's walk over the window stack, CAPTURA's texts.
#include "console/ZnCrt.h"
#include "fixture.h"

namespace au::test {
namespace {

TEST(TitleMatch, CapitalsAnchorsAndTheCut) {
  struct Case {
    const char* pattern;
    std::string title;
    bool match;
  };
  const std::string long_title = std::string(130, 'x') + "ALVO" + std::string(9866, 'y');
  const Case cases[] = {
      {"TESTE", "janela de teste", true},
      {"teste", "janela de teste", false},  // the pattern is not folded
      {"*JANELA", "janela de teste", true},
      {"*TESTE", "janela de teste", false},
      {"TESTE*", "janela de teste", true},
      {"JANELA*", "janela de teste", false},
      {"*JANELA DE TESTE*", "janela de teste", true},
      {"*", "qualquer", true},
      {"**", "qualquer", true},
      {"A\xC7\xC3O", "a\xE7\xE3o", true},  // accented letters fold to capitals
      {"ALVO", long_title, true},
      {"YYYYYYYYY", long_title, true},
      {"YYYYYYYYYY", long_title, false},  // the tenth y lies past the 143rd character
  };
  for (const auto& c : cases)
    EXPECT_EQ(title_matches(parse_title_pattern(c.pattern), c.title), c.match) << c.pattern;
  // Only the first 143 characters are compared.
  EXPECT_FALSE(title_matches(parse_title_pattern("ALVO"), std::string(140, 'x') + "ALVO"));
  EXPECT_TRUE(title_matches(parse_title_pattern("*" + std::string(143, 'X')), std::string(10000, 'x')));
  EXPECT_FALSE(title_matches(parse_title_pattern("*" + std::string(144, 'X')), std::string(10000, 'x')));
}

class WindowsTest : public AutomationTest {
 protected:
  void add(plat::WindowId id, const char* title, bool visible = true, bool minimised = false) {
    desk->stack.push_back({id, {true, visible, minimised, title}, {0, 0, 100, 100}, 0});
  }
};

TEST_F(WindowsTest, ActsOnTheFirstMatchInStackingOrder) {
  add(1, "Oculta teste", false);     // neither visible nor minimised: skipped
  add(2, "");                        // no title: skipped
  add(3, "Minimizada teste", false, true);
  add(4, "Outra teste");
  EXPECT_EQ(act_on_window(a, WindowAction::normal, "TESTE"), WindowResult::done);
  EXPECT_EQ(desk->events, (std::vector<std::string>{"show 3 normal", "activate 3"}));
  desk->events.clear();
  EXPECT_EQ(act_on_window(a, WindowAction::maximise, "OUTRA"), WindowResult::done);
  EXPECT_EQ(desk->events, (std::vector<std::string>{"show 4 maximised", "activate 4"}));
  desk->events.clear();
  EXPECT_EQ(act_on_window(a, WindowAction::minimise, "*OUTRA"), WindowResult::done);
  EXPECT_EQ(desk->events, std::vector<std::string>{"show 4 minimised"});
  desk->events.clear();
  EXPECT_EQ(act_on_window(a, WindowAction::close, "OUTRA TESTE"), WindowResult::done);
  EXPECT_EQ(desk->events, std::vector<std::string>{"close 4"});
}

TEST_F(WindowsTest, NoMatchAndUnknownActions) {
  add(1, "Editor");
  EXPECT_EQ(act_on_window(a, WindowAction::close, "editor"), WindowResult::none_matched);
  EXPECT_EQ(act_on_window(a, std::nullopt, "NADA"), WindowResult::none_matched);
  EXPECT_EQ(act_on_window(a, std::nullopt, "EDITOR"), WindowResult::failed);
  EXPECT_TRUE(desk->events.empty());
  EXPECT_EQ(window_action("MAXIMIZA"), WindowAction::maximise);
  EXPECT_EQ(window_action("maximiza"), std::nullopt);
}

TEST_F(WindowsTest, AWindowThatVanishesLeavesTheWalkGoing) {
  add(1, "Editor um");
  add(2, "Editor dois");
  desk->vanish_after_listing = {1};
  EXPECT_EQ(act_on_window(a, WindowAction::close, "EDITOR"), WindowResult::done);
  EXPECT_EQ(desk->events, std::vector<std::string>{"close 2"});
  desk->events.clear();
  desk->vanish_after_listing = {2};
  EXPECT_EQ(act_on_window(a, WindowAction::close, "EDITOR"), WindowResult::none_matched);
  // A window still there that refuses the request fails the command.
  add(3, "Teimosa");
  desk->stack.back().closes = false;
  EXPECT_EQ(act_on_window(a, WindowAction::close, "TEIMOSA"), WindowResult::failed);
}

TEST_F(WindowsTest, CapturesTitleFocusAndField) {
  EXPECT_EQ(foreground_title(a), "");  // nothing in front
  add(5, "");
  desk->stack.back().state.title = std::string(10000, 't');
  desk->front = 5;
  EXPECT_EQ(foreground_title(a), std::string(254, 't'));
  EXPECT_EQ(focus_text(a), "");  // no console: nothing of ours has the focus

  desk->clip = "linha do campo";
  auto field = field_text(a);
  EXPECT_EQ(field, "linha do campo");
  const std::vector<std::string> want = {down(XK_Home),     up(XK_Home),      down(XK_Shift_L), down(XK_End),
                                         up(XK_End),        up(XK_Shift_L),   down(XK_Control_L), down(XK_Insert),
                                         up(XK_Insert),     up(XK_Control_L)};
  EXPECT_EQ(keys(), want);
  EXPECT_EQ(pauses, std::vector<int>(3, 100));
}

}  // namespace
}  // namespace au::test
