// The word converter: every context symbol, the tonic mark, '&' splits, dropped letters,
// the phoneme-line list with markers, pauses and cross-word voicing, and the shipped data.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tts/uttsInic.h"
#include "tts/uttsPortug.h"

namespace {

using elzar::Language;
using Lines = std::vector<std::string>;

Language language_of(std::string_view rules, std::string_view exceptions = "") {
  Language l;
  elzar::parse_rules(l.rules, rules);
  elzar::parse_exceptions(l.exceptions, exceptions);
  return l;
}

// The phoneme lines of one word joined by blanks; the closing empty line is checked apart.
std::string converted(const Language& l, std::string_view word, int tonic = 0) {
  Lines out;
  elzar::convert_word(l, word, tonic, out);
  EXPECT_FALSE(out.empty());
  EXPECT_EQ(out.back(), "") << word;
  std::string joined;
  for (size_t i = 0; i + 1 < out.size(); ++i) joined += (i ? " " : "") + out[i];
  return joined;
}

struct ContextCase {
  const char* rule;  // tried before the fallback "(B)=b|"
  const char* word;
  const char* phonemes;
};

TEST(G2pConvert, EveryContextSymbol) {
  const ContextCase cases[] = {
      {"(B)#=v|", "BA", "v"},            // right #: a vowel
      {"(B)#=v|", "B\xD5", "v"},         // Õ is a vowel
      {"(B)#=v|", "BK", "b"},
      {"(B)#=v|", "B", "b"},
      {"(B)#B=v|", "BAB", "v b"},        // # consumed the vowel, the B after it is matched
      {"#(B)=v|", "AB", "v"},            // left #
      {"#(B)=v|", "KB", "b"},
      {"#(B)=v|", "B", "b"},
      {"(B)%=f|", "AB", "f"},            // right %: end of word
      {"(B)%=f|", "BA", "b"},
      {"%(B)=f|", "BA", "f"},            // left %: start of word
      {"%(B)=f|", "AB", "b"},
      {"(B)&=m|", "BL", "m"},            // right &: L M N R Z
      {"(B)&=m|", "BZ", "m"},
      {"(B)&=m|", "BK", "b"},
      {"(B)&A=m|", "BNA", "m"},          // & consumed the N
      {"(B)*=k|", "BT", "k"},            // right *: a consonant other than L R, not consumed
      {"(B)*T=k|", "BT", "k"},
      {"(B)*=k|", "BL", "b"},
      {"(B)*=k|", "BR", "b"},
      {"(B)*=k|", "BA", "b"},
      {"(B)*=k|", "B", "b"},
      {"(B)*=k|", "B\xC7", "k"},         // Ç is a consonant
      {"(B)+=s|", "BE", "s"},            // right +: E I É Í
      {"(B)+=s|", "B\xCD", "s"},
      {"(B)+=s|", "B\xCA", "b"},         // Ê is not in the class
      {"(B)+=s|", "BA", "b"},
      {"(B)[=p|", "B", "p"},             // right [: end, or a consonant other than H
      {"(B)[=p|", "BT", "p"},
      {"(B)[T=p|", "BT", "p"},           // not consumed
      {"(B)[=p|", "BH", "b"},
      {"(B)[=p|", "BA", "b"},
      {"(B)\\%=z|", "B", "z"},           // right \: an optional S
      {"(B)\\%=z|", "BS", "z"},
      {"(B)\\%=z|", "BSS", "b"},
      {"](B)=g|", "AB", "g"},            // left ]: A O Á Â Ó Ô
      {"](B)=g|", "\xD4" "B", "g"},
      {"](B)=g|", "EB", "b"},
      {"](B)=g|", "B", "b"},
      {"_(B)=w|", "B", "w"},             // left _: start of word, or a vowel
      {"_(B)=w|", "AB", "w"},
      {"_(B)=w|", "KB", "b"},
      {"%_(B)=w|", "AB", "w"},           // _ consumed the vowel, then the start
      {"%_(B)=w|", "KAB", "b"},
      {"|(B)=r|", "NB", "r"},            // left |: N R S
      {"|(B)=r|", "SB", "r"},
      {"|(B)=r|", "LB", "b"},
      {"K(B)T=x|", "KBT", "x"},          // plain letters on both sides
      {"K(B)T=x|", "kBt", "x"},          // compared upper-cased
      {"K(B)T=x|", "KB", "b"},
      {"A(B)=x|", "B", "b"},             // a plain letter needs a letter there
      {"(B)]=x|", "B]", "x"},            // left-side symbols are plain on the right
      {"%(B)%=o|", "B", "o"},
      {"(BBB)=t|", "BB", "b b"},         // the word must be long enough for the group
      {"(BBB)=t|", "BBBB", "t b"},
  };
  for (const ContextCase& c : cases) {
    Language l = language_of(std::string(c.rule) + "\n(B)=b|\n");
    EXPECT_EQ(converted(l, c.word), c.phonemes) << c.rule << " on " << c.word;
  }
}

TEST(G2pConvert, TonicMarkAndSplitPhonemes) {
  Language l = language_of("(A)=a&y|\n(B)=b|\n(C)=k|\n(H)=|\n(L)=abcdefghijklmnop|\n");
  // & gives two lines; the mark stands before the first of them.
  EXPECT_EQ(converted(l, "BAB", 2), "b >a y b");
  EXPECT_EQ(converted(l, "BAB", 0), "b a y b");
  // A letter without a rule gives nothing and leaves the mark for the next output.
  EXPECT_EQ(converted(l, "BXB", 2), "b >b");
  // So does an empty output.
  EXPECT_EQ(converted(l, "BHC", 2), "b >k");
  // Only the first 11 output characters count.
  EXPECT_EQ(converted(l, "L"), "abcdefghijk");
  // A word of letters without rules still ends with its empty line.
  EXPECT_EQ(converted(l, "XYZ", 1), "");
}

TEST(G2pConvert, OutputEndingInSeparatorGivesAnEmptyPhonemeLine) {
  Language l = language_of("(A)=a&|\n");
  Lines out;
  elzar::convert_word(l, "A", 0, out);
  EXPECT_EQ(out, (Lines{"a", "", ""}));
}

const char* const kSmallRules =
    "(A)=a|\n(E)=e|\n(I)=i|\n(O)=o|\n(U)=u|\n(M)=m|\n(L)=l|\n(T)=t|\n(K)=k|\n(N)=n|\n"
    "(S)[=s2|\n(S)=s|\n(R)[=r2|\n(R)=r|\n(X)=ks|\n";

TEST(G2pConvert, ListWithMarkersPausesAndEmptyWords) {
  Language l = language_of(kSmallRules);
  Lines out = elzar::uttsPortug(l, {"555|mala", "362|,", "555|", "555| ", "555|?", "55"});
  Lines expected = {";555|mala", "m", ">a", "l", "a", "",
                    ";362|,", "_,",
                    ";555|", "__", "",
                    ";555| ",
                    ";555|?", "_?",
                    ";55", "__", "",
                    "__"};
  EXPECT_EQ(out, expected);
  for (char p : std::string("!():;.")) {
    Lines one = elzar::uttsPortug(l, {std::string("555|") + p + "x"});
    ASSERT_EQ(one.size(), 3u);
    EXPECT_EQ(one[1], std::string("_") + p);
  }
}

TEST(G2pConvert, FunctionWordsCarryNoMark) {
  Language l = language_of(kSmallRules);
  auto marked = [&](const std::string& word) {
    for (const std::string& line : elzar::uttsPortug(l, {"555|" + word}))
      if (!line.empty() && line[0] == '>') return true;
    return false;
  };
  EXPECT_FALSE(marked("sim"));
  EXPECT_FALSE(marked("n\xE3o"));
  EXPECT_FALSE(marked("no"));
  EXPECT_FALSE(marked("com"));
  EXPECT_TRUE(marked("mas"));
  EXPECT_TRUE(marked("mal"));
}

TEST(G2pConvert, AliasWithItsPluralGoesThroughTheRules) {
  Language l = language_of(std::string(kSmallRules) + "(\xC1)=a|\n", "taxi=t\xE1ksi|\n");
  Lines out = elzar::uttsPortug(l, {"555|taxis"});
  EXPECT_EQ(out, (Lines{";555|taxis", "t", ">a", "k", "s", "i", "s2", "", "__"}));
}

TEST(G2pConvert, VoicingAcrossWords) {
  Language l = language_of(kSmallRules);
  auto last_of_first = [&](const std::string& a, const std::string& b) {
    Lines out = elzar::uttsPortug(l, {"555|" + a, "555|" + b});
    size_t second = 1;
    while (second < out.size() && (out[second].empty() || out[second][0] != ';')) ++second;
    return out[second - 2];
  };
  EXPECT_EQ(last_of_first("mas", "ela"), "z");   // next word begins with ">e"
  EXPECT_EQ(last_of_first("mar", "ou"), "r");
  EXPECT_EQ(last_of_first("mas", "nem"), "s2"); // a consonant
  EXPECT_EQ(last_of_first("mar", "tal"), "r2");
  EXPECT_EQ(last_of_first("mas", "xa"), "s2");
  // A pause between them stops it.
  Lines out = elzar::uttsPortug(l, {"555|mas", "555|,", "555|ela"});
  EXPECT_EQ(out[3], "s2");
  // Only the last phoneme of the word before changes.
  out = elzar::uttsPortug(l, {"555|sr", "555|a"});
  EXPECT_EQ(out[1], "s2");
  EXPECT_EQ(out[2], "r");
}

TEST(G2pConvert, HostileWordsKeepBounds) {
  Language l = language_of(kSmallRules);
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  Lines out = elzar::uttsPortug(l, {"555|" + all, "555|" + std::string(100000, 'a'),
                                    std::string(1, '\0'), "555|" + std::string(1, '\0') + "a"});
  EXPECT_EQ(out.back(), "__");
  size_t phonemes = 0;
  for (const std::string& line : out)
    if (!line.empty() && line[0] != ';' && line[0] != '_') ++phonemes;
  EXPECT_GT(phonemes, 100000u);
}

// The shipped rules and aliases.
std::string data_file(const std::string& name) {
  const char* t = std::getenv("ROTEIRAL_TEST_DATA");
  return std::string(t ? t : "tests") + "/../data/elzartts/" + name;
}

const std::set<std::string>& voice_phonemes() {
  static const std::set<std::string> names = {
      "a", "@", "e", "eh", "i", "o", "oh", "u", "am", "em", "im", "om", "um", "y", "w",
      "p", "b", "t", "d", "k", "g", "f", "v", "s", "z", "m", "n", "l", "x", "j",
      "nh", "lh", "r", "rr", "r2", "s2", "tx", "dj", "_"};
  return names;
}

class G2pShippedData : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(elzar::load_language(lang_, data_file("portug.nrl"), data_file("portug.exc")));
  }
  std::string say(const std::string& cp1252_word) {
    Lines out = elzar::uttsPortug(lang_, {"555|" + cp1252_word});
    std::string joined;
    for (const std::string& line : out) {
      if (line.empty() || line[0] == ';' || line == "__") continue;
      joined += (joined.empty() ? "" : " ") + line;
    }
    return joined;
  }
  Language lang_;
};

TEST_F(G2pShippedData, RulesWriteOnlyTheVoicesPhonemes) {
  size_t rules = 0;
  for (const auto& chain : lang_.rules.chains)
    for (const elzar::Rule& r : chain) {
      ++rules;
      EXPECT_LE(r.output.size(), elzar::kRuleOutputUsed) << r.match;
      std::string name;
      for (char c : r.output + "&") {
        if (c != '&') {
          name += c;
          continue;
        }
        EXPECT_TRUE(name.empty() ? r.output.empty() : voice_phonemes().count(name) == 1)
            << "(" << r.match << ") writes '" << name << "'";
        name.clear();
      }
    }
  EXPECT_GT(rules, 100u);
  EXPECT_GE(lang_.exceptions.entries.size(), 250u);
}

// A field longer than its capacity would be cut silently and change the rule's meaning.
TEST_F(G2pShippedData, RuleFieldsFitTheirCapacities) {
  std::ifstream f(data_file("portug.nrl"), std::ios::binary);
  std::string line;
  int checked = 0;
  while (std::getline(f, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    size_t open = line.find('('), close = line.find(')', open + 1);
    size_t eq = line.find('=', close + 1), bar = line.find('|', eq + 1);
    ASSERT_TRUE(open != std::string::npos && close != std::string::npos &&
                eq != std::string::npos && bar != std::string::npos)
        << line;
    EXPECT_LE(open, elzar::kRuleContextMax) << line;
    EXPECT_LE(close - open - 1, elzar::kRuleMatchMax) << line;
    EXPECT_LE(eq - close - 1, elzar::kRuleContextMax) << line;
    EXPECT_LE(bar - eq - 1, elzar::kRuleOutputUsed) << line;
    EXPECT_EQ(bar + 1, line.size()) << line;
    ++checked;
  }
  EXPECT_GT(checked, 100);
}

TEST_F(G2pShippedData, AliasesReadAsWords) {
  for (const auto& [word, alias] : lang_.exceptions.entries) {
    EXPECT_FALSE(alias.empty()) << word;
    EXPECT_EQ(word.find_first_of(" =|;"), std::string::npos) << word;
    std::string said = say(word);
    size_t at = 0;
    while (at < said.size()) {
      size_t end = said.find(' ', at);
      if (end == std::string::npos) end = said.size();
      std::string p = said.substr(at, end - at);
      if (!p.empty() && p[0] == '>') p.erase(0, 1);
      EXPECT_EQ(voice_phonemes().count(p), 1u) << word << ": " << said;
      at = end + 1;
    }
  }
}

struct SpokenCase {
  const char* word;  // Windows-1252
  const char* phonemes;
};

TEST_F(G2pShippedData, RegularSpelling) {
  const SpokenCase cases[] = {
      {"casa", "k >a z @"},
      {"ca\xE7" "a", "k >a s @"},
      {"chuva", "x >u v @"},
      {"gente", "j >em tx i"},
      {"guerra", "g >eh rr @"},
      {"ag\xFC" "entar", "a g w em t >a r2"},
      {"quase", "k w >a z i"},
      {"aquilo", "a k >i l u"},
      {"passo", "p >a s u"},
      {"filho", "f >i lh u"},
      {"banho", "b >a nh u"},
      {"carro", "k >a rr u"},
      {"rato", "rr >a t u"},
      {"honra", ">om rr @"},
      {"mal", "m >a w"},
      {"porta", "p >oh r2 t @"},
      {"mas", "m >a s2"},
      {"leite", "l >e i tx i"},
      {"cidade", "s i d >a dj i"},
      {"tia", "tx >i @"},
      {"caf\xE9", "k a f >eh"},
      {"av\xF4", "a v >o"},
      {"av\xF3", "a v >oh"},
      {"p\xE3o", "p >am w"},
      {"falam", "f >a l am w"},
      {"tempo", "t >em p u"},
      {"fim", "f >im"},
      {"bom", "b >om"},
      {"exame", "e z >a m i"},
      {"caixa", "k >a i x @"},
      {"texto", "t >e s2 t u"},
      {"xadrez", "x a d r >e s2"},
      {"sexo", "s >eh k s u"},     // alias
      {"t\xE1xis", "t >a k s i s2"},  // alias and its plural
      {"ele", ">e l i"},           // alias: closed e
  };
  for (const SpokenCase& c : cases) EXPECT_EQ(say(c.word), c.phonemes) << c.word;
}

}  // namespace
