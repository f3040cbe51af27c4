// The window backend's arithmetic, font look-up and fallback, and the model operations it
// relies on: the end wait, focus, clipboard and overlay.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>

#include "console/backends/window.h"
#include "fixture.h"

namespace zn {
namespace {

TEST(WindowMetrics, CellSidesFromTheWorkArea) {
  struct Case {
    int work, reference, factor, side;
  };
  const Case cases[] = {
      {1280, 1024, 13, 16},  // 16.25
      {1024, 1024, 13, 13},
      {512, 1024, 13, 6},    // 6.5: halves go to even
      {1536, 1024, 13, 20},  // 19.5
      {734, 734, 28, 28},
      {1024, 734, 28, 39},   // 39.06
      {0, 734, 28, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(derived_cell_side(c.work, c.reference, c.factor), c.side) << c.work;
}

TEST(WindowMetrics, MagnifierSource) {
  struct Case {
    int x, y, zoom;
    PixelRect want;
  };
  const Case cases[] = {
      {0, 0, 2, {0, 0, 400, 250}},
      {800, 500, 2, {400, 250, 400, 250}},  // the bottom-right corner shows the last quarter
      {100, 50, 3, {67, 34, 266, 166}},
      {-5, 10, 0, {0, 0, 800, 500}},        // no zoom below 1, no point left of the window
  };
  for (const Case& c : cases) {
    const PixelRect r = magnifier_source(c.x, c.y, c.zoom, 800, 500);
    EXPECT_EQ((std::array<int, 4>{r.x, r.y, r.w, r.h}), (std::array<int, 4>{c.want.x, c.want.y, c.want.w, c.want.h}))
        << c.x << "," << c.y << " zoom " << c.zoom;
  }
}

TEST(WindowFont, FamilyOrMonospace) {
  auto mono = find_font("DejaVu Sans Mono", 400);
  ASSERT_TRUE(mono) << "fonts-dejavu-core is needed";
  EXPECT_NE(mono->file.find("DejaVuSansMono"), std::string::npos) << mono->file;
  // A proportional face asked by name is taken; bold is found as bold.
  auto sans = find_font("DejaVu Sans", 700);
  ASSERT_TRUE(sans);
  EXPECT_NE(sans->file.find("DejaVuSans-Bold"), std::string::npos) << sans->file;
  EXPECT_TRUE(sans->bold);
  // A face that does not exist gives the fixed-pitch default, never fontconfig's nearest guess.
  auto none = find_font("Fonte Que Nao Existe", 400);
  ASSERT_TRUE(none);
  EXPECT_EQ(none->file, find_font("monospace", 400)->file);
}

class FallbackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}) {
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
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST_F(FallbackTest, NoWindowFallsBackAndSaysSoOnce) {
  if (isatty(STDIN_FILENO) && isatty(STDOUT_FILENO)) GTEST_SKIP() << "running on a terminal";
  struct Case {
    const char* what;
    const char* display;
    const char* driver;
  };
  // SDL refusing a window is checked end to end (window_keys.sh): SDL's session-bus
  // connection would stay behind in this process.
  const Case cases[] = {{"no display", nullptr, nullptr}};
  for (const Case& c : cases) {
    if (c.display) setenv("DISPLAY", c.display, 1);
    if (c.driver) setenv("SDL_VIDEODRIVER", c.driver, 1);
    std::string why;
    EXPECT_EQ(make_window_backend(why), nullptr) << c.what;
    EXPECT_FALSE(why.empty()) << c.what;
    testing::internal::CaptureStderr();
    auto b = make_backend(BackendKind::window);
    const std::string said = testing::internal::GetCapturedStderr();
    ASSERT_NE(b, nullptr) << c.what;
    EXPECT_FALSE(b->holds_at_end()) << c.what;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("não abriu"), std::string::npos) << said;
  }
}

// A backend with what the window has besides drawing: a clipboard, focus, an end wait.
class DesktopBackend : public test::ScriptedBackend {
 public:
  std::optional<std::string> clip;  // null: no clipboard
  std::string set_to;
  bool holds = true;
  int close_on_pump = -1;  // the user closes the window at this pump
  bool input_ends = false;  // pump() says no input can come once the typed keys are out
  bool set_clipboard(const std::string& utf8) override {
    if (!clip) return false;
    set_to = utf8;
    return true;
  }
  std::optional<std::string> clipboard() override { return clip; }
  bool holds_at_end() const override { return holds; }
  bool pump(Console& con, int timeout) override {
    if (pumps == close_on_pump) {
      ++pumps;
      con.quit(0);
      return true;
    }
    const bool more = ScriptedBackend::pump(con, timeout);
    return more || !input_ends;
  }
};

class WindowModelTest : public ::testing::Test {
 protected:
  WindowModelTest() {
    auto b = std::make_unique<DesktopBackend>();
    backend = b.get();
    con.set_backend(std::move(b));
    con.set_quit_handler([this](int code) { quits.push_back(code); });
    con.ensure_window();
  }
  Console con;
  DesktopBackend* backend;
  std::vector<int> quits;
};

TEST_F(WindowModelTest, FinishKeepsTheWindowUntilItIsClosed) {
  backend->close_on_pump = backend->pumps + 3;
  backend->typed = "abc\x1b[1;5S";  // keys typed at the ended program go nowhere
  con.finish();
  EXPECT_EQ(con.title(), "Programa terminado");
  EXPECT_TRUE(con.closed());
  EXPECT_EQ(backend->pumps, backend->close_on_pump + 1);
  EXPECT_TRUE(quits.empty());  // an ordinary end, not a quit
  EXPECT_EQ(backend->log.back(), "close");
  EXPECT_EQ(con.key_count(), 0);
  EXPECT_FALSE(con.break_checking());
}

TEST_F(WindowModelTest, FinishEndsWhenNoInputCanComeAndAfterBreakChecking) {
  // pump() false: nothing more can come (the scripted keys ran out).
  backend->input_ends = true;
  con.finish();
  EXPECT_EQ(backend->log.back(), "close");
  con.key_down(Key::Break, Mods{.ctrl = true});
  EXPECT_TRUE(quits.empty());
}

TEST_F(WindowModelTest, NoWaitWithoutAWindowOrOnceClosed) {
  backend->holds = false;
  const int before = backend->pumps;
  con.finish();
  EXPECT_EQ(backend->pumps, before);
  // Ctrl+Break before the end quits at once; the finish after it does not wait.
  Console other;
  auto b = std::make_unique<DesktopBackend>();
  DesktopBackend* ob = b.get();
  other.set_backend(std::move(b));
  std::vector<int> codes;
  other.set_quit_handler([&](int code) { codes.push_back(code); });
  other.ensure_window();
  other.key_down(Key::Break, Mods{.ctrl = true});
  const int pumps = ob->pumps;
  other.finish();
  EXPECT_EQ(codes, std::vector<int>{255});
  EXPECT_EQ(ob->pumps, pumps);
}

TEST_F(WindowModelTest, Focus) {
  EXPECT_FALSE(con.focused().has_value());
  const uint64_t v = con.version();
  con.focus_changed(false);
  EXPECT_EQ(con.focused(), false);
  EXPECT_GT(con.version(), v);
  con.focus_changed(true);
  EXPECT_EQ(con.focused(), true);
}

TEST_F(WindowModelTest, ClipboardSpeaksUtf8ToTheDesktop) {
  // No clipboard: putting does nothing, getting leaves the caller's text alone.
  con.put_clipboard("x");
  EXPECT_EQ(backend->set_to, "");
  EXPECT_FALSE(con.clipboard_text(10));

  backend->clip = "";
  con.put_clipboard(std::string("Ol\xe1 \x80\0resto", 10));  // ends at the NUL
  EXPECT_EQ(backend->set_to, "Olá €");
  EXPECT_EQ(con.clipboard_text(10), "");
  EXPECT_FALSE(con.clipboard_text(0));
  backend->clip = "Ação Ω\r\nfim";
  EXPECT_EQ(con.clipboard_text(255), "A\xe7\xe3o ?\r\nfim");
  EXPECT_EQ(con.clipboard_text(4), "A\xe7\xe3");  // capacity - 1 characters
  EXPECT_EQ(con.clipboard_text(1), "");
  backend->clip = std::string(1 << 20, 'z') + "\xc3";
  EXPECT_EQ(con.clipboard_text(255), std::string(254, 'z'));
}

TEST_F(WindowModelTest, OverlayIsHeldByTheModel) {
  test::TempDir dir;
  std::string bmp(58, '\0');
  const auto put = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put(10, 54);
  put(14, 40);
  put(18, 1);
  put(22, 1);
  bmp[28] = 24;
  bmp[54] = '\x30';  // blue
  const std::string good = dir.file("a.bmp", bmp);
  put(14, 108);
  const std::string other_header = dir.file("b.bmp", bmp);

  EXPECT_FALSE(con.load_overlay(other_header));
  EXPECT_EQ(con.overlay(), nullptr);
  ASSERT_TRUE(con.load_overlay(good));
  ASSERT_NE(con.overlay(), nullptr);
  EXPECT_EQ(con.overlay()->image.pixels, std::vector<uint32_t>{0x30});
  const uint64_t serial = con.overlay_serial();
  con.draw_overlay_at(40, 30);
  con.set_overlay_scale(0);  // ignored
  con.set_overlay_scale(2.5);
  EXPECT_EQ(con.overlay()->x, 40);
  EXPECT_EQ(con.overlay()->scale, 2.5);
  EXPECT_EQ(con.overlay_serial(), serial);
  // A failed load leaves it; a good one replaces it at (0, 0), scale 1.
  EXPECT_FALSE(con.load_overlay(dir.path + "/missing.bmp"));
  EXPECT_EQ(con.overlay()->x, 40);
  ASSERT_TRUE(con.load_overlay(good));
  EXPECT_EQ(con.overlay()->x, 0);
  EXPECT_EQ(con.overlay()->scale, 1.0);
  EXPECT_GT(con.overlay_serial(), serial);
  con.remove_overlay();
  EXPECT_EQ(con.overlay(), nullptr);
}

}  // namespace
}  // namespace zn
