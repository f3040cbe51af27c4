// MSAA over an in-memory accessibility source, IMAGEM on the console's overlay, SENSOR
// over the in-memory port.
#include <gtest/gtest.h>

#include <set>

#include "../automation/fake_source.h"
#include "fixture.h"

namespace {

using autotest::FakeSource;
using rltest::Session;

struct Msaa : ::testing::Test {
  Session s;
  FakeSource* src = nullptr;
  void SetUp() override {
    s.in().msaa = std::make_unique<autom::Msaa>();
    auto fake = std::make_unique<FakeSource>();
    src = fake.get();
    s.in().msaa->source = std::move(fake);
  }
  bool run(const std::string& statement) { return rl::execute_statement(s.in(), statement, false); }
};

TEST_F(Msaa, ChecaBeforeMonitoraYieldsZero) {
  src->arrive(plat::AccessEvent::focus, FakeSource::object(autotest::facts("a")));
  EXPECT_TRUE(run("msaa checa x"));
  EXPECT_EQ(s.var("x"), "0");
}

TEST_F(Msaa, EveryFieldOfTheDescribedObject) {
  plat::AccessibleFacts f = autotest::facts("Aceito", "check box");
  f.role_text = "caixa de sele\xC3\xA7\xC3\xA3o";
  f.checked = true;
  f.value = "1";
  f.extents = plat::Extents{300, 238, 990, 22};
  ASSERT_TRUE(run("MSAA monitora"));
  src->arrive(plat::AccessEvent::focus, FakeSource::object(f));
  ASSERT_TRUE(run("msaa checa x"));
  EXPECT_EQ(s.var("x"), "1");
  const std::pair<const char*, const char*> reads[] = {
      {"msaa nome $n", "Aceito"},       {"msaa codigo c", "44"},   {"msaa c\xF3" "digo c", "44"},
      {"msaa C\xD3" "DIGO c", "44"},    {"msaa tipo t", "caixa de sele\xE7\xE3o"},
      {"msaa estado e", "marcado"},     {"msaa valor v", "1"},
  };
  for (const auto& [statement, want] : reads) {
    ASSERT_TRUE(run(statement)) << statement;
    std::string_view t = std::string_view(statement);
    const std::string var(t.substr(t.rfind(' ') + 1));
    EXPECT_EQ(s.var(var), want) << statement;
  }
  ASSERT_TRUE(run("msaa area a b w h"));
  EXPECT_EQ(s.var("a") + "," + s.var("b") + "," + s.var("w") + "," + s.var("h"), "300,238,990,22");
  // The queue is empty again.
  ASSERT_TRUE(run("msaa checa x"));
  EXPECT_EQ(s.var("x"), "0");
}

TEST_F(Msaa, FormsThatFail) {
  for (const char* statement : {"msaa", "msaa outra x", "msaa checa", "msaa nome", "msaa nome 5",
                                "msaa area a b c", "msaa captura 10", "msaa captura 10 \"x\"",
                                "msaa captura \"dez\" 10"})
    EXPECT_FALSE(run(statement)) << statement;
  // A missing variable takes no event.
  ASSERT_TRUE(run("msaa monitora"));
  src->arrive(plat::AccessEvent::focus, FakeSource::object(autotest::facts("a")));
  EXPECT_FALSE(run("msaa checa"));
  ASSERT_TRUE(run("msaa checa x"));
  EXPECT_EQ(s.var("x"), "1");
}

TEST_F(Msaa, CapturaAndFim) {
  src->at_point = FakeSource::object(autotest::facts("Enviar"));
  s.in().vars['X' - 'A'] = "795";
  ASSERT_TRUE(run("msaa captura x (200+17)"));
  EXPECT_EQ(src->asked_x, 795);
  EXPECT_EQ(src->asked_y, 217);
  ASSERT_TRUE(run("msaa nome n"));
  EXPECT_EQ(s.var("n"), "Enviar");
  ASSERT_TRUE(run("msaa monitora"));
  ASSERT_TRUE(run("msaa fim"));
  src->arrive(plat::AccessEvent::focus, FakeSource::object(autotest::facts("b")));
  ASSERT_TRUE(run("msaa checa x"));
  EXPECT_EQ(s.var("x"), "0");
}

TEST_F(Msaa, WithoutABusEveryFormIsClean) {
  src->bus = false;
  for (const char* statement : {"msaa monitora", "msaa checa x", "msaa captura 1 2", "msaa nome n",
                                "msaa codigo c", "msaa area a b w h", "msaa fim"})
    EXPECT_TRUE(run(statement)) << statement;
  EXPECT_EQ(s.var("x"), "0");
  EXPECT_EQ(s.var("n"), "");
  EXPECT_EQ(s.var("c"), "0");
  EXPECT_EQ(s.var("w"), "0");
}

struct Sensor : ::testing::Test {
  Session s;
  std::set<int> closed;
  bool device = true;
  int opens = 0;
  void SetUp() override {
    s.in().sensor = std::make_unique<autom::Sensor>();
    s.in().sensor->open_port = [this]() -> std::unique_ptr<plat::Ports> {
      ++opens;
      if (!device) return nullptr;
      auto port = std::make_unique<plat::MemoryPorts>();
      // Switches between the rows (data lines) and columns (status bits 7..4).
      port->status_of = [this](uint8_t data, uint8_t) {
        uint8_t st = 0x7F;
        for (int n : closed)
          if ((data & (0x80 >> ((n - 1) / 4))) == 0) st ^= static_cast<uint8_t>(0x80 >> ((n - 1) % 4));
        return st;
      };
      return port;
    };
  }
  std::string sensor() {
    EXPECT_TRUE(rl::execute_statement(s.in(), "sensor x", false));
    return s.var("x");
  }
};

TEST_F(Sensor, FirstActiveOrZero) {
  s.in().vars['X' - 'A'] = "old";
  EXPECT_EQ(sensor(), "0");  // loaded with nothing closed: the baseline
  closed = {6, 20};
  EXPECT_EQ(sensor(), "6");
  closed = {20};
  EXPECT_EQ(sensor(), "20");
  closed.clear();
  EXPECT_EQ(sensor(), "0");
  EXPECT_EQ(opens, 1);
  EXPECT_FALSE(rl::execute_statement(s.in(), "sensor", false));
}

TEST_F(Sensor, WithoutThePortDeviceEveryCallSaysSo) {
  device = false;
  s.in().vars['X' - 'A'] = "old";
  EXPECT_EQ(sensor(), "0");
  EXPECT_EQ(sensor(), "0");
  EXPECT_EQ(opens, 2);
  const std::string message = "inpout32.dll n\xC3\xA3o dispon\xC3\xADvel.";
  const std::string screen = s.screen();
  EXPECT_EQ(screen, message + "\n" + message);
  const std::string log = s.speech_log();
  size_t said = 0;
  for (size_t at = log.find("text " + message); at != std::string::npos; at = log.find("text " + message, at + 1)) ++said;
  EXPECT_EQ(said, 2u) << log;
}

struct Imagem : ::testing::Test {
  rltest::InFolder folder;
  Session s;
  bool run(const std::string& statement) { return rl::execute_statement(s.in(), statement, false); }
  // A 2 x 2 BMP, 24 bits, bottom-up.
  static std::string bmp() {
    std::string b(54 + 16, '\0');
    auto put = [&b](size_t at, uint32_t v, int n) {
      for (int i = 0; i < n; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put(2, 70, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, 2, 4);
    put(22, 2, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    return b;
  }
};

TEST_F(Imagem, ShowsMovesAndRemoves) {
  folder.t.file("a.bmp", bmp());
  ASSERT_TRUE(run("imagem \"a.bmp\" 10 (5*4)"));
  ASSERT_NE(s.rt.console.overlay(), nullptr);
  EXPECT_EQ(s.rt.console.overlay()->x, 10);
  EXPECT_EQ(s.rt.console.overlay()->y, 20);
  ASSERT_TRUE(run("imagem \"A.BMP\""));
  EXPECT_EQ(s.rt.console.overlay()->x, 0);
  ASSERT_TRUE(run("imagem"));
  EXPECT_EQ(s.rt.console.overlay(), nullptr);
}

TEST_F(Imagem, MissingFilesAndBadArguments) {
  folder.t.file("a.bmp", bmp());
  ASSERT_TRUE(run("imagem \"a.bmp\""));
  EXPECT_FALSE(run("imagem \"falta.bmp\""));
  EXPECT_EQ(s.rt.console.overlay(), nullptr);  // the old picture is removed first
  EXPECT_TRUE(run("imagem \"falta.bmp\" &"));
  EXPECT_TRUE(run("imagem \"falta.jpg\" 3 4&"));
  EXPECT_TRUE(run("imagem \"\" &"));
  EXPECT_FALSE(run("imagem \"\""));
  EXPECT_EQ(s.rt.console.overlay(), nullptr);
  // A name and only x; a y that is no number; something after y: refused before the old
  // picture is touched.
  ASSERT_TRUE(run("imagem \"a.bmp\""));
  for (const char* statement : {"imagem \"a.bmp\" 10", "imagem \"a.bmp\" 10 \"y\"", "imagem \"a.bmp\" 1 2 3",
                                "imagem \"a.bmp\" 10 &"})
    EXPECT_FALSE(run(statement)) << statement;
  EXPECT_NE(s.rt.console.overlay(), nullptr);
}

}  // namespace
