// The executor, conditions, blocks, jumps and calls, and the outcomes of a run.
#include <gtest/gtest.h>

#include "fixture.h"

namespace {

using rltest::Session;

TEST(Executor, WordsAndRest) {
  Session s;
  s.run({"   escreve   \"ola\"", "Escreve \"A\"", "ESCREVE \"B\"", "  * comentario", "  @rotulo", ""});
  EXPECT_EQ(s.screen(), "ola\nA\nB\nFim do script");
}

TEST(Executor, InvalidWordEndsTheRunWithItsLine) {
  Session s("\r");
  s.run({"escreve \"1\"", "", "", "", "", "", "fazalgo agora", "escreve \"nunca\""});
  EXPECT_EQ(s.screen(), "1\nComando inválido: FAZALGO\nErro de execução na linha 7");
  EXPECT_EQ(s.speech_log(),
            "text 1\ntext Comando inválido: FAZALGO\ntext Erro de execução na linha \ntext 7\n");
}

TEST(Executor, TabIsNotASeparator) {
  Session s;
  EXPECT_FALSE(rl::execute_statement(s.in(), "escreve\t\"x\"", false));
  EXPECT_EQ(s.screen(), "Comando inválido: ESCREVE\"X\"");  // the tab is part of the word, and not shown
}

TEST(Executor, AccentedWordsFoldToTheirCommands) {
  Session s;
  s.in().vars[0] = "5";
  EXPECT_TRUE(rl::execute_statement(s.in(), "se a = 6", false));  // false block, nothing after it
  s.load({"se a = 5", "escreve \"sim\"", "sen\xE3o", "escreve \"nao\"", "fim se"});
  rl::processa(s.rt);
  EXPECT_EQ(s.screen(), "sim\nFim do script");
}

TEST(Executor, LaterCommandsFailTheStatement) {
  Session s;
  for (const char* st : {"digita \"x\"", "midi 1", "msaa", "imagem \"x.bmp\""})
    EXPECT_FALSE(rl::execute_statement(s.in(), st, false)) << st;
  EXPECT_EQ(s.screen(), "");
}

TEST(Executor, DebugTrace) {
  Session s;
  s.run({"debug", "soma x 1", "DEBUG n", "debug N", "soma x 1"});
  EXPECT_EQ(s.screen(),
            "Debug ligado\nSOMA x 1\nDEBUG n\nDebug ligado\nDEBUG N\nDebug desligado\nFim do script");
  EXPECT_EQ(s.var("x"), "2");
  Session t;
  t.run({"debug", "debug -"});
  EXPECT_EQ(t.screen(), "Debug ligado\nDEBUG -\nDebug desligado\nFim do script");
}

struct ConditionCase {
  const char* a;
  const char* op;
  const char* b;
  bool truth;
};

TEST(Conditions, Operators) {
  const ConditionCase cases[] = {
      {"9", "<", "10", true},       {"9", "<", "10a", true},   {"007", "=", "7", true},
      {"abc", "=", "ABC", true},    {"007", "==", "7", false},  {"abc", "==", "ABC", false},
      {"abc", "==", "abc", true},   {"-5", "<", "3", true},     {"-5", ">", "-3", true},
      {"5", ">=", "5", true},       {"5", "<=", "4", false},    {"a", "<>", "A", false},
      {"x.cmd", "*=*", "*.cmd", false}, {"c:\\*.cmd", "*=*", "*.cmd", true},
      {"abc", "*=*", "", false},    {"abc", "=*", "ab", true},  {"abc", "=*", "bc", false},
      {"abab", "*=", "ab", false},  {"xab", "*=", "ab", true},  {"abc", "*=", "", false},
  };
  for (const auto& c : cases) {
    Session s;
    s.in().vars['P' - 'A'] = c.a;
    s.in().vars['Q' - 'A'] = c.b;
    std::string st = std::string("se p ") + c.op + " q seja r 1";
    ASSERT_TRUE(rl::execute_statement(s.in(), st, false)) << st;
    EXPECT_EQ(s.var("r") == "1", c.truth) << c.a << " " << c.op << " " << c.b;
    std::string neg = std::string("se nao p ") + c.op + " q seja r 2";
    ASSERT_TRUE(rl::execute_statement(s.in(), neg, false)) << neg;
    EXPECT_EQ(s.var("r") == "2", !c.truth) << "negated " << c.a << " " << c.op << " " << c.b;
  }
}

TEST(Conditions, ListMembership) {
  Session s;
  s.run({"lista [cores] cria", "lista [cores] adiciona \"Azul\"", "lista [cores] adiciona \"007\"",
         "se \"azul\" em [cores] seja a 1", "se \"7\" EM [cores] seja b 1", "se n\xC3O \"verde\" em [cores] seja c 1",
         "se \"azul\" em [outra] seja d 1"});
  EXPECT_EQ(s.var("a"), "1");
  EXPECT_EQ(s.var("b"), "1");
  EXPECT_EQ(s.var("c"), "1");
  EXPECT_EQ(s.in().current, 7);  // a missing list fails the condition
  EXPECT_TRUE(s.screen().ends_with("Erro de execução na linha 7"));
}

TEST(Conditions, Malformed) {
  Session s;
  for (const char* st : {"se nao", "se 1", "se 1 ! 2", "se 1 =", "se \"a\" em lista", "se"})
    EXPECT_FALSE(rl::execute_statement(s.in(), st, false)) << st;
}

TEST(Blocks, IfElseNesting) {
  Session s;
  s.run({
      "seja a 1",
      "se a = 2",            // false: the whole inner block and its else are skipped
      "  se a = 1",
      "    escreve \"errado 1\"",
      "  senao",
      "    escreve \"errado 2\"",
      "  fim   se",
      "senao",
      "  escreve \"senao de fora\"",
      "FIM SE",
      "se a = 1",
      "  escreve \"verdade\"",
      "sen\xE3o",
      "  escreve \"errado 3\"",
      "fim se",
      "escreve \"fim\"",
  });
  EXPECT_EQ(s.screen(), "senao de fora\nverdade\nfim\nFim do script");
}

TEST(Blocks, FalseIfWithoutEndFinishesTheRun) {
  Session s;
  s.run({"se 1 = 2", "escreve \"nunca\""});
  EXPECT_EQ(s.screen(), "Fim do script");
}

TEST(Blocks, BlockWordsAreRefusedAfterACondition) {
  for (const char* tail : {"fim se", "repete r 3", "enquanto 1 = 1", "senao", "SEN\xC3O"}) {
    Session s("\r");
    s.run({std::string("se 1 = 1 ") + tail});
    EXPECT_EQ(s.screen(), "Erro de execução na linha 1") << tail;
  }
  Session s;  // lower-case senão is not refused before folding: it runs, and finds no FIM SE
  s.run({"se 1 = 1 sen\xE3o", "escreve \"x\""});
  EXPECT_EQ(s.screen(), "Fim do script");
}

TEST(Blocks, WhileLoop) {
  Session s;
  s.run({"seja i 0", "enquanto i < 3", "  soma i 1", "  escreve i", "fim enquanto", "escreve \"fora\""});
  EXPECT_EQ(s.screen(), "1\n2\n3\nfora\nFim do script");
}

TEST(Blocks, RepeatLoop) {
  Session s;
  s.run({"repete r 3", "escreve r", "fim repete", "escreve \"depois \" r", "repete k 0", "escreve \"nunca\"",
         "fim repete", "escreve \"k \" k"});
  EXPECT_EQ(s.screen(), "1\n2\n3\ndepois 4\nk 1\nFim do script");
}

TEST(Blocks, LoopsOfDifferentKindsNest) {
  Session s;
  s.run({"seja n 0", "repete r 2", "seja i 0", "enquanto i < 3", "soma i 1", "soma n 1", "fim enquanto",
         "fim repete", "escreve n"});
  EXPECT_EQ(s.screen(), "6\nFim do script");
}

TEST(Blocks, ClosingLineWithoutOpeningFails) {
  Session s("\r");
  s.run({"escreve \"a\"", "fim enquanto"});
  EXPECT_EQ(s.screen(), "a\nErro de execução na linha 2");
  Session t("\r");
  t.run({"fim repete"});
  EXPECT_EQ(t.screen(), "Erro de execução na linha 1");
  Session u;
  u.run({"fim", "fim qualquer"});
  EXPECT_EQ(u.screen(), "Erro de execução na linha 1");
}

TEST(Blocks, ThousandsOfNestedOneLineIfs) {
  std::string line;
  for (int i = 0; i < 5000; ++i) line += "se 1 = 1 ";
  line += "seja x 7";
  Session s;
  s.run({line});
  EXPECT_EQ(s.var("x"), "7");
}

TEST(Labels, JumpsAndCalls) {
  Session s;
  s.run({"chama @Sub", "se 1 = 1 chama @sub", "desvia @FIM", "escreve \"pulado\"", "@sub", "soma c 1",
         "retorna", "@fim", "escreve c"});
  EXPECT_EQ(s.screen(), "2\nFim do script");
}

TEST(Labels, NamesAreExact) {
  Session s("\r");
  s.run({"desvia @alvo", " @alvo", "@alvo ", "escreve \"x\""});
  EXPECT_EQ(s.screen(), "Erro de execução na linha 1");
  Session t;
  t.run({"seja $destino \"ALVO \"", "desvia $destino", "escreve \"pulado\"", "@alvo ", "escreve \"ok\""});
  EXPECT_EQ(t.screen(), "ok\nFim do script");
  Session u("\r");
  u.run({"desvia @a b", "@a b"});
  EXPECT_EQ(u.screen(), "Erro de execução na linha 1");
}

TEST(Labels, TwentyCallsDeep) {
  Session s("\r");
  std::vector<std::string> lines = {"seja n 0", "@volta", "soma n 1", "se n < 22 chama @volta", "escreve n"};
  s.run(lines);
  EXPECT_EQ(s.screen(), "Muitas chamadas sem retorno\nErro de execução na linha 4");
  EXPECT_EQ(s.var("n"), "21");
}

TEST(Labels, ReturnWithoutCall) {
  Session s("\r");
  s.run({"retorna"});
  EXPECT_EQ(s.screen(), "Retorno sem chamada\nErro de execução na linha 1");
  Session t("\r");
  t.run({"chama @x", "@x", "retorna agora"});
  EXPECT_EQ(t.screen(), "Erro de execução na linha 3");
}

TEST(Outcomes, EndsOfARun) {
  struct {
    std::vector<std::string> lines;
    const char* screen;
  } cases[] = {
      {{}, "Fim do script"},
      {{"escreve \"a\"", "termina", "escreve \"b\""}, "a\nFim do script"},
      {{"termina outras palavras"}, "Fim do script"},
      {{"termina MUDO"}, ""},
      {{"se 1 = 1 termina mudo"}, ""},
      {{"escreve \"a\" !"}, "a\nErro de execução na linha 1"},
  };
  for (const auto& c : cases) {
    Session s("\r");
    s.run(c.lines);
    EXPECT_EQ(s.screen(), c.screen);
  }
}

TEST(Outcomes, ErrorWaitsForEnterThenEnds) {
  Session s("xyz\r");
  s.run({"retorna"});
  EXPECT_EQ(s.in().console->key_count(), 0);
  EXPECT_EQ(s.screen(), "Retorno sem chamada\nErro de execução na linha 1\nxyz");
}

TEST(Outcomes, NoKeysLeftAtTheErrorReportClosesTheWindow) {
  Session s("");
  s.run({"retorna"});
  EXPECT_EQ(s.quit_code, 0);
}

TEST(Store, LinesAndCount) {
  Session s;
  EXPECT_FALSE(rl::carregascript(s.rt, "x", 0));
  EXPECT_FALSE(rl::carregascript(s.rt, "x", 500001));
  for (int i = 1; i <= 189; ++i) ASSERT_TRUE(rl::carregascript(s.rt, "escreve \"l\"", i));
  ASSERT_TRUE(rl::carregascript(s.rt, "escreve \"dez\"", 10));
  EXPECT_EQ(s.in().line_count, 10);
  EXPECT_TRUE(rl::carregascript(s.rt, "termina mudo", 500000));
  EXPECT_EQ(s.in().line_count, 500000);
  rl::processa(s.rt);
  EXPECT_EQ(s.in().line_count, 0);
  rl::processa(s.rt);  // a second run has nothing to run
}

TEST(Escreve, Forms) {
  Session s;
  s.in().vars['C' - 'A'] = "3";
  s.run({"escreve &", "escreve \"Arquivos: \"c\".\"", "escreve \"sem fim\" &", "escreve mudo \"calado\"",
         "escreve (2*21)"});
  EXPECT_EQ(s.screen(), "\nArquivos: 3.\nsem fimcalado\n42\nFim do script");
  EXPECT_EQ(s.speech_log(),
            "text Arquivos: 3.\nchar 58\nfragment _tres\nchar 46\ntext sem fim\ntext 42\n"
            "fragment _quarent\nfragment _e\nfragment _dois\ntext Fim do script\n");
}

TEST(Escreve, ClosedSlotAndBadSlot) {
  Session s;
  EXPECT_FALSE(rl::execute_statement(s.in(), "escreve #5 \"x\"", false));
  EXPECT_FALSE(rl::execute_statement(s.in(), "escreve #x", false));
  EXPECT_EQ(s.screen(), "Erro no processamento de arquivo\nErro no processamento de arquivo");
}

}  // namespace
