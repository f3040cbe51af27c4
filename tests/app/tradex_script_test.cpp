// The converter script is carried byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "app/tradex_script.h"

namespace {

std::string line(int n) { return app::kTradexScript[n - 1]; }

// The 189 lines as first written, with the changes that mend the converter: a second
// round used to jump into a subroutine, and a name not ending in ".cmd" made the source
// its own output and lost it.
TEST(TradexScript, LinesAsWritten) {
  ASSERT_EQ(app::kTradexLines, 206);
  EXPECT_EQ(line(1), "*conversor de scripts do roteiral para arquivos no formato pe;");
  EXPECT_EQ(line(4), "");
  EXPECT_EQ(line(6), "chama @novarodada");
  EXPECT_EQ(line(10), " chama @compila");
  EXPECT_EQ(line(12), " chama @pegaproximoarquivo");
  EXPECT_EQ(line(19), "Escreve \"Arquivos n\xE3o compilados: \"$erro\".");
  EXPECT_EQ(line(23), "chama @novarodada");
  EXPECT_EQ(line(24), "se $varios = 1 chama @geralistadearquivos");
  EXPECT_EQ(line(25), "desvia @converte_e_compila");
  EXPECT_EQ(line(26), "@inicia");
  EXPECT_EQ(line(52), "chama @nomedpr");
  EXPECT_EQ(line(125), "seja $comando \"cmd /c dcc32 \"\"\"");
  EXPECT_EQ(line(189), "retorna");
  EXPECT_EQ(line(191), "@novarodada");
  EXPECT_EQ(line(198), "@nomedpr");
  EXPECT_EQ(line(206), "retorna");
}

TEST(TradexScript, AccentedLettersAreSingleBytes) {
  EXPECT_EQ(line(17), "escreve \"Opera\xE7\xE3o terminada.\"");
  EXPECT_EQ(line(159), "seja $acentuadas \"\xE1\xE3\xE2\xE0\xE9\xEA\xED\xF3\xF5\xF4\xFA\xFC\xE7\"");
  for (int n = 1; n <= app::kTradexLines; ++n) {
    for (unsigned char c : line(n)) {
      EXPECT_TRUE(c >= 32 && c != 127 && (c < 128 || c >= 0xC0)) << "line " << n;
      EXPECT_NE(c, 0xC3) << "line " << n << " holds UTF-8";  // Ã never occurs in the script
    }
  }
}

}  // namespace
