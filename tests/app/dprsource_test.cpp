// The program source reader: what the converter writes, hand edits, and broken sources.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/dprsource.h"

namespace {

// The source exactly as the converter writes it (CR LF line ends).
std::string converter_source(const std::vector<std::string>& lines, const std::string& title,
                             const std::string& name = "prog", int declared = -1) {
  std::string s = "program " + name + ";\r\nuses rlplus;\r\n\r\nconst\r\n";
  s += "tamprog = " + std::to_string(declared < 0 ? static_cast<int>(lines.size()) : declared) + ";\r\n";
  s += "\r\nvar\r\ni : integer;\r\nscript : array[1..tamprog] of string = (\r\n";
  for (size_t i = 0; i < lines.size(); ++i) s += "'" + lines[i] + (i + 1 < lines.size() ? "',\r\n" : "');\r\n");
  s += "\r\nbegin\r\ninicializa ('" + title + "');\r\nfor i := 1 to tamprog do\r\n";
  s += "carregascript(script[i],i);\r\nprocessa;\r\nend.\r\n";
  return s;
}

void expect_reads(const std::string& src, const std::vector<std::string>& lines, const std::string& title) {
  app::DprProgram p = app::read_dpr(src);
  ASSERT_TRUE(p.ok()) << p.faults[0].line << ": " << p.faults[0].message;
  EXPECT_EQ(p.title, title);
  EXPECT_EQ(p.lines, lines);
}

TEST(DprSource, ConverterOutput) {
  const std::vector<std::string> lines = {"escreve \"um\"", "", " escreve \"tr\xEAs\""};
  app::DprProgram p = app::read_dpr(converter_source(lines, "Meu programa", "Meu_programa"));
  ASSERT_TRUE(p.ok());
  EXPECT_EQ(p.name, "Meu_programa");
  EXPECT_EQ(p.title, "Meu programa");
  EXPECT_EQ(p.lines, lines);
  EXPECT_EQ(p.source_lines, 19);
}

TEST(DprSource, LinesAreTakenExactly) {
  // Quotes are never doubled: the text runs from the first quote to the ending ', or ');.
  const std::vector<std::vector<std::string>> cases = {
      {"x"},
      {""},
      {"it's"},
      {"'"},
      {"''"},
      {"',", "');", "'');", "a', 'b"},
      {"x');", "y"},
      {"fim',"},
      {"trailing blanks   ", "\ttab\tinside\t"},
      {"a\rb", "ends in CR\r"},
      {std::string("nul\0inside", 10)},
  };
  for (const auto& lines : cases) {
    SCOPED_TRACE(lines.front());
    expect_reads(converter_source(lines, "t"), lines, "t");
  }
}

TEST(DprSource, EveryByteButLineEndsAndLongLines) {
  std::string all;
  for (int c = 1; c <= 255; ++c) {
    if (c != '\r' && c != '\n') all += static_cast<char>(c);
  }
  std::string longest(10000, 'a');
  for (size_t i = 0; i < longest.size(); i += 7) longest[i] = '\'';
  const std::vector<std::string> lines = {all, longest, all + "',", std::string(10000, '\xFF')};
  expect_reads(converter_source(lines, all), lines, all);
}

TEST(DprSource, TitleWithQuotes) {
  expect_reads(converter_source({"x"}, "Joe's 'best'"), {"x"}, "Joe's 'best'");
  expect_reads(converter_source({"x"}, ""), {"x"}, "");
}

TEST(DprSource, HandEditedSourcesThatStillCompile) {
  const std::string relaxed =
      "{ edited by hand }\n"
      "PROGRAM  Teste ;  USES RLPlus;\n"
      "const N=2; // two lines\n"
      "var j:Integer;\n"
      "(* the array *) linhas: ARRAY [ 1 .. n ] OF String = (   // below\n"
      "   'primeira',   \n"
      "\n"
      "// a comment between lines\n"
      "\t'segunda');\t\n"
      "Begin\n"
      "  Inicializa('T\xEDtulo');\n"
      "  FOR j:=1 TO N DO CarregaScript( linhas [ j ] , j ) ;\n"
      "  Processa\n"
      "END. anything after the end is ignored\n";
  app::DprProgram p = app::read_dpr(relaxed);
  ASSERT_TRUE(p.ok()) << p.faults[0].line << ": " << p.faults[0].message;
  EXPECT_EQ(p.name, "Teste");
  EXPECT_EQ(p.title, "T\xEDtulo");
  EXPECT_EQ(p.lines, (std::vector<std::string>{"primeira", "segunda"}));
}

struct FaultCase {
  const char* what;
  std::string source;
  int line;
  const char* message_part;
};

std::string replace(std::string s, const std::string& from, const std::string& to) {
  size_t at = s.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) s.replace(at, from.size(), to);
  return s;
}

TEST(DprSource, FaultsNameTheirLine) {
  const std::string good = converter_source({"a", "b", "c"}, "t");  // literals on lines 10-12
  const std::vector<FaultCase> cases = {
      {"empty source", "", 1, "'program' expected"},
      {"no program line", replace(good, "program prog;\r\n", ""), 1, "'program' expected"},
      {"program without a name", replace(good, "program prog;", "program ;"), 1, "Program name expected"},
      {"program without ;", replace(good, "program prog;", "program prog"), 1, "';' expected"},
      {"no uses", replace(good, "uses rlplus;", "uses sysutils;"), 2, "'rlplus' expected"},
      {"tamprog above the literals", converter_source({"a", "b", "c"}, "t", "p", 4), 12,
       "Number of elements (3) differs from declaration (tamprog = 4)"},
      {"tamprog below the literals", converter_source({"a", "b", "c"}, "t", "p", 2), 12,
       "Number of elements (3)"},
      {"tamprog zero", converter_source({""}, "t", "p", 0), 5, "at least one line"},
      {"tamprog too large", replace(good, "tamprog = 3", "tamprog = 99999999999999999999"), 5, "exceeds"},
      {"tamprog not a number", replace(good, "tamprog = 3", "tamprog = tres"), 5, "Number expected"},
      {"array from 0", replace(good, "[1..", "[0.."), 9, "start at 1"},
      {"literal on the opening line", replace(good, "string = (\r\n'a',", "string = ('a',"), 9,
       "line of its own"},
      {"unterminated middle literal", replace(good, "'b',", "'b"), 11, "Unterminated string"},
      {"unterminated last literal", replace(good, "'c');", "'c'"), 12, "Unterminated string"},
      {"bare closing", replace(good, "'c');", "');"), 12, "Unterminated string"},
      {"array never closed", replace(good, "'c');", "'c',"), 14, "')' expected after the last script line, on line 12"},
      {"source cut in the array", good.substr(0, good.find("'b',")), 10, "Unexpected end of file"},
      {"no begin", good.substr(0, good.find("begin")), 13, "'begin' expected but end of file found"},
      {"no end.", replace(good, "end.", ""), 19, "'end' expected but end of file found"},
      {"end without dot", replace(good, "end.", "end;"), 19, "'.' expected but ';' found"},
      {"title unterminated", replace(good, "inicializa ('t');", "inicializa ('t)"), 15, "the title"},
      {"title not a string", replace(good, "inicializa ('t');", "inicializa (t);"), 15, "title must follow"},
      {"loop over another name", replace(good, "for i :=", "for k :="), 16, "'i' expected but 'k' found"},
      {"loop from 2", replace(good, ":= 1 to", ":= 2 to"), 16, "start at 1"},
      {"call dropped", replace(good, "carregascript(script[i],i);\r\n", ""), 17, "'carregascript' expected"},
      {"processa dropped", replace(good, "processa;\r\n", ""), 18, "'processa' expected"},
      {"unterminated comment", replace(good, "begin", "{ begin"), 14, "Unterminated comment"},
      {"binary garbage", std::string("\x7F" "ELF\x02\x01\x01\0\0\0", 10), 1, "'program' expected but '#127' found"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    app::DprProgram p = app::read_dpr(c.source);
    ASSERT_FALSE(p.ok());
    EXPECT_EQ(p.faults[0].line, c.line) << p.faults[0].message;
    EXPECT_NE(p.faults[0].message.find(c.message_part), std::string::npos) << p.faults[0].message;
    EXPECT_TRUE(p.lines.empty());
  }
}

TEST(DprSource, EveryBadLiteralIsReportedAndTheCountCapped) {
  std::string src = converter_source({"a", "b", "c", "d"}, "t");
  src = replace(replace(src, "'b',", "'b"), "'c',", "'c");
  app::DprProgram p = app::read_dpr(src);
  ASSERT_EQ(p.faults.size(), 2u);
  EXPECT_EQ(p.faults[0].line, 11);
  EXPECT_EQ(p.faults[1].line, 12);

  std::vector<std::string> many(500, "x");
  std::string broken = converter_source(many, "t");
  for (size_t at = broken.find("'x',"); at != std::string::npos; at = broken.find("'x',", at)) broken[at + 3] = ' ';
  p = app::read_dpr(broken);
  EXPECT_EQ(static_cast<int>(p.faults.size()), app::kMaxFaults);
}

TEST(DprSource, EveryCutOfAGoodSourceIsRefusedOrComplete) {
  // A source cut anywhere never reads past its end, and only the whole body compiles.
  const std::string good = converter_source({"a'b", "", "c"}, "t'");
  const size_t end_dot = good.rfind("end.") + 4;
  for (size_t n = 0; n < good.size(); ++n) {
    app::DprProgram p = app::read_dpr(std::string_view(good).substr(0, n));
    EXPECT_EQ(p.ok(), n >= end_dot) << "cut at " << n;
  }
}

TEST(DprSource, LineFeedOnlyAndNoFinalLineEnd) {
  std::string src = converter_source({"a", "b"}, "t");
  std::string lf;
  for (char c : src) {
    if (c != '\r') lf += c;
  }
  lf.pop_back();
  expect_reads(lf, {"a", "b"}, "t");
}

}  // namespace
