// LE, ABRE, FECHA, CHECA and the file slots; the screen commands.
#include <gtest/gtest.h>

#include "fixture.h"

namespace {

using rltest::Session;

// Each file test runs in a fresh current directory.
class FileSlots : public ::testing::Test {
 protected:
  std::string slurp(const std::string& name) const { return folder_.t.read(name); }
  void put(const std::string& name, const std::string& bytes) const { folder_.t.file(name, bytes); }

 private:
  rltest::InFolder folder_;
};

TEST_F(FileSlots, WriteThenReadBackWithCheca) {
  Session s;
  s.run({"abre #2 \"sa\xED" "da.txt\" &", "escreve #2 \"um\"", "escreve #2 \"do\" &", "escreve #2 \"is\"",
         "escreve #2", "fecha #2", "abre #1 \"sa\xED" "da.txt\"", "le #1 a", "checa c", "le #1 b", "le #1 d",
         "le #1 e", "checa f", "fecha #1"});
  EXPECT_EQ(slurp("saída.txt"), "um\r\ndois\r\n\r\n");
  EXPECT_EQ(s.var("a"), "um");
  EXPECT_EQ(s.var("c"), "0");
  EXPECT_EQ(s.var("b"), "dois");
  EXPECT_EQ(s.var("d"), "");
  EXPECT_EQ(s.var("e"), "");
  EXPECT_EQ(s.var("f"), "1");
  EXPECT_EQ(s.screen(), "Fim do script");
}

TEST_F(FileSlots, ReadingAcceptsBothLineEndsAndALastLineWithoutOne) {
  put("t.txt", std::string("a\r\nb\nc\rd\x00z\ne", 12));
  Session s;
  s.run({"abre #0 \"t.txt\"", "le #0 a", "le #0 b", "le #0 c", "le #0 d", "checa x", "le #0 e", "checa y"});
  EXPECT_EQ(s.var("a"), "a");
  EXPECT_EQ(s.var("b"), "b");
  EXPECT_EQ(s.var("c"), std::string("c\rd\x00z", 5));
  EXPECT_EQ(s.var("d"), "e");
  EXPECT_EQ(s.var("x"), "0");
  EXPECT_EQ(s.var("e"), "");
  EXPECT_EQ(s.var("y"), "1");
}

TEST_F(FileSlots, AppendKeepsWhatWasThere) {
  put("log.txt", "velho\r\n");
  Session s;
  s.run({"abre #3 \"LOG.TXT\"&", "escreve #3 \"novo\"", "fecha #3"});
  EXPECT_EQ(slurp("log.txt"), "velho\r\nnovo\r\n");  // the existing name is found whatever its case
}

TEST_F(FileSlots, Messages) {
  struct {
    std::vector<std::string> lines;
    const char* screen;
  } cases[] = {
      {{"abre #1 \"falta.txt\""}, "Erro na abertura do arquivo falta.txt"},
      {{"abre #1 \"\""}, "Erro na abertura do arquivo"},
      {{"abre 1 \"x\""}, "Erro na abertura do arquivo"},
      {{"abre #1 \".\""}, "Erro na abertura do arquivo ."},
      {{"fecha"}, "Erro no fechamento do arquivo"},
      {{"fecha #x"}, "Erro no fechamento do arquivo"},
      {{"escreve #4 \"x\""}, "Erro no processamento de arquivo"},
      {{"le #4 a"}, "Erro no processamento de arquivo"},
      {{"le #4"}, "Erro no processamento de arquivo"},
  };
  for (const auto& c : cases) {
    Session s("\r");
    s.run(c.lines);
    EXPECT_EQ(s.screen(), std::string(c.screen) + "\nErro de execução na linha 1") << c.lines[0];
  }
  Session s;
  s.run({"fecha #5"});  // closing a slot never opened succeeds
  EXPECT_EQ(s.screen(), "Fim do script");
}

TEST_F(FileSlots, WrongDirectionSetsTheStatus) {
  put("r.txt", "linha\r\n");
  Session s;
  s.run({"abre #1 \"r.txt\"", "escreve #1 \"x\"", "checa a", "abre #2 \"w.txt\" &", "le #2 b", "checa c",
         "abre #1 \"r.txt\"", "le #1 d"});
  EXPECT_NE(s.var("a"), "0");
  EXPECT_NE(s.var("c"), "0");
  EXPECT_EQ(slurp("r.txt"), "linha\r\n");
  EXPECT_EQ(s.var("d"), "linha");  // the slot opened again reads from the start
}

TEST_F(FileSlots, LongBinaryLine) {
  std::string big(10 << 20, 'x');
  big[5] = '\0';
  big[6] = '\xff';
  put("big.bin", big + "\r\nfim");
  Session s;
  s.run({"abre #1 \"big.bin\"", "le #1 a", "le #1 b"});
  EXPECT_EQ(s.var("a"), big);
  EXPECT_EQ(s.var("b"), "fim");
}

struct KeyCase {
  const char* keys;
  const char* statement;
  const char* value;
};

TEST(LeConsole, KeysAndLines) {
  const KeyCase cases[] = {
      {"abc\r", "le a", "abc"},
      {"ab\x7f" "c\r", "le mudo a", "ac"},
      {"segredo\r", "le senha a", "segredo"},
      {"linha\r", "le edita a", "linha"},
      {"\r", "le a &", "#13"},
      {"\x1bOP", "le a &", "#0#59"},
      {"x", "le a&", "x"},
      {"\x09", "le mudo a &", "#9"},
      {"A", "le tecla a", "100#65"},
      {"a", "le a tecla &", "000#97"},
      {"\x1b[1;5D", "le tecla a", "010#0#115"},
  };
  for (const auto& c : cases) {
    Session s(c.keys);
    ASSERT_TRUE(rl::execute_statement(s.in(), c.statement, false)) << c.statement;
    EXPECT_EQ(s.var("a"), c.value) << c.statement;
  }
}

TEST(LeConsole, SpokenFormsSpeakTheKey) {
  Session s("q");
  ASSERT_TRUE(rl::execute_statement(s.in(), "le k &", false));
  EXPECT_EQ(s.speech_log(), "char 113\n");
  Session m("q");
  ASSERT_TRUE(rl::execute_statement(m.in(), "le mudo k &", false));
  EXPECT_EQ(m.speech_log(), "");
}

TEST(LeConsole, DiscardingForms) {
  Session s("xyz\rk");
  EXPECT_TRUE(rl::execute_statement(s.in(), "le", false));
  EXPECT_EQ(s.in().console->key_count(), 1);
  EXPECT_TRUE(rl::execute_statement(s.in(), "le &", false));
  EXPECT_EQ(s.in().console->key_count(), 0);
}

TEST(LeConsole, PasswordIsBlackOnBlack) {
  Session s("abc\r");
  ASSERT_TRUE(rl::execute_statement(s.in(), "le senha a", false));
  const zn::Console& c = *s.in().console;
  EXPECT_EQ(c.char_at(0, 0), 'a');
  EXPECT_EQ(c.attr_at(0, 0), 0);
  EXPECT_EQ(c.attribute(), 15);
  EXPECT_EQ(s.speech_log(), "");
}

TEST(Checa, Forms) {
  Session s;
  s.in().status = 7;
  EXPECT_TRUE(rl::execute_statement(s.in(), "checa c", false));
  EXPECT_EQ(s.var("c"), "7");
  EXPECT_FALSE(rl::execute_statement(s.in(), "checa c d", false));
  EXPECT_FALSE(rl::execute_statement(s.in(), "checa", false));
}

TEST(ScreenCommands, TelaForms) {
  struct {
    const char* statement;
    bool ok;
    int col, row;
  } cases[] = {{"tela @10,5", true, 10, 5}, {"tela @100,5", true, 80, 5}, {"tela @0,0", true, 1, 1},
               {"tela @ 3 , 4", true, 3, 4}, {"tela @10", false, 1, 1},    {"tela @a,b", false, 1, 1},
               {"tela", false, 1, 1},        {"tela outra", false, 1, 1}};
  for (const auto& c : cases) {
    Session s;
    EXPECT_EQ(rl::execute_statement(s.in(), c.statement, false), c.ok) << c.statement;
    EXPECT_EQ(s.in().console->cursor_col(), c.col) << c.statement;
    EXPECT_EQ(s.in().console->cursor_row(), c.row) << c.statement;
  }
}

TEST(ScreenCommands, LimpaAndWindowStates) {
  Session s;
  s.in().vars['L' - 'A'] = "LIMPA";
  s.in().vars['M' - 'A'] = "limpa";
  ASSERT_TRUE(rl::execute_statement(s.in(), "escreve \"texto\"", false));
  ASSERT_TRUE(rl::execute_statement(s.in(), "tela l", false));
  EXPECT_EQ(s.screen(), "");
  EXPECT_FALSE(rl::execute_statement(s.in(), "tela m", false));  // the variable's text is not folded
  ASSERT_TRUE(rl::execute_statement(s.in(), "escreve \"x\"", false));
  ASSERT_TRUE(rl::execute_statement(s.in(), "tela limpa", false));
  EXPECT_EQ(s.screen(), "");
  ASSERT_TRUE(rl::execute_statement(s.in(), "tela minimizada", false));
  EXPECT_TRUE(s.in().console->hidden());
  ASSERT_TRUE(rl::execute_statement(s.in(), "tela Normal", false));
  EXPECT_FALSE(s.in().console->hidden());
}

TEST(ScreenCommands, ErrorShowsAHiddenWindow) {
  Session s("\r");
  s.run({"tela minimizada", "retorna"});
  EXPECT_FALSE(s.in().console->hidden());
}

TEST(ScreenCommands, Colours) {
  Session s;
  ASSERT_TRUE(rl::execute_statement(s.in(), "cor 14", false));
  ASSERT_TRUE(rl::execute_statement(s.in(), "fundo 1", false));
  EXPECT_EQ(s.in().console->attribute(), 0x1E);
  ASSERT_TRUE(rl::execute_statement(s.in(), "cor 30 resto", false));
  EXPECT_EQ(s.in().console->attribute(), 0x1E);  // 30 AND 15
  ASSERT_TRUE(rl::execute_statement(s.in(), "escreve \"a\"", false));
  EXPECT_EQ(s.in().console->attr_at(0, 0), 0x1E);
  EXPECT_FALSE(rl::execute_statement(s.in(), "cor \"x\"", false));
  EXPECT_FALSE(rl::execute_statement(s.in(), "fundo", false));
}

TEST(ScreenCommands, Titles) {
  Session s;
  ASSERT_TRUE(rl::execute_statement(s.in(), "titulo \"Meu programa\"", false));
  EXPECT_EQ(s.in().console->title(), "Meu programa");
  ASSERT_TRUE(rl::execute_statement(s.in(), "t\xEDtulo \"\"", false));
  EXPECT_EQ(s.in().console->title(), "");
  s.in().vars['T' - 'A'] = std::string(1000, 't');
  ASSERT_TRUE(rl::execute_statement(s.in(), "titulo t", false));
  EXPECT_EQ(s.in().console->title().size(), 300u);
  ASSERT_TRUE(rl::execute_statement(s.in(), "titulo #", false));
  EXPECT_EQ(s.in().console->title(), "");
  EXPECT_FALSE(rl::execute_statement(s.in(), "titulo", false));
}

}  // namespace

namespace {

TEST(Bipa, ClickOrBeep) {
  struct {
    const char* statement;
    bool ok;
    const char* log;
  } cases[] = {{"bipa 1", true, "click\n"}, {"bipa \"1\"", true, "click\n"}, {"bipa", true, "beep\n"},
               {"bipa 2", true, "beep\n"},  {"bipa #", false, ""}};
  for (const auto& c : cases) {
    rltest::Session s;
    EXPECT_EQ(rl::execute_statement(s.in(), c.statement, false), c.ok) << c.statement;
    EXPECT_EQ(s.speech_log(), c.log) << c.statement;
  }
}

}  // namespace
