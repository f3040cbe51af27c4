// The spoken line editor driven by typed keys: what each key does to the field and says.
#include <filesystem>

#include "speech/editor.h"
#include "speech/znsapi.h"
#include "tests/speech/typist_fixture.h"

namespace {

using typist_test::TypistTest;

class EditorTest : public TypistTest {
 protected:
  int edit(std::string& field, bool flag = true, int max_len = 80, int col = 1, int row = 1) {
    return speech::edit_line_here(s, field, col, row, flag, max_len);
  }
};

TEST_F(EditorTest, KeyTable) {
  const struct Case {
    const char* name;
    std::string initial;
    bool flag;
    std::string keys;
    std::string field;
    int code;
    std::string said;  // the whole log of the edit
  } cases[] = {
      {"typing echoes", "", true, "ab\r", "ab", 13, "char 97\nchar 98\n"},
      {"backspace deletes with _DEL", "", true, "ab\x7f\r", "a", 13, "char 97\nchar 98\nfragment _DEL\nchar 98\n"},
      {"backspace at 1 beeps", "", true, "\x7f\r", "", 13, "beep\n"},
      {"del at the cursor", "", true, "abc\033[H\033[3~\r", "bc", 13,
       "char 97\nchar 98\nchar 99\nfragment _DEL\nchar 97\n"},
      {"left speaks, beeps at 1", "", true, "ab\033[D\033[D\033[D\r", "ab", 13,
       "char 97\nchar 98\nchar 98\nchar 97\nbeep\n"},
      {"right beyond the text beeps", "", true, "a\033[C\r", "a", 13, "char 97\nbeep\n"},
      {"alt+right says the letter's sound", "", true, "a\033[H\033[1;3C\r", "a", 13, "char 97\nfragment _FON97\n"},
      {"ctrl+backspace deletes the word", "", true, "um dois\x08\r", "um", 13,
       "char 117\nchar 109\nchar 32\nchar 100\nchar 111\nchar 105\nchar 115\n"
       "fragment _DEL\nchar 100\nchar 111\nchar 105\nchar 115\n"},
      {"word moves click and beep", "", true, "ab 12\033[H\033[1;5C\033[1;5C\033[1;5D\033[1;5D\033[1;5D-\r", "-ab 12", 13,
       "char 97\nchar 98\nchar 32\nchar 49\nchar 50\nclick\nbeep\nclick\nclick\nbeep\nchar 45\n"},
      {"letters and digits are words apart", "", true, "ab12\033[H\033[1;5C-\r", "ab-12", 13,
       "char 97\nchar 98\nchar 49\nchar 50\nclick\nchar 45\n"},
      {"ctrl+k says the position", "", true, "ab\x0b\r", "ab", 13, "char 97\nchar 98\ntext 3\nfragment _tres\n"},
      {"ctrl+f1 says the field", "x y", true, "\033[1;5P\r", "x y", 13, "text x y\n"},
      {"tab, esc and an arrow end editing", "", true, "a\t", "a", 9, "char 97\n"},
      {"esc ends with 27", "a", true, "\033\033", "a", 27, ""},
      {"up ends with 72", "a", true, "\033[A", "a", 72, ""},
      {"ctrl+f9 ends with 102", "", true, "\033[20;5~", "", 102, ""},
      {"alt+digit does nothing", "", true, "\0337\r", "", 13, ""},
      {"trailing blanks go", "ab   ", false, "\r", "ab", 13, ""},
      {"proposed answer replaced", "Maria", true, "J\r", "J", 13, "click\nclick\nchar 74\n"},
      {"without the flag it is kept", "Maria", false, "J\r", "JMaria", 13, "click\nclick\nchar 74\n"},
      {"an arrow first keeps it", "Maria", true, "\033[Cx\r", "Mxaria", 13, "char 77\nchar 120\n"},
      {"ctrl+y blanks the field", "abc", true, "\033[C\x19z\r", "z", 13, "char 97\nfragment _CPOAPA\nchar 122\n"},
      {"ctrl+y needs the flag", "abc", false, "\033[C\x19\r", "abc", 13, "char 97\n"},
      {"ctrl+s drops what is before", "abcd", true, "\033[C\033[C\x13\r", "cd", 13,
       "char 97\nchar 98\nfragment _APICPO\n"},
      {"ctrl+d drops what is after", "abcd", true, "\033[C\033[C\x04\r", "ab", 13,
       "char 97\nchar 98\nfragment _APFCPO\n"},
      {"ctrl+u restores", "abcd", true, "\033[Cx\x15\r", "abcd", 13, "char 97\nchar 120\nbeep\nbeep\nbeep\n"},
      {"ctrl+u needs the flag", "abcd", false, "\033[Cx\x15\r", "axbcd", 13, "char 97\nchar 120\n"},
      {"f4 turns the echo off and on", "", true, "\033OSa\033OSb\r", "ab", 13,
       "fragment _FALDLG\nfragment _FALACI\nchar 98\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    s.editor.echo = true;
    type(c.keys);
    log();
    std::string field = c.initial;
    EXPECT_EQ(edit(field, c.flag), c.code);
    EXPECT_EQ(field, c.field);
    EXPECT_EQ(log(), c.said);
  }
}

TEST_F(EditorTest, F1SpeaksNumbersWordsAndSpellsConsonants) {
  type("\033OP\033OP\033OP\033OP\033OP\r");
  std::string field = "  CNPJ -12 casa ;";
  EXPECT_EQ(edit(field), 13);
  EXPECT_EQ(log(), "char 67\nchar 78\nchar 80\nchar 74\ntext -12\nfragment _MENOS\nfragment _doze\ntext casa\nchar 59\nbeep\n");
}

TEST_F(EditorTest, TheEchoFlagOutlivesOneEdit) {
  type("\033OS\r");
  std::string field;
  edit(field);
  EXPECT_FALSE(s.editor.echo);
  type("q\r");
  log();
  edit(field);
  EXPECT_EQ(field, "q");
  EXPECT_EQ(log(), "");
}

TEST_F(EditorTest, MaximumLengthBeepsAndDropsWhatFallsOff) {
  type("abcd\r");
  std::string field;
  EXPECT_EQ(edit(field, true, 3), 13);
  EXPECT_EQ(field, "abc");
  EXPECT_EQ(log(), "char 97\nchar 98\nchar 99\nbeep\n");

  // Inserting in a full field pushes the last character out.
  type("\033[Cx\r");
  field = "abc";
  edit(field, false, 3);
  EXPECT_EQ(field, "axb");
}

TEST_F(EditorTest, LongFieldsScrollInsideTheirWidthAndAreCutAt2048) {
  std::string field(3000, 'a');
  type("\033[F\r");
  EXPECT_EQ(speech::edit_line(s, field, 10, 3, true, 20, 5000), 13);
  EXPECT_EQ(field.size(), 2048u);
  // Shown plainly at its start, in its 20 columns only.
  EXPECT_EQ(con.screen_text(), "\n\n         " + std::string(20, 'a') + "\n");
  EXPECT_EQ(s.editor.final_pos, 2049);
  EXPECT_EQ(con.cursor_col(), 10);

  // Typing at the end of a full field beeps and changes nothing.
  type("\033[Fz\r");
  edit(field, true, 2048);
  EXPECT_EQ(field, std::string(2048, 'a'));
}

TEST_F(EditorTest, TheLastRowLeavesTheLastColumnAlone) {
  // Writing the last cell of the screen would scroll it.
  std::string field(100, 'b');
  type("\r");
  speech::edit_line(s, field, 71, 25, true, 80, 100);
  EXPECT_EQ(con.char_at(78, 24), 'b');
  EXPECT_EQ(con.char_at(79, 24), ' ');
  EXPECT_EQ(con.char_at(0, 0), ' ');
}

TEST_F(EditorTest, ControlsInAFieldShowAsBlanks) {
  std::string field = "a\tb\x07";
  type("\r");
  edit(field, true, 80, 1, 2);
  EXPECT_EQ(con.screen_text(), "\na b\n");
  EXPECT_EQ(field, "a\tb\x07");
}

TEST_F(EditorTest, SelectionCopyAndPaste) {
  // Shift+Right twice selects "bc", shown in colour 8; Ctrl+C copies it.
  type("\033[C\033[1;2C\033[1;2C\x03\r");
  std::string field = "abcd";
  edit(field);
  EXPECT_EQ(backend->clip, "bc");

  // Without a selection the copy is the field and a line end.
  type("\x03\r");
  edit(field);
  EXPECT_EQ(backend->clip, "abcd\r\n");

  // The paste replaces the selection, up to the clipboard's first line end.
  backend->clip = "XYZ\r\nlost";
  type("\033[C\033[1;2C\x16\r");
  edit(field);
  EXPECT_EQ(field, "aXYZcd");

  // As the first key it replaces the proposed answer.
  type("\x16\r");
  log();
  edit(field);
  EXPECT_EQ(field, "XYZ");
  EXPECT_EQ(log(), "click\nclick\n");
}

TEST_F(EditorTest, TheSelectionIsShownInColourEight) {
  con.set_attribute(0x0F);
  std::vector<int> colours;  // of the first three cells, before the fourth key
  backend->on_key = [&](size_t n) {
    if (n == 3)
      for (int c = 0; c < 3; ++c) colours.push_back(con.attr_at(c, 0) & 0x0F);
  };
  type("\033[C\033[1;2C\033[1;2C\r");
  std::string field = "abcd";
  edit(field);
  EXPECT_EQ(colours, (std::vector<int>{15, 8, 8}));
  EXPECT_EQ(con.attr_at(1, 0) & 0x0F, 15);  // shown plainly at the end
  EXPECT_EQ(con.attribute(), 0x0F);
}

TEST_F(EditorTest, ShiftDelOfASelectionSaysDelOnceAndEachCharacter) {
  // A key without Shift drops the selection first, so plain Del takes one character.
  type("\033[C\033[1;2C\033[1;2C\033[3;2~\033[1;2C\033[3~\r");
  std::string field = "abcd";
  log();
  edit(field);
  EXPECT_EQ(field, "ad");
  EXPECT_EQ(log(), "char 97\nchar 98\nchar 99\nfragment _DEL\nchar 98\nchar 99\nchar 100\nfragment _DEL\nchar 32\n");
}

TEST_F(EditorTest, PastingAHundredKilobytesKeepsTheBounds) {
  backend->clip = std::string(100 * 1024, 'x') + "\nrest";
  type("\x16\x16\033[Fy\r");
  std::string field;
  EXPECT_EQ(speech::edit_line(s, field, 1, 1, true, 80, 2048), 13);
  EXPECT_EQ(field, std::string(2048, 'x'));

  backend->clip = std::string(100 * 1024, 'z');
  type("\x16\r");
  con.go_to(1, 5);
  const std::string line = speech::read_line_spoken(s);
  EXPECT_EQ(line, std::string(255, 'z'));
}

TEST_F(EditorTest, ReadLineSpokenEscErasesWhatWasTyped) {
  con.write("Nome: ");
  type("abc\033\033");
  EXPECT_EQ(speech::read_line_spoken(s), "");
  EXPECT_EQ(con.screen_text(), "Nome:\n");
  EXPECT_EQ(con.cursor_row(), 2);

  type("ok\r");
  EXPECT_EQ(speech::read_line_spoken(s), "ok");
  EXPECT_EQ(con.screen_text(), "Nome:\nok\n");
}

TEST_F(EditorTest, AClosedWindowEndsEditingWithWhatWasTyped) {
  type("ab");
  std::string field;
  EXPECT_EQ(edit(field), 13);
  EXPECT_EQ(field, "ab");
  EXPECT_EQ(quits, std::vector<int>{0});
}

TEST_F(EditorTest, KeysFasterThanSpeechCutItShort) {
  rec.hold = true;  // every wave plays until stopped
  dir.file("palmir/som/letras/_107.wav", sound_test::wav(1, 11025, 8, std::string(2000, '\x80')));
  // Typed ahead: each echo is logged, but no wave starts while a key waits.
  for (int i = 0; i < 40; ++i) con.push_key('k');
  con.push_key(13);
  std::string field;
  EXPECT_EQ(edit(field), 13);
  EXPECT_EQ(field, std::string(40, 'k'));
  EXPECT_EQ(log(), chars(std::string(40, 'k')));
  EXPECT_TRUE(rec.writes.empty());

  // One at a time, each while the last echo plays: the next key cuts it off.
  backend->impatient = true;
  type("kkkkk\r");
  field.clear();
  edit(field);
  EXPECT_EQ(rec.writes.size(), 5u);
  EXPECT_GE(rec.flushes, 5);  // and no wave left playing
  EXPECT_TRUE(rec.live == nullptr || rec.live->pending() == 0);
}

TEST_F(EditorTest, CtrlBackslashDialsTheField) {
  // The terminal's key decoder has no Ctrl+\\: the key goes in as the window gives it.
  con.push_key(28);
  con.push_key(13);
  std::string field = "12#";
  edit(field);
  EXPECT_EQ(log(), "fragment dtmf_1\nfragment dtmf_2\nfragment dtmf_#\n");
}

class EditorVoiceTest : public EditorTest {
 protected:
  EditorVoiceTest() {
    dir.file("letras/.keep", "");
    auto data = [](const std::string& name) {
      const char* tests = std::getenv("ROTEIRAL_TEST_DATA");
      return sound_test::read_file(std::string(tests ? tests : "tests") + "/../data/" + name);
    };
    dir.file("difones/regras.rgr", data("regras.rgr"));
    dir.file("difones/portug.exc", data("portug.exc"));
    dir.file("difones/TESTE.IND", std::string(1, '\0'));
    dir.file("difones/TESTE.DIF", "");
    dir.file("windows/ZUNAPE.INI",
             "[TRADUTOR]\r\nDIRLETRAS=c:\\letras\r\nDIRDIFONES=c:\\difones\r\n"
             "[SINTETIZADOR]\r\nDIFONES1=TESTE\r\nDIFONES2=TESTE\r\nDIFONES3=TESTE\r\n"
             "DIFONES4=TESTE\r\nDIFONES5=TESTE\r\n[ZUNAPE]\r\nPROG.TXT=leitor\r\nPROG.HTM=navega\r\n");
    started = speech::speech_init(s, 3, "c:\\sons") == 0;
  }
  bool started = false;
};

TEST_F(EditorVoiceTest, CtrlF4ThenADigitChangesTheLevel) {
  ASSERT_TRUE(started) << con.screen_text();
  type("\033[1;5S4\r");
  log();
  std::string field;
  edit(field);
  EXPECT_EQ(s.speed_level, 4);
  EXPECT_EQ(s.script_dir, "c:\\sons\\");
  EXPECT_EQ(log().substr(0, 24), "fragment _VELOC\nchar 52\n");

  for (const char* keys : {"\033[1;5S\033\033\r", "\033[1;5S\r\r", "\033[1;5Sx\r"}) {
    type(keys);
    edit(field);
    EXPECT_EQ(s.speed_level, 4) << keys;
  }
}

TEST_F(EditorVoiceTest, OpenLinkChoosesTheProgramFromTheProfile) {
  auto shell = std::make_unique<plat::RecordingShell>();
  plat::RecordingShell* rs = shell.get();
  s.editor.shell = std::move(shell);
  speech::open_link(s, "notas.txt");
  speech::open_link(s, "https://exemplo.org");
  speech::open_link(s, "foto.jpg");
  speech::open_link(s, "c:\\jogo.exe");
  speech::open_link(s, "jogo.EXE");
  ASSERT_EQ(rs->requests.size(), 5u);
  EXPECT_EQ(rs->requests[0].program, "leitor");
  EXPECT_EQ(rs->requests[0].parameters, "notas.txt");
  EXPECT_EQ(rs->requests[1].program, "navega");
  EXPECT_EQ(rs->requests[1].parameters, "https://exemplo.org");
  EXPECT_EQ(rs->requests[2].program, "foto.jpg");  // nothing configured: opened itself
  EXPECT_EQ(rs->requests[2].parameters, "");
  EXPECT_EQ(rs->requests[3].program, "c:\\jogo.exe");
  const std::string here = plat::current_directory();
  EXPECT_EQ(rs->requests[4].program, here + (here.ends_with("/") ? "" : "\\") + "jogo.EXE");

  // F12 in the editor opens the word at the cursor, without the marks around it.
  type("\033[1;5C\033[24~\033[F\033[24~\r");
  std::string field = "ver (notas.txt). ou ...";
  edit(field);
  ASSERT_EQ(rs->requests.size(), 6u);
  EXPECT_EQ(rs->requests[5].parameters, "notas.txt");
  EXPECT_NE(log().find("beep"), std::string::npos);  // "..." leaves nothing to open
}

}  // namespace
