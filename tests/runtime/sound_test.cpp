// The speech and sound commands: what they say, what they send to the MIDI output, and
// the argument forms they refuse.
#include <filesystem>
#include <fstream>

#include "fixture.h"
#include "speech/znsapi.h"

namespace {

using rltest::Session;

struct Case {
  const char* statement;
  bool ok;
  const char* log;
};

void run_cases(std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    Session s;
    s.in().vars['A' - 'A'] = "ol";
    EXPECT_EQ(rl::execute_statement(s.in(), c.statement, false), c.ok) << c.statement;
    EXPECT_EQ(s.speech_log(), c.log) << c.statement;
  }
}

TEST(Fala, SpeaksTheJoinedValuesOrStops) {
  run_cases({
      {"fala \"bom \" a \"\xE1\"", true, "text bom olá\n"},
      {"fala a \"x\" &", true, "text olx\n"},
      {"fala \"a\" &  ", true, "text a\n"},
      {"fala", true, ""},
      {"fala &", true, ""},
      // What was read is spoken; the statement still fails.
      {"fala \"a\" )", false, "text a\n"},
  });
}

TEST(Soletra, SpellsThenWrites) {
  Session s;
  EXPECT_TRUE(rl::execute_statement(s.in(), "soletra \"Ab\" \"ignored\"", false));
  EXPECT_EQ(s.speech_log(), "char 65\nchar 98\n");
  EXPECT_EQ(s.screen(), "Ab");
  EXPECT_FALSE(rl::execute_statement(s.in(), "soletra", false));
}

TEST(Falahora, SpeaksHoursAndMinutesAndRefusesOtherShapes) {
  run_cases({
      {"falahora \"09:30\"", true, "fragment _nove\nfragment _horas\nfragment _trinta\nfragment _minutos\n"},
      {"falahora \"01:00\"", true, "fragment _uma\nfragment _hora\n"},
      {"falahora \"9:30\"", false, ""},
      {"falahora \"09.30\"", false, ""},
      {"falahora \"09:3x\"", false, ""},
      {"falahora \" 9:30\"", false, ""},
      {"falahora \"09:300\"", false, ""},
      {"falahora", false, ""},
  });
}

// Every MIDI form against the recorder; each row runs after MIDI INICIA unless it says.
TEST(Midi, FormsAndFailures) {
  struct Row {
    const char* statement;
    bool ok;
    std::vector<uint32_t> sent;  // after the reset of INICIA
  };
  const Row rows[] = {
      {"midi nl 1 60 100", true, {0x643C90}},
      {"MIDI NL16 127 0", true, {0x7F9F}},  // the form word may touch the channel
      {"midi nd 10 64", true, {0x4099}},
      {"midi tt 2 19", true, {0x13C1}},
      {"midi nl 17 60 100", false, {}},
      {"midi nl 0 60 100", false, {}},
      {"midi nl 1 128 100", false, {}},
      {"midi nl 1 60 -1", false, {}},
      {"midi nl 1 60", false, {}},
      {"midi nd 1 60 5", false, {}},
      {"midi tt 1 128", false, {}},
      {"midi tt 1 5 x", false, {}},
      {"midi nl", false, {}},
      {"midi xx 1 2", false, {}},
      {"midi inicia", false, {}},  // already started
      {"midi", false, {}},
  };
  for (const Row& r : rows) {
    Session s;
    auto rec = std::make_unique<plat::MidiRecorder>();
    plat::MidiRecorder* m = rec.get();
    s.rt.speech.midi.layer = std::move(rec);
    ASSERT_TRUE(rl::execute_statement(s.in(), "midi inicia", false));
    EXPECT_EQ(rl::execute_statement(s.in(), r.statement, false), r.ok) << r.statement;
    std::vector<uint32_t> want{0xFF};
    want.insert(want.end(), r.sent.begin(), r.sent.end());
    EXPECT_EQ(m->messages, want) << r.statement;
  }
}

TEST(Midi, StartStopAndPanic) {
  Session s;
  auto rec = std::make_unique<plat::MidiRecorder>();
  plat::MidiRecorder* m = rec.get();
  s.rt.speech.midi.layer = std::move(rec);
  for (const char* before : {"midi termina", "midi nl 1 60 100", "midi pane"})
    EXPECT_FALSE(rl::execute_statement(s.in(), before, false)) << before;
  EXPECT_TRUE(m->messages.empty());
  EXPECT_TRUE(rl::execute_statement(s.in(), "  midi Inicia ", false));
  EXPECT_TRUE(rl::execute_statement(s.in(), "midi pane", false));
  ASSERT_EQ(m->messages.size(), 1u + 16 * 128);
  EXPECT_EQ(m->messages[1], 0x90u);
  EXPECT_EQ(m->messages.back(), 0x9Fu | (127u << 8));
  EXPECT_TRUE(rl::execute_statement(s.in(), "midi termina", false));
  EXPECT_FALSE(rl::execute_statement(s.in(), "midi termina", false));
  EXPECT_EQ(m->opens, 1);
  EXPECT_EQ(m->closes, 1);
  EXPECT_TRUE(rl::execute_statement(s.in(), "midi inicia", false));
  EXPECT_EQ(m->opens, 2);
}

TEST(Mci, RepliesGoToTheVariableAndBadArgumentsFail) {
  rltest::InFolder f;
  Session s;
  EXPECT_TRUE(rl::execute_statement(s.in(), "mci $r \"status nothing mode\"", false));
  EXPECT_EQ(s.var("$r").rfind("erro", 0), 0u);
  EXPECT_TRUE(rl::execute_statement(s.in(), "mci $r \"bogus\"", false));
  EXPECT_EQ(s.var("$r"), "erro: comando desconhecido");
  EXPECT_FALSE(rl::execute_statement(s.in(), "mci $r", false));
  EXPECT_FALSE(rl::execute_statement(s.in(), "mci \"status x mode\"", false));
  EXPECT_FALSE(rl::execute_statement(s.in(), "mci $r \"close all\" x", false));
  EXPECT_TRUE(rl::execute_statement(s.in(), "mci $r \"close all\"", false));
  EXPECT_EQ(s.var("$r"), "");
}

TEST(Toca, ArgumentsAndAFileThatIsNoSound) {
  rltest::InFolder f;
  std::ofstream("fake.wav") << "plain text\n";
  Session s;
  EXPECT_FALSE(rl::execute_statement(s.in(), "toca", false));
  EXPECT_FALSE(rl::execute_statement(s.in(), "toca \"a.wav\" \"b.wav\"", false));
  // Not a sound or not there: nothing plays and the command still succeeds.
  EXPECT_TRUE(rl::execute_statement(s.in(), "toca \"fake.wav\"", false));
  EXPECT_TRUE(rl::execute_statement(s.in(), "toca \"missing.mid\" &", false));
  EXPECT_TRUE(rl::execute_statement(s.in(), "mci $r \"status myfile mode\"", false));
  EXPECT_EQ(s.var("$r").rfind("erro", 0), 0u);  // the waiting form closed what it opened
}

}  // namespace
