// Text normalisation: character names, the number spellers, the main scan with its number
// reader, abbreviations, and hostile input.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "tests/tts/elzar_fixture.h"
#include "tts/uttsPreproc.h"

namespace {

using elzar::Abbreviations;

using elzar_test::TempDir;
using elzar_test::w;

struct Case {
  std::string in, out;
};

TEST(CharacterName, AllThreeRangesAndTheFoldedSmallLetters) {
  const std::vector<std::pair<int, std::string>> cases = {
      {32, "espaço"},  {'!', "exclamação"}, {'"', "aspas"},      {'%', "porcento"},
      {'/', "barra"},  {'0', "zéro"},       {'7', "séte"},       {':', "dois pontos"},
      {'@', "arrôba"}, {'A', "a"},          {'C', " sê"},        {'D', " dê"},
      {'J', "jóta"},   {'N', "êne"},        {'Z', "zê"},         {'\\', "barra invertida"},
      {'`', "crase"},  {'c', " sê"},        {'j', "jota"},       {'n', "ene"},
      {'~', "til"},    {161, "exclamação reversa"},              {173, "hífen"},
      {186, "ordinal masculino"},           {191, "interrogação reversa"},
      {192, "A grave"},                     {215, "vezes"},      {220, "U com trema"},
      {224, "A grave"},                     {231, "Cê cedilha"}, {247, "vezes"},
      {252, "U com trema"}};
  for (const auto& [code, name] : cases)
    EXPECT_EQ(elzar::character_name(static_cast<unsigned char>(code)), w(name)) << code;
  for (int code : {0, 9, 31, 127, 128, 150, 160, 221, 222, 223, 253, 254, 255})
    EXPECT_EQ(elzar::character_name(static_cast<unsigned char>(code)), "") << code;
}

TEST(CardinalWords, GroupsScalesAndTheJoinRule) {
  const std::vector<std::pair<int64_t, std::string>> cases = {
      {0, "zero"},
      {1, "um"},
      {10, "dez"},
      {16, "dezesseis"},
      {21, "vinte e um"},
      {50, "cinqüenta"},
      {100, "cem"},
      {101, "cento e um"},
      {110, "cento e dez"},
      {200, "duzentos"},
      {999, "novecentos e noventa e nove"},
      {1000, "mil"},
      {1001, "mil e um"},
      {1100, "mil e cem"},
      {1200, "mil e duzentos"},
      {1230, "mil duzentos e trinta"},
      {2026, "dois mil e vinte e seis"},
      {21000, "vinte e um mil"},
      {1000000, "um milhão"},
      {1000026, "um milhão e vinte e seis"},
      {1001000, "um milhão e um mil"},
      {2500000, "dois milhões e quinhentos mil"},
      {1000000100, "um bilhão e cem"},
      {1000000000000, "um trilhão"},
      {999999999999999,
       "novecentos e noventa e nove trilhões novecentos e noventa e nove bilhões novecentos e "
       "noventa e nove milhões novecentos e noventa e nove mil novecentos e noventa e nove"}};
  for (const auto& [value, words] : cases) EXPECT_EQ(elzar::cardinal_words(value), w(words)) << value;
}

TEST(OrdinalWords, MasculineFeminineAndTheCardinalAbove1999) {
  const std::vector<std::tuple<int64_t, char, std::string>> cases = {
      {0, 'm', "zero"},
      {1, 'm', "primeiro"},
      {2, 'f', "segunda"},
      {10, 'm', "décimo"},
      {21, 'm', "vigésimo primeiro"},
      {110, 'f', "centésima décima"},
      {1500, 'f', "milésima quingentésima"},
      {1999, 'm', "milésimo nongentésimo nonagésimo nono"},
      {2000, 'm', "dois mil"},
      {2001, 'f', "dois mil e um"}};
  for (const auto& [value, gender, words] : cases)
    EXPECT_EQ(elzar::ordinal_words(value, gender), w(words)) << value << gender;
}

// The main scan and the number reader without abbreviations.
TEST(Normalise, MainScanCases) {
  const std::vector<Case> cases = {
      {"3-4-5", " três traço quatro traço cinco "},
      {"98765-4321", " nove oito sete seis cinco traço quatro três dois um "},
      {"-5", "menos cinco "},
      {"sim - não", "sim , não"},
      {"a-b", "a-b"},
      {"a -", "a  traço "},
      {"007", "zero zero sete "},
      {"0 casas", "zero  casas"},
      {"1.000", "mil "},
      {"1.000 casas", "mil  casas"},
      {"1.000.000", "um milhão "},
      {"1.0000", "um ponto zero zero zero zero "},
      {"1.5", "um ponto cinco "},
      {"3,14", "três vírgula quatorze "},
      {"1º", "primeiro "},
      {"2ª", "segunda "},
      {"3o.", "terceiro "},
      {"4as.", "quartas "},
      {"5o", "cinco o"},
      {"01º", "primeiro "},
      {"2001º", "dois mil e um "},
      {"1234567890123456",
       "cento e vinte e três trilhões quatrocentos e cinqüenta e seis bilhões setecentos e "
       "oitenta e nove milhões doze mil trezentos e quarenta e cinco seis "},
      {"CPF", " sêpêéfe"},
      {"CD-ROM", "CD-ROM"},
      {"Müller", "Müller"},
      {"sim...", "sim... "},
      {"fim.Depois", "fim ponto Depois"},
      {"fim. Depois", "fim. Depois"},
      {"a\te\r\ni", "aei"},
      {"a#e", "a sustenido e"},
      {std::string("a\x01") + "e", "a  e"},
      {"?", "interrogação"},
      {"à", "A grave"},
      {"ÿ", ""},
      {"", ""}};
  const Abbreviations none;
  for (const Case& c : cases) EXPECT_EQ(elzar::uttsPreproc(none, w(c.in)), w(c.out)) << c.in;
}

// Items a Brazilian reader reads otherwise than the plain number reader would.
TEST(Normalise, DatesTimesMoneyAndCpf) {
  const std::vector<Case> cases = {
      {"25/12/2026", "vinte e cinco de dezembro de dois mil e vinte e seis "},
      {"1/5/24", "primeiro de maio de vinte e quatro "},
      {"32/12/2026", "trinta e dois  barra doze  barra dois mil e vinte e seis "},
      {"14h30", "quatorze horas e trinta minutos "},
      {"14h30min", "quatorze horas e trinta minutos "},
      {"9h", "nove horas "},
      {"1h01", "uma hora e um minuto "},
      {"22h", "vinte e duas horas "},
      {"14:30", "quatorze horas e trinta minutos "},
      {"14h75", "quatorze agásetenta e cinco "},
      {"3:16", "três :dezesseis "},
      {"R$ 1.250,50", "mil duzentos e cinqüenta reais e cinqüenta centavos "},
      {"R$1,00", "um real "},
      {"R$ 0,99", "noventa e nove centavos "},
      {"R$ 2,5", "dois reais e cinqüenta centavos "},
      {"R$ 2.000.000,00", "dois milhões de reais "},
      {"R$", "érre cifrão "},
      {"123.456.789-09",
       "um dois três ponto quatro cinco seis ponto sete oito nove traço zero nove "}};
  const Abbreviations none;
  for (const Case& c : cases) EXPECT_EQ(elzar::uttsPreproc(none, w(c.in)), w(c.out)) << c.in;
}

class AbbreviationFile : public ::testing::Test {
 protected:
  TempDir dir;
  Abbreviations table;
  void load(const std::string& utf8_text) {
    ASSERT_TRUE(elzar::load_abbreviations(table, dir.write("portug.abr", w(utf8_text))));
  }
};

TEST_F(AbbreviationFile, KeysFoldedAndTrimmedCommentsSkipped) {
  load("; comment\n\n  sr =  senhor \r\nórg=órgão\nsem igual\na=b=c\nsr=segundo\n");
  ASSERT_EQ(table.entries.size(), 5u);
  EXPECT_EQ(table.entries[0], std::make_pair(std::string("SR"), std::string("senhor")));
  EXPECT_EQ(table.entries[1].first, w("ÓRG"));
  EXPECT_EQ(table.entries[2], std::make_pair(std::string("SEM IGUAL"), std::string()));
  EXPECT_EQ(table.entries[3].second, "b=c");
  EXPECT_EQ(elzar::abbreviation_lookup(table, "Sr"), "senhor");  // first key wins
  EXPECT_EQ(elzar::abbreviation_lookup(table, w("Órg")), w("órgão"));
  EXPECT_EQ(elzar::abbreviation_lookup(table, w("órg")), w("órgão"));
  EXPECT_EQ(elzar::abbreviation_lookup(table, "dr"), "");
}

TEST_F(AbbreviationFile, BoundsOfTheTableAndOfAnExpansion) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "k" + std::to_string(i) + "=v" + std::to_string(i) + "\n";
  load(text);
  ASSERT_EQ(table.entries.size(), elzar::kAbbreviationsMax);
  EXPECT_EQ(table.entries.back().first, "K1999");
  EXPECT_EQ(elzar::abbreviation_lookup(table, "k2000"), "");

  load("long=" + std::string(5000, 'x') + "\n");
  EXPECT_EQ(table.entries[0].second.size(), elzar::kExpansionMax);
}

TEST_F(AbbreviationFile, MissingFileFailsAndEmptiesTheTable) {
  load("sr=senhor\n");
  EXPECT_FALSE(elzar::load_abbreviations(table, "/nonexistent/elzar/portug.abr"));
  EXPECT_TRUE(table.entries.empty());
}

TEST_F(AbbreviationFile, ExpansionsInTheMainScan) {
  load("sr=senhor\nltda=limitada\netc=et cetera\nkm=quilômetros\nnº=número\nbr=Brasil\n"
       "tel=telefone\n#m=metros\n#min=minutos\n");
  const std::vector<Case> cases = {
      {"Sr. Silva", "senhor Silva"},
      {"o Sr.", "o senhor."},
      {"sr.Silva", "sr ponto Silva"},   // no blank after the period: not an abbreviation
      {"Sr Silva", "senhor Silva"},  // listed, so not spelled
      {"BR. a", "Brasil a"},
      {"Nada Ltda. e", "Nada limitada e"},
      {"leite etc.", "leite et cetera."},
      {"tel. 3333-4444", "telefone  três três três três traço quatro quatro quatro quatro "},
      {"5 km", "cinco  quilômetros"},
      {"5km", "cinco quilômetros"},
      {"1 km", "um  quilômetro"},
      {"1,5 km", "um vírgula cinco  quilômetros"},
      {"km", "quilômetros"},
      {"5 m", "cinco  metros"},
      {"1 min", "um  minuto"},
      {"M. Silva", "ême. Silva"},  // a "#" key only after a number
      {"min", "min"},
      {"1 km 5", "um  quilômetro cinco "},
      {"1 5 m", "um  cinco  metros"},
      {"1  m", "um   ême"},
      {"nº 5", "número cinco "},
      {"NRS", "êneérreésse"}};
  for (const Case& c : cases) EXPECT_EQ(elzar::uttsPreproc(table, w(c.in)), w(c.out)) << c.in;
}

std::string shipped_abbreviations() {
  const char* t = std::getenv("ROTEIRAL_TEST_DATA");
  return std::string(t ? t : "tests") + "/../data/elzartts/portug.abr";
}

// What a Brazilian reader says for dates, times, money, phone numbers, CPF, ordinals,
// percentages and abbreviations, with the shipped portug.abr.
TEST(ShippedAbbreviations, ReadsEveryItemAsABrazilianReaderWould) {
  Abbreviations table;
  ASSERT_TRUE(elzar::load_abbreviations(table, shipped_abbreviations()));
  EXPECT_GT(table.entries.size(), 200u);
  const std::vector<Case> cases = {
      {"em 25/12/2026.", "em vinte e cinco de dezembro de dois mil e vinte e seis ."},
      {"em 1/5/1990.", "em primeiro de maio de mil novecentos e noventa ."},
      {"às 14h30.", "às quatorze horas e trinta minutos ."},
      {"às 9h.", "às nove horas ."},
      {"às 08:15.", "às oito horas e quinze minutos ."},
      {"Custa R$ 1.250,50.", "Custa mil duzentos e cinqüenta reais e cinqüenta centavos ."},
      {"R$ 1,00", "um real "},
      {"R$ 0,99", "noventa e nove centavos "},
      {"(11) 98765-4321",
       "(onze )  nove oito sete seis cinco traço quatro três dois um "},
      {"CPF 123.456.789-09",
       " sêpêéfe um dois três ponto quatro cinco seis ponto sete oito nove traço zero nove "},
      {"1º lugar, 2ª vez, 3º andar",
       "primeiro  lugar, segunda  vez, terceiro  andar"},
      {"50% e 12,5%", "cinqüenta  porcento  e doze vírgula cinco  porcento "},
      {"O Sr. Silva e a Sra. Souza", "O senhor Silva e a senhora Souza"},
      {"Dr. João, Dra. Ana e Prof. Carlos", "doutor João, doutora Ana e professor Carlos"},
      {"Av. Paulista, nº 1000", "avenida Paulista, número mil "},
      {"tel. 3333-4444", "telefone  três três três três traço quatro quatro quatro quatro "},
      {"5 km, 2 kg, 30 cm, 1 km", "cinco  quilômetros, dois  quilogramas, trinta  centímetros, um  quilômetro"},
      {"100 m² por 10 min", "cem  metros quadrados por dez  minutos"},
      {"Nova Ltda. e pão etc.", "Nova limitada e pão etcétera."},
      {"o mar. Depois", "o mar. Depois"},
      {"Vc vem hj? Tb", "você vem hoje? também"}};
  for (const Case& c : cases) EXPECT_EQ(elzar::uttsPreproc(table, w(c.in)), w(c.out)) << c.in;
}

// Every byte alone and in hostile texts: names or nothing, never a digit or a control byte.
TEST(Normalise, HostileInputStaysSpeakable) {
  const Abbreviations none;
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    const std::string out = elzar::uttsPreproc(none, one);
    if (!elzar::character_name(static_cast<unsigned char>(b)).empty()) {
      EXPECT_FALSE(out.empty()) << b;
    }
  }
  std::mt19937 rng(7);
  std::string text(100000, ' ');
  for (char& c : text) c = static_cast<char>(rng() % 256);
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  for (const std::string& t : {text, all, std::string(10000, '9'),
                               std::string(5000, '1') + "-" + std::string(5000, '2'),
                               std::string(10000, '.'), std::string(10000, '-')}) {
    const std::string out = elzar::uttsPreproc(none, t);
    for (char c : out) {
      ASSERT_FALSE(c >= '0' && c <= '9') << "a digit survived";
      ASSERT_FALSE(static_cast<unsigned char>(c) < 32) << "a control byte survived";
    }
  }
  // 10000 nines: 15-digit numbers one after the other.
  const std::string nines = elzar::uttsPreproc(none, std::string(10000, '9'));
  size_t count = 0;
  for (size_t p = nines.find(w("trilhões")); p != std::string::npos;
       p = nines.find(w("trilhões"), p + 1))
    ++count;
  EXPECT_EQ(count, 10000u / 15);
}

}  // namespace
