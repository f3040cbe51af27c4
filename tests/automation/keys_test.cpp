// Key names, prefixes, the composition table and typing through a recording desktop.
#include <climits>

#include "fixture.h"

namespace au::test {
namespace {

TEST(KeyNames, TableAndFunctionKeys) {
  const std::pair<const char*, int> cases[] = {
      {"UP", 38},    {"DOWN", 40},   {"LEFT", 37},   {"RIGHT", 39},    {"ESCAPE", 27},  {"ESC", 27},
      {"ENTER", 13}, {"RETURN", 13}, {"BACKSPACE", 8}, {"TAB", 9},     {"INS", 45},     {"HOME", 36},
      {"DEL", 46},   {"DELETE", 46}, {"END", 35},    {"PAGEUP", 33},   {"PRIOR", 33},   {"PAGEDN", 34},
      {"NEXT", 34},  {"SNAPSHOT", 44}, {"F1", 112},  {"F9", 120},      {"F10", 121},    {"F12", 123}};
  for (const auto& [name, vk] : cases) EXPECT_EQ(named_key(name), vk) << name;
  for (const char* bad : {"F0", "F13", "F01", "F1X", "PGUP", "esc", "", "ENTERX"})
    EXPECT_EQ(named_key(bad), std::nullopt) << bad;
}

TEST(KeyRequests, PrefixesNamesCodesAndCharacters) {
  struct Case {
    const char* value;
    std::optional<uint16_t> code;
  };
  const Case cases[] = {
      {"CTRL+SHIFT+ESC", kCtrlBit | kShiftBit | 27},
      {"ctrl+alt+del", kCtrlBit | kAltBit | 46},
      {"SHIFT+ALT+F4", kShiftBit | kAltBit | 115},
      {"CTRL+c", kCtrlBit | 'C'},  // a single character: its upper-cased code
      {"#65", 65},
      {"#0", 0},
      {"CTRL+#255", kCtrlBit | 255},
      {"SHIFT+CTRL+ESC", std::nullopt},  // out of order: SHIFT+ is taken, CTRL+ESC is no name
      {"ALT+CTRL+X", std::nullopt},
      {"CTRL+", std::nullopt},
      {"Ab", std::nullopt},
      {"#256", std::nullopt},
      {"#-1", std::nullopt},
      {"#6x", std::nullopt},
      {"#99999999999999", std::nullopt},
      {"NAOEXISTE", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    std::optional<KeyRequest> r = parse_key_request(c.value);
    if (!c.code) {
      EXPECT_FALSE(r) << c.value;
      continue;
    }
    ASSERT_TRUE(r) << c.value;
    EXPECT_FALSE(r->typed_char) << c.value;
    EXPECT_EQ(r->code, *c.code) << c.value;
  }
  // One character is typed as it is, before any upper-casing.
  for (const char* one : {"x", "#", "\xE3"}) {
    std::optional<KeyRequest> r = parse_key_request(one);
    ASSERT_TRUE(r && r->typed_char) << one;
    EXPECT_EQ(r->ch, static_cast<unsigned char>(one[0]));
  }
}

TEST(Composition, AccentsAndDirectBytes) {
  const std::tuple<unsigned char, unsigned char, unsigned char> cases[] = {
      {0xE3, '~', 'a'},  {0xC3, '~', 'A'},  {0xF1, '~', 'n'},  {0xF5, '~', 'o'},  {0xE1, 0xB4, 'a'},
      {0xDD, 0xB4, 'Y'}, {0xFD, 0xB4, 'y'}, {0xC0, '`', 'A'},  {0xF9, '`', 'u'},  {0xEA, '^', 'e'},
      {0xDB, '^', 'U'},  {0xFF, 0xA8, 'y'}, {0xC4, 0xA8, 'A'}, {0xE7, '_', 0xE7}, {0xC7, '_', 0xC7},
      {0xDF, '_', 0xDF}, {0x80, '_', 0x80}, {0xA8, '_', 0xA8}};
  for (const auto& [byte, accent, base] : cases) {
    EXPECT_EQ(composition_of(byte).accent, accent) << int(byte);
    EXPECT_EQ(composition_of(byte).base, base) << int(byte);
  }
  int composed = 0;
  for (int c = 128; c < 256; ++c) composed += composition_of(static_cast<unsigned char>(c)).accent != '_';
  EXPECT_EQ(composed, 10 + 12 + 10 + 6 + 11);
}

TEST(Keysyms, VirtualKeysAndCharacters) {
  const std::pair<int, uint32_t> vks[] = {{13, XK_Return}, {27, XK_Escape}, {65, XK_a},     {90, XK_z},
                                           {48, XK_0},      {112, XK_F1},    {123, XK_F12},  {144, XK_Num_Lock},
                                           {33, XK_Prior},  {46, XK_Delete}, {96, XK_KP_0},  {7, 0},
                                           {255, 0}};
  for (const auto& [vk, sym] : vks) EXPECT_EQ(keysym_of_vk(vk), sym) << vk;
  EXPECT_EQ(keysym_of_char('a'), uint32_t{'a'});
  EXPECT_EQ(keysym_of_char(0xE7), uint32_t{XK_ccedilla});
  EXPECT_EQ(keysym_of_char(0x80), 0x010020ACu);  // the euro sign, as a Unicode keysym
  EXPECT_EQ(keysym_of_char(0x81), 0u);           // undefined in the code page
}

TEST_F(AutomationTest, TypesAccentsThroughDeadKeysAndCedillaDirectly) {
  desk->layout.push_back({XK_dead_tilde, {}});
  desk->layout.push_back({XK_ccedilla, {}});
  ASSERT_TRUE(type_text(a, "a\xE7\xE3o", false));
  const std::vector<std::string> want = {down('a'), up('a'), down(XK_ccedilla), up(XK_ccedilla),
                                         down(XK_dead_tilde), up(XK_dead_tilde), down('a'), up('a'),
                                         down('o'), up('o'), down(XK_Return), up(XK_Return)};
  EXPECT_EQ(keys(), want);
  EXPECT_EQ(pauses, std::vector<int>(5, 100));  // after each character and after Enter
}

TEST_F(AutomationTest, TypesTheLetterItselfWhenTheLayoutHasItOrLacksTheDeadKey) {
  // No dead tilde: the letter goes as it is (a spare key gets it).
  ASSERT_TRUE(type_text(a, "\xE3", true));
  EXPECT_EQ(keys(), (std::vector<std::string>{down(XK_atilde), up(XK_atilde)}));
  // The layout has the letter, with Shift: typed directly, not composed.
  desk->events.clear();
  desk->layout.push_back({XK_dead_tilde, {}});
  desk->layout.push_back({XK_Atilde, {true, false}});
  ASSERT_TRUE(type_text(a, "\xC3", true));
  EXPECT_EQ(keys(), (std::vector<std::string>{down(XK_Shift_L), down(XK_Atilde), up(XK_Atilde), up(XK_Shift_L)}));
}

TEST_F(AutomationTest, TrailingAmpersandLeavesOutEnterAndControlsAreCtrlLetters) {
  ASSERT_TRUE(type_text(a, std::string("\r\x01", 2), true));
  const std::vector<std::string> want = {down(XK_Control_L), down('m'), up('m'), up(XK_Control_L),
                                         down(XK_Control_L), down('a'), up('a'), up(XK_Control_L)};
  EXPECT_EQ(keys(), want);
  EXPECT_EQ(pauses, std::vector<int>(4, 100));  // a control character pauses twice
}

TEST_F(AutomationTest, EveryByteLeavesNothingHeld) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_TRUE(type_text(a, all, false));
  EXPECT_TRUE(desk->held.empty());
  int downs = 0, ups = 0;
  for (const auto& e : keys()) (e[0] == 'd' ? downs : ups)++;
  EXPECT_EQ(downs, ups);
}

TEST_F(AutomationTest, ARefusedKeyFailsAndReleasesTheModifiers) {
  desk->refused.push_back(XK_Escape);
  EXPECT_FALSE(press_named(a, "CTRL+SHIFT+ESC"));
  EXPECT_TRUE(desk->held.empty());
  desk->refused = {XK_Return};
  desk->events.clear();
  EXPECT_FALSE(type_text(a, "ok", false));
  EXPECT_TRUE(desk->held.empty());
}

TEST_F(AutomationTest, AcionaPressesModifiersInOrder) {
  ASSERT_TRUE(press_named(a, "CTRL+SHIFT+ESC"));
  const std::vector<std::string> want = {down(XK_Shift_L), down(XK_Control_L), down(XK_Escape),
                                         up(XK_Escape),    up(XK_Shift_L),     up(XK_Control_L)};
  EXPECT_EQ(keys(), want);
  EXPECT_EQ(pauses, std::vector<int>{100});
  desk->events.clear();
  EXPECT_FALSE(press_named(a, "SHIFT+CTRL+ESC"));
  EXPECT_TRUE(desk->events.empty());
}

TEST_F(AutomationTest, AcionaSingleCharactersAndCodes) {
  // A capital alone is its key without Shift, 1 ms apart.
  ASSERT_TRUE(press_named(a, "A"));
  EXPECT_EQ(keys(), (std::vector<std::string>{down('A'), up('A')}));
  EXPECT_EQ(pauses, (std::vector<int>{1, 1}));
  desk->events.clear();
  ASSERT_TRUE(press_named(a, "#66"));
  EXPECT_EQ(keys(), (std::vector<std::string>{down('b'), up('b')}));
  // Num Lock flips its state; the key itself is never sent.
  desk->events.clear();
  ASSERT_TRUE(press_named(a, "#144"));
  EXPECT_EQ(desk->events, std::vector<std::string>{"numlock"});
  // A virtual key with no key on this desktop fails without sending anything.
  desk->events.clear();
  EXPECT_FALSE(press_named(a, "#7"));
  EXPECT_TRUE(desk->events.empty());
}

TEST_F(AutomationTest, ClicksAtScreenOrWindowPoints) {
  ASSERT_TRUE(click(a, ClickKind::twice, true, 100, 200));
  EXPECT_EQ(desk->events, (std::vector<std::string>{"move 100 200", "button 1 down", "button 1 up",
                                                     "button 1 down", "button 1 up"}));
  desk->events.clear();
  desk->stack.push_back({7, {true, true, false, "Janela"}, {50, 30, 450, 330}, 5});
  desk->front = 7;
  ASSERT_TRUE(click(a, ClickKind::move_only, false, 10, 20));
  EXPECT_EQ(desk->events, std::vector<std::string>{"move 65 54"});  // 50 + 5 + 10, 30 + 4 + 20
  auto p = mouse_position(a, false);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->x, 10);
  EXPECT_EQ(p->y, 20);
  // Far off screen: no overflow on the way to the desktop, which keeps the pointer on it.
  ASSERT_TRUE(click(a, ClickKind::move_only, false, INT_MAX, INT_MIN));
  EXPECT_EQ(desk->events.back(), "move 1279 0");
}

TEST(NoDesktop, EveryActionFails) {
  Automation a;
  a.desktop_tried = true;  // as after a failed open
  EXPECT_FALSE(type_text(a, "x", false));
  EXPECT_FALSE(press_named(a, "ESC"));
  EXPECT_FALSE(click(a, ClickKind::single, true, 1, 1));
  EXPECT_FALSE(mouse_position(a, true));
  EXPECT_EQ(act_on_window(a, WindowAction::close, "X"), WindowResult::failed);
  EXPECT_FALSE(foreground_title(a));
  EXPECT_FALSE(field_text(a));
}

TEST_F(AutomationTest, ClipboardIsCutAtNulAndOnReading) {
  ASSERT_TRUE(put_clipboard(a, std::string("ab\0cd", 5)));
  EXPECT_EQ(desk->clip, "ab");
  desk->clip = std::string(1000, 'z');
  EXPECT_EQ(clipboard_text(a, kCaptureLength), std::string(254, 'z'));
  desk->clip = std::nullopt;
  EXPECT_FALSE(clipboard_text(a, kCaptureLength));
}

}  // namespace
}  // namespace au::test
