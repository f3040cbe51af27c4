// REMOVE, RENOMEIA, REPLICA, DIR and BUSCA through the executor: results, files, messages.
#include <unistd.h>

#include <gtest/gtest.h>

#include "../commands/temp_folder.h"
#include "fixture.h"

namespace {

using cmdtest::TempFolder;
using rltest::InFolder;
using rltest::Session;


bool run(Session& s, const std::string& statement) { return rl::execute_statement(s.in(), statement, false); }

TEST(Remove, DeletesAndReports) {
  InFolder f;
  Session s;
  f.t.file("a.txt");
  EXPECT_TRUE(run(s, "remove \"a.txt\""));
  EXPECT_FALSE(f.t.exists("a.txt"));
  EXPECT_FALSE(run(s, "remove \"a.txt\""));
  EXPECT_EQ(s.screen(), "Erro no apagamento do arquivo a.txt");
  EXPECT_EQ(s.speech_log(), "text Erro no apagamento do arquivo a.txt\nchar 46\n");
}

TEST(Remove, TolerantSuffixIsSilent) {
  InFolder f;
  Session s;
  EXPECT_TRUE(run(s, "remove \"nada.txt\" &"));
  EXPECT_TRUE(run(s, "remove \"nada.txt\"&"));
  s.in().vars['N' - 'A'] = "nada.txt";
  EXPECT_TRUE(run(s, "remove n&"));
  EXPECT_EQ(s.screen(), "");
  f.t.file("b.txt");
  EXPECT_TRUE(run(s, "remove \"b.txt\" &"));
  EXPECT_FALSE(f.t.exists("b.txt"));
}

TEST(Remove, ArgumentsAndOddNames) {
  InFolder f;
  Session s;
  f.t.file("um");
  f.t.file("dois");
  EXPECT_TRUE(run(s, "remove \"um\" \"dois\""));  // the second name is ignored
  EXPECT_FALSE(f.t.exists("um"));
  EXPECT_TRUE(f.t.exists("dois"));
  EXPECT_FALSE(run(s, "remove"));
  EXPECT_FALSE(run(s, "remove \"\""));
  EXPECT_FALSE(run(s, "remove &"));
  EXPECT_FALSE(run(s, "remove #1"));
  EXPECT_EQ(s.screen(), "");  // argument errors say nothing
  f.t.file("nome com brancos.txt");
  f.t.file("a\xC3\xA7\xC3\xA3o");
  f.t.file("Sem Extensao");
  f.t.file("x*y");
  EXPECT_TRUE(run(s, "remove \"nome com brancos.txt\""));
  EXPECT_TRUE(run(s, "remove \"A\xC7\xC3O\""));  // AÇÃO finds ação
  EXPECT_TRUE(run(s, "remove \"sem extensao\""));
  EXPECT_FALSE(run(s, "remove \"*\""));  // no wildcards in REMOVE: only a file of that name
  EXPECT_TRUE(run(s, "remove \"x*y\""));
  f.t.dir("pasta");
  EXPECT_FALSE(run(s, "remove \"pasta\""));
  EXPECT_TRUE(f.t.exists("pasta"));
  EXPECT_FALSE(run(s, "remove \"q:\\x\""));  // a drive with no root
}

TEST(Remove, DriveLettersAndBackslashes) {
  TempFolder t;
  Session s;
  s.rt.drives.roots['c' - 'a'] = t.path();
  t.dir("Palmir/Scripts");
  t.file("Palmir/Scripts/Velho.cmd");
  EXPECT_TRUE(run(s, "remove \"c:\\palmir\\scripts\\velho.cmd\""));
  EXPECT_FALSE(t.exists("Palmir/Scripts/Velho.cmd"));
}

TEST(Renomeia, RenamesMovesAndRefuses) {
  InFolder f;
  Session s;
  f.t.file("velho", "1");
  f.t.dir("pasta");
  EXPECT_TRUE(run(s, "renomeia \"velho\" \"novo\""));
  EXPECT_EQ(f.t.read("novo"), "1");
  EXPECT_TRUE(run(s, "renomeia \"novo\" \"PASTA\\novo\""));
  EXPECT_EQ(f.t.read("pasta/novo"), "1");
  f.t.file("a", "a");
  f.t.file("b", "b");
  EXPECT_FALSE(run(s, "renomeia \"a\" \"b\" \"c\""));  // text left over: nothing renamed
  EXPECT_TRUE(f.t.exists("a"));
  EXPECT_FALSE(run(s, "renomeia \"a\" \"b\""));  // an existing target is never replaced
  EXPECT_EQ(f.t.read("a"), "a");
  EXPECT_EQ(f.t.read("b"), "b");
  EXPECT_FALSE(run(s, "renomeia \"nada\" \"x\""));
  EXPECT_FALSE(run(s, "renomeia \"a\""));
  EXPECT_FALSE(run(s, "renomeia"));
  EXPECT_EQ(s.screen(), "");  // RENOMEIA has no message of its own
}

TEST(Renomeia, Tolerant) {
  InFolder f;
  Session s;
  f.t.file("a", "a");
  EXPECT_TRUE(run(s, "renomeia \"a\" \"b\" &"));
  EXPECT_EQ(f.t.read("b"), "a");
  EXPECT_TRUE(run(s, "renomeia \"a\" \"b\"&"));
  EXPECT_FALSE(run(s, "renomeia \"a\" \"b\" \"c\" &"));  // argument errors still fail
  EXPECT_EQ(s.screen(), "");
}

TEST(Renomeia, LetterCaseOnly) {
  InFolder f;
  Session s;
  f.t.file("carta.txt", "c");
  EXPECT_TRUE(run(s, "renomeia \"carta.txt\" \"CARTA.TXT\""));
  EXPECT_FALSE(f.t.exists("carta.txt"));
  EXPECT_EQ(f.t.read("CARTA.TXT"), "c");
}

TEST(Replica, CopiesByteForByte) {
  InFolder f;
  Session s;
  const std::string data = cmdtest::pattern_bytes(70000);
  f.t.file("grande.bin", data);
  EXPECT_TRUE(run(s, "replica \"grande.bin\" \"copia.bin\""));
  EXPECT_EQ(f.t.read("copia.bin"), data);
  f.t.file("vazio", "");
  EXPECT_TRUE(run(s, "replica \"vazio\" \"copia.bin\""));
  EXPECT_TRUE(f.t.exists("copia.bin"));
  EXPECT_EQ(f.t.read("copia.bin"), "");
  EXPECT_EQ(s.screen(), "");
}

TEST(Replica, FailuresAndMessages) {
  InFolder f;
  Session s;
  f.t.file("a", "abc");
  f.t.file("alvo", "guardado");
  EXPECT_FALSE(run(s, "replica \"nada\" \"alvo\""));  // no message for a failed open
  EXPECT_EQ(f.t.read("alvo"), "guardado");
  EXPECT_FALSE(run(s, "replica \"a\" \"sem/pasta/x\""));
  EXPECT_FALSE(run(s, "replica \"a\" \"A\""));  // onto itself: refused, nothing lost
  EXPECT_EQ(f.t.read("a"), "abc");
  EXPECT_FALSE(run(s, "replica \"a\" \"b\" \"c\""));
  EXPECT_FALSE(f.t.exists("b"));
  EXPECT_FALSE(run(s, "replica \"a\""));
  EXPECT_EQ(s.screen(), "");
  if (::access("/dev/full", W_OK) == 0) {
    EXPECT_FALSE(run(s, "replica \"a\" \"/dev/full\""));
    EXPECT_EQ(s.screen(), "Erro na escrita de arquivo /dev/full");
  }
}

TEST(Replica, ReadErrorMessage) {
  Session s;
  // Reading the start of a process's own memory file fails with an I/O error.
  EXPECT_FALSE(run(s, "replica \"/proc/self/mem\" \"/dev/null\""));
  EXPECT_EQ(s.screen(), "Erro no processamento de arquivo /proc/self/mem");
  EXPECT_EQ(s.speech_log(), "text Erro no processamento de arquivo /proc/self/mem\nchar 47\nchar 47\nchar 47\n");
}

TEST(Replica, TolerantStopsWithoutReportingOrTouchingUnopenedFiles) {
  InFolder f;
  Session s;
  f.t.file("a", "abc");
  EXPECT_TRUE(run(s, "replica \"nada\" \"b\" &"));
  EXPECT_FALSE(f.t.exists("b"));
  EXPECT_TRUE(run(s, "replica \"a\" \"a\" &"));
  EXPECT_EQ(f.t.read("a"), "abc");
  EXPECT_TRUE(run(s, "replica \"/proc/self/mem\" \"/dev/null\"&"));
  EXPECT_TRUE(run(s, "replica \"a\" \"c\"&"));
  EXPECT_EQ(f.t.read("c"), "abc");
  EXPECT_EQ(s.screen(), "");
}

TEST(Dir, CreateChangeRemove) {
  InFolder f;
  Session s;
  EXPECT_TRUE(run(s, "dir cria \"nova pasta\""));
  EXPECT_TRUE(f.t.exists("nova pasta"));
  EXPECT_TRUE(run(s, "DIR CRIA \"nova pasta\" &"));
  EXPECT_EQ(s.screen(), "");
  EXPECT_FALSE(run(s, "dir cria \"nova pasta\""));
  EXPECT_EQ(s.screen(), "Erro no processamento do diret\xC3\xB3rio nova pasta");
  EXPECT_TRUE(run(s, "dir troca \"NOVA PASTA\""));
  EXPECT_TRUE(run(s, "busca x dir"));
  EXPECT_EQ(s.var("x"), plat::current_directory());
  EXPECT_EQ(s.var("x"), plat::utf8_to_cp1252(f.t.at("nova pasta")));
  EXPECT_TRUE(run(s, "dir troca \"..\""));
  EXPECT_TRUE(run(s, "dir remove \"nova pasta\""));
  EXPECT_FALSE(f.t.exists("nova pasta"));
  EXPECT_TRUE(run(s, "dir remove \"nova pasta\" &"));
}

TEST(Dir, Messages) {
  InFolder f;
  Session s;
  f.t.dir("cheia");
  f.t.file("cheia/x");
  EXPECT_FALSE(run(s, "dir remove \"cheia\""));
  EXPECT_FALSE(run(s, "dir troca \"nada\""));
  EXPECT_FALSE(run(s, "dir cria \"a\\b\\c\""));
  EXPECT_EQ(s.screen(),
            "Erro no processamento do diret\xC3\xB3rio cheia\n"
            "Erro no processamento do diret\xC3\xB3rio nada\n"
            "Erro no processamento do diret\xC3\xB3rio a\\b\\c");
}

TEST(Dir, SyntaxFailsWithoutMessage) {
  InFolder f;
  Session s;
  EXPECT_FALSE(run(s, "dir cria"));
  EXPECT_FALSE(run(s, "dir cria &"));
  EXPECT_FALSE(run(s, "dir"));
  EXPECT_FALSE(run(s, "dir apaga \"x\""));
  EXPECT_FALSE(run(s, "dir criax \"x\""));
  EXPECT_FALSE(run(s, "dir cria \"x\" \"y\""));
  EXPECT_FALSE(run(s, "dir cria \"\""));  // an empty name is an operation that fails...
  EXPECT_EQ(s.screen(), "Erro no processamento do diret\xC3\xB3rio");  // ...and says so (the screen drops trailing blanks)
  EXPECT_FALSE(f.t.exists("x"));
}

class Busca : public ::testing::Test {
 protected:
  InFolder f;
  Session s;
};

TEST_F(Busca, ThreeMatchesThenEmpty) {
  for (const char* n : {"um.cmd", "dois.cmd", "tres.cmd", "outro.txt"}) f.t.file(n);
  EXPECT_TRUE(run(s, "busca $a \"*.cmd\""));
  EXPECT_EQ(s.var("$a"), "dois.cmd");
  EXPECT_TRUE(run(s, "busca $a proximo"));
  EXPECT_EQ(s.var("$a"), "tres.cmd");
  EXPECT_TRUE(run(s, "busca $a PR\xD3XIMO"));
  EXPECT_EQ(s.var("$a"), "um.cmd");
  EXPECT_TRUE(run(s, "busca $a pr\xF3ximo"));
  EXPECT_EQ(s.var("$a"), "");
  EXPECT_TRUE(run(s, "busca $a proximo"));
  EXPECT_EQ(s.var("$a"), "");
}

TEST_F(Busca, ExistenceTest) {
  f.t.file("existe.cmd");
  f.t.file(".oculto");
  s.in().vars['X' - 'A'] = "velho";
  EXPECT_TRUE(run(s, "busca x \"nada.cmd\""));
  EXPECT_EQ(s.var("x"), "");
  EXPECT_TRUE(run(s, "busca x \"EXISTE.CMD\""));
  EXPECT_EQ(s.var("x"), "existe.cmd");
  EXPECT_TRUE(run(s, "busca x \".oculto\""));
  EXPECT_EQ(s.var("x"), "");
}

TEST_F(Busca, DirectorySearch) {
  f.t.file("a-arquivo");
  f.t.dir("b-pasta");
  f.t.file("c-arquivo");
  f.t.dir("d-pasta");
  EXPECT_TRUE(run(s, "busca x dir \"*\""));
  EXPECT_EQ(s.var("x"), "a-arquivo");  // the first match is not tested for the bit
  EXPECT_TRUE(run(s, "busca x proximo"));
  EXPECT_EQ(s.var("x"), "b-pasta");
  EXPECT_TRUE(run(s, "busca x dir proximo"));
  EXPECT_EQ(s.var("x"), "d-pasta");
  EXPECT_TRUE(run(s, "busca x proximo"));
  EXPECT_EQ(s.var("x"), "");
  // A file search never yields a directory.
  EXPECT_TRUE(run(s, "busca x \"b-pasta\""));
  EXPECT_EQ(s.var("x"), "");
  EXPECT_TRUE(run(s, "busca x DIR \"b-pasta\""));
  EXPECT_EQ(s.var("x"), "b-pasta");
  // DIR written against the pattern keeps the pattern whole.
  EXPECT_TRUE(run(s, "busca x DIR\"d*\""));
  EXPECT_EQ(s.var("x"), "d-pasta");
}

TEST_F(Busca, FileSearchWalkSkipsDirectories) {
  f.t.file("a");
  f.t.dir("b");
  f.t.file("c");
  EXPECT_TRUE(run(s, "busca x \"*\""));
  EXPECT_EQ(s.var("x"), "a");
  EXPECT_TRUE(run(s, "busca x proximo"));
  EXPECT_EQ(s.var("x"), "c");
}

TEST_F(Busca, CurrentDirectory) {
  EXPECT_TRUE(run(s, "busca $d DIR"));
  EXPECT_EQ(s.var("$d"), plat::utf8_to_cp1252(f.t.path()));
  EXPECT_EQ(s.var("$d")[0], '/');
}

TEST_F(Busca, Syntax) {
  EXPECT_FALSE(run(s, "busca"));
  EXPECT_FALSE(run(s, "busca x"));
  EXPECT_FALSE(run(s, "busca 1 \"*\""));
  EXPECT_FALSE(run(s, "busca x \"*\" sobra"));
  EXPECT_FALSE(run(s, "busca x proximo sobra"));
  EXPECT_FALSE(run(s, "busca x proximos"));
  EXPECT_FALSE(run(s, "busca x #"));
  EXPECT_TRUE(run(s, "busca x proximo"));  // before any search: empty
  EXPECT_EQ(s.var("x"), "");
  EXPECT_EQ(s.screen(), "");
}

TEST_F(Busca, NamesWithBlanksAccentsAndWildcards) {
  f.t.file("nome com brancos.txt");
  f.t.file("relat\xC3\xB3rio.doc");  // relatório
  f.t.file("LEIAME");
  f.t.file("a?b");
  EXPECT_TRUE(run(s, "busca x \"nome com*\""));
  EXPECT_EQ(s.var("x"), "nome com brancos.txt");
  EXPECT_TRUE(run(s, "busca x \"RELAT\xD3RIO.*\""));
  EXPECT_EQ(s.var("x"), "relat\xF3rio.doc");
  EXPECT_TRUE(run(s, "busca x \"*.\""));
  EXPECT_EQ(s.var("x"), "LEIAME");
  EXPECT_TRUE(run(s, "busca x proximo"));
  EXPECT_EQ(s.var("x"), "a?b");
  EXPECT_TRUE(run(s, "busca x proximo"));
  EXPECT_EQ(s.var("x"), "");
}

TEST_F(Busca, DirectoryPartsAndDrives) {
  f.t.dir("Scripts/sub");
  f.t.file("Scripts/x.cmd");
  f.t.file("Scripts/sub/y.txt");
  s.rt.drives.roots['c' - 'a'] = f.t.path();
  EXPECT_TRUE(run(s, "busca x \"c:\\scripts\\*.cmd\""));
  EXPECT_EQ(s.var("x"), "x.cmd");  // a bare name
  EXPECT_TRUE(run(s, "busca x \"scripts/sub/*.txt\""));
  EXPECT_EQ(s.var("x"), "y.txt");
  EXPECT_TRUE(run(s, "busca x dir \"c:\\scripts\\s*\""));
  EXPECT_EQ(s.var("x"), "sub");
}

TEST_F(Busca, PatternsPast144Characters) {
  f.t.file("a.txt");
  f.t.file("b.txt");
  EXPECT_TRUE(run(s, "busca x \"*.txt\""));
  EXPECT_EQ(s.var("x"), "a.txt");
  const std::string at_limit = std::string(139, '*') + "b.txt";
  EXPECT_TRUE(run(s, "busca x \"" + at_limit + "\""));
  EXPECT_EQ(s.var("x"), "b.txt");
  EXPECT_TRUE(run(s, "busca x \"*" + at_limit + "\""));  // 145: finds nothing
  EXPECT_EQ(s.var("x"), "");
  EXPECT_TRUE(run(s, "busca x proximo"));
  EXPECT_EQ(s.var("x"), "");
  s.in().vars['P' - 'A'] = std::string(1 << 20, 'a');
  EXPECT_TRUE(run(s, "busca x p"));
  EXPECT_EQ(s.var("x"), "");
}

TEST_F(Busca, FoundNamesAreTrimmed) {
  f.t.file(" brancos ");
  EXPECT_TRUE(run(s, "busca x \"*brancos*\""));
  EXPECT_EQ(s.var("x"), "brancos");
}

}  // namespace
