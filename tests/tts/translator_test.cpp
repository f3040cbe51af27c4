// The translator: rewriting, the tonic vowel, the dictionary, context rules, spelling, and
// the shipped rule and dictionary files.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "tts/translator.h"

namespace {

using tts::Translator;
using tts::Word;

std::string data_dir() {
  const char* t = std::getenv("ROTEIRAL_TEST_DATA");
  return std::string(t ? t : "tests") + "/../data";
}

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "roteiral-tts-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) ADD_FAILURE() << "mkdtemp failed";
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string write(const std::string& name, const std::string& bytes) const {
    std::string p = path_ + "/" + name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

Word word_of(const std::string& text) {
  Word w{text};
  for (size_t i = 0; i < text.size(); ++i) {
    if (std::string("aeiouAEIOU").find(text[i]) != std::string::npos) ++w.vowels;
    if (i > 0 && std::string("'^`~").find(text[i]) != std::string::npos) w.explicit_accent = true;
  }
  return w;
}

std::string tonic(const std::string& text) {
  Word w = word_of(text);
  tts::mark_tonic(w);
  return w.text;
}

Translator with_rules(const std::string& rules) {
  Translator t;
  tts::parse_rules(t, rules);
  return t;
}

// The shipped data, loaded once.
const Translator& shipped() {
  static const Translator t = [] {
    Translator t;
    EXPECT_EQ(tts::load_voice_files(t, data_dir()), tts::VoiceFiles::loaded);
    return t;
  }();
  return t;
}

TEST(Rewrite, LettersMarksAndUnmappedBytes) {
  const std::pair<std::string, std::string> cases[] = {
      {"Wagner", "uagner"},
      {"w", "w"},           // a lone w is left alone
      {"Yara", "iara"},
      {"y", "i"},
      {"a y b", "a i b"},   // alone between blanks
      {"y,", "y,"},         // next to neither a letter nor a blank
      {"d'\xE1gua", "da'gua"},
      {"D'Avila", "DAvila"},
      {"l'a", "l'a"},
      {"\xC1gua \xE9 \xEA \xE0 \xE3o \xF5", "a'gua e' e^ a` a~o o~"},
      {"\xC7\xE7", "ssss"},
      {"\xF1\xD1", "nhnh"},
      {"\xFC\x81", "uu\""},
      {"\x98", "y-"},
      {"\xA7\xAB\xBB", "\xA7\xAA\xBA"},
      {"\xAA\xBA", " \x01  \x01 "},
      {"\xAE\xAD\xBF", "\"!?"},
      {"a\tb", "a \x01 b"},
      {"\x9D", " \x01 "},
      {"\xFE", " \x01 "},
      {std::string("a\0b", 3), "a \x01 b"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(tts::rewrite_text(in), out) << in;
}

TEST(Tonic, StateMachine) {
  const std::pair<const char*, const char*> cases[] = {
      {"casa", "cAsa"},   {"papel", "papEl"}, {"casas", "cAsas"},  {"amor", "amOr"},
      {"falam", "fAlam"}, {"jardim", "jardIm"}, {"homem", "hOmem"}, {"aqui", "aquI"},
      {"pai", "pAi"},     {"juiz", "juIz"},   {"rainha", "raInha"}, {"fazia", "fazIa"},
      {"seguia", "seguIa"}, {"saia", "sAia"}, {"sairmos", "saIrmos"}, {"sol", "sOl"},
      {"raul", "raUl"},   {"bom", "bom"},     {"mar", "mar"},       {"rs", "rs"},
      {"tenis", "tenIs"}, {"juri", "jurI"},   {"cantam", "cAntam"}, {"ruim", "rUim"},
      // T6 or T7 entered on the first letter: no step left, nothing marked.
      {"asa", "asa"},     {"dia", "dia"},     {"ala", "ala"},
      // upper-case letters are not looked up in T0 and keep the state
      {"caSA", "caSA"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(tonic(in), out) << in;
}

TEST(Tonic, ExplicitAccentLeavesWordAlone) {
  EXPECT_EQ(tonic("a'gua"), "a'gua");
  EXPECT_EQ(tonic("ma~e"), "ma~e");
}

TEST(Alias, StripsTrailingSAndMAndKeepsThem) {
  Translator t;
  tts::parse_aliases(t, "taxi=ta'ksi|\nmuito=mu~ito|\nsr=senhor\nab=xy|z\n");
  auto alias = [&](const std::string& text) {
    Word w = word_of(text);
    tts::apply_alias(t, w);
    return w;
  };
  EXPECT_EQ(alias("taxi").text, "ta'ksi");
  EXPECT_EQ(alias("taxis").text, "ta'ksis");
  EXPECT_EQ(alias("taxism").text, "ta'ksism");
  EXPECT_EQ(alias("muitos").text, "mu~itos");
  EXPECT_EQ(alias("sr").text, "senhor");   // no closing bar
  EXPECT_EQ(alias("ab").text, "xy");       // text after the bar ignored
  EXPECT_EQ(alias("taxist").text, "taxist");  // only s and m are stripped
  EXPECT_EQ(alias("sms").text, "sms");
  EXPECT_EQ(alias("Taxi").text, "Taxi");   // no case change
  // The counts follow the replacement, so its accent mark keeps the tonic machine away.
  Word w = alias("taxis");
  EXPECT_TRUE(w.explicit_accent);
  EXPECT_EQ(w.vowels, 2);
  tts::mark_tonic(w);
  EXPECT_EQ(w.text, "ta'ksis");
}

TEST(Alias, FileLimits) {
  Translator t;
  // A line without '=' gives an entry that no word can match; over-long lines are cut.
  std::string long_line(300, 'a');
  long_line[260] = '=';
  tts::parse_aliases(t, "semigual\r\n\r\n\nbb=c\r\n" + long_line + "\n\xE9=x|\n");
  ASSERT_EQ(t.aliases.size(), 4u);
  EXPECT_EQ(t.aliases[0].word, std::string(255, 'a') + "|");
  EXPECT_EQ(t.aliases[0].replacement, "");
  EXPECT_EQ(t.aliases[1].word, "bb");
  EXPECT_EQ(t.aliases[1].replacement, "c");
  EXPECT_EQ(t.aliases[2].word, "semigual|");
  EXPECT_EQ(t.aliases[3].word, "\xE9");  // byte order: high bytes last

  std::string many;
  for (int i = 0; i < 20000; ++i) many += "w" + std::to_string(i) + "=x\n";
  tts::parse_aliases(t, many);
  EXPECT_EQ(t.aliases.size(), tts::kAliasMax);
  EXPECT_TRUE(std::is_sorted(t.aliases.begin(), t.aliases.end(),
                             [](const auto& a, const auto& b) { return a.word < b.word; }));
}

TEST(Rules, FieldsDelimitersAndCapacities) {
  Translator t = with_rules(
      "LLLLLLL(MMMMMMM)RRRRRRR=OOOOOOOOOOOOOOO|tail\n"
      "(B\n"
      "(C)X\n"
      "(D)Y=out\n"
      "no delimiters\n"
      "(e)=lower\n"
      "(\xC1)=high\n"
      "(\x01)=control\n"
      "()=empty\n"
      "\n");
  const auto& m = t.chains['M' - 32];
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].left, "LLLLL");
  EXPECT_EQ(m[0].match, "MMMMM");
  EXPECT_EQ(m[0].right, "RRRRR");
  EXPECT_EQ(m[0].output, "OOOOOOOOOOO");
  ASSERT_EQ(t.chains['B' - 32].size(), 1u);
  EXPECT_EQ(t.chains['B' - 32][0].match, "B");
  EXPECT_EQ(t.chains['B' - 32][0].right, "");
  ASSERT_EQ(t.chains['C' - 32].size(), 1u);
  EXPECT_EQ(t.chains['C' - 32][0].right, "X");
  EXPECT_EQ(t.chains['C' - 32][0].output, "");
  EXPECT_EQ(t.chains['D' - 32][0].output, "out");
  size_t total = 0;
  for (const auto& c : t.chains) total += c.size();
  EXPECT_EQ(total, 4u);  // lower-case, high, control and empty matches have no chain
}

TEST(Rules, RuleAwayFromItsGroupJoinsThePreviousChain) {
  Translator t = with_rules("(A)X=1|\n(B)=2|\n(A)E=3|\n");
  EXPECT_EQ(t.chains['A' - 32].size(), 1u);
  ASSERT_EQ(t.chains['B' - 32].size(), 2u);
  // so it never applies: the chain is chosen by the letter under the cursor
  EXPECT_EQ(tts::convert_word(t, "ae"), "[ /_A/ /_E]");
  tts::release_rules(t);
  EXPECT_EQ(tts::convert_word(t, "a"), "[ /_A]");
}

TEST(Rules, HostileFilesStayInBounds) {
  std::string junk;
  unsigned x = 12345;
  for (int i = 0; i < 200000; ++i) {
    x = x * 1103515245u + 12345u;
    junk += static_cast<char>((x >> 16) & 0xFF);
  }
  Translator t;
  tts::parse_rules(t, junk);
  tts::parse_aliases(t, junk);
  std::string lines;
  for (int i = 0; i < 20000; ++i) lines += "#%&*+[\\]_|(" + std::string(1, 'A' + i % 26) + "#)%[=" + std::string(40, 'x') + "\n";
  tts::parse_rules(t, lines);
  EXPECT_LE(t.aliases.size(), tts::kAliasMax);
  std::string text;
  for (int c = 0; c < 256; ++c) text += static_cast<char>(c);
  text += std::string(1000, 'a') + " " + std::string(10000, ',') + " " + junk.substr(0, 5000);
  std::string out = tts::translate(t, text);
  EXPECT_FALSE(out.empty());
  EXPECT_FALSE(tts::translate(shipped(), text).empty());
}

// Does the rule (output "!") fire at the word's last letter, a 'b'?
bool fires(const std::string& rule, const std::string& word) {
  Translator t = with_rules(rule + "=!|\n");
  return tts::convert_word(t, word).find('!') != std::string::npos;
}

TEST(Rules, ContextSymbols) {
  struct Case {
    const char* rule;
    const char* word;
    bool fires;
  };
  const Case cases[] = {
      {"(B)A", "ba", true},      {"(B)A", "bA", true},      {"(b)", "b", false},
      {"(B)#C", "baec", true},   {"(B)#C", "ba'c", true},   {"(B)#C", "bc", false},
      {"(B)%", "ab", true},      {"(B)%", "ba", false},
      {"(B)&A", "bla", true},    {"(B)&A", "bza", true},    {"(B)&A", "bsa", false},
      {"(B)*", "bt", true},      {"(B)*T", "bt", true},     {"(B)*", "br", false},
      {"(B)*", "bl", false},     {"(B)*", "b", false},      {"(B)*", "ba", false},
      {"(B)+C", "bec", true},    {"(B)+C", "be'c", true},   {"(B)+C", "bic", true},
      {"(B)+C", "bac", false},
      {"(B)[", "b", true},       {"(B)[T", "bt", true},     {"(B)[", "bh", false},
      {"(B)[", "ba", false},
      {"(B)\\A", "bsa", true},   {"(B)\\A", "ba", true},    {"(B)\\A", "bta", false},
      {"#(B)", "aeb", true},     {"#(B)", "a'b", true},     {"C#(B)", "caeb", true},
      {"#(B)", "cb", false},     {"#(B)", "b", false},
      {"%(B)", "b", true},       {"%(B)", "ab", false},
      {"](B)", "ab", true},      {"](B)", "ob", true},      {"](B)", "a'b", true},
      {"C](B)", "ca'b", true},   {"](B)", "eb", false},     {"](B)", "'b", false},
      {"_(B)", "b", true},       {"_(B)", "eb", true},      {"C_(B)", "ce'b", true},
      {"_(B)", "cb", false},     {"C_(B)", "cb", false},
      {"|(B)", "nb", true},      {"|(B)", "rb", true},      {"|(B)", "sb", true},
      {"|(B)", "tb", false},
      // a symbol on the side where it has no meaning is a plain character
      {"&(B)", "lb", false},     {"(B)]", "ba", false},
  };
  for (const auto& c : cases) EXPECT_EQ(fires(c.rule, c.word), c.fires) << c.rule << " on " << c.word;
}

TEST(Convert, DefaultsTonicCapitalAndCursor) {
  Translator t = with_rules("(CH)= x|\n(A)=a|\n(O)= o^|\n");
  EXPECT_EQ(tts::convert_word(t, "chAo"), "[ x/A/ o^]");
  EXPECT_EQ(tts::convert_word(t, "chaO"), "[ x/a/ O^]");
  EXPECT_EQ(tts::convert_word(t, "bE"), "[ /_B/ /_E]");
  EXPECT_EQ(tts::convert_word(t, "~"), "[ /_~]");  // no chain above code 95
}

TEST(Translate, SpellsWhatCannotBePronounced) {
  Translator t;
  EXPECT_EQ(tts::translate(t, "rs"), "[ /_r][ /_s]");
  EXPECT_EQ(tts::translate(t, ","), "[ /_,]");
  EXPECT_EQ(tts::translate(t, "RS, "), "[ /_r][ /_s][ /_,]");
  EXPECT_EQ(tts::translate(t, "\t"), "[ /_\x01]");
  EXPECT_EQ(tts::translate(t, "   "), "");
  // a digit is neither consonant nor punctuation: converted, by default as its letter wave
  EXPECT_EQ(tts::translate(t, "5"), "[ /_5]");
  // the dictionary runs first, so an abbreviation can be read as a word
  tts::parse_aliases(t, "sr=sa|\n");
  EXPECT_EQ(tts::translate(t, "sr"), "[ /_S/ /_A]");
}

TEST(Translate, ShippedData) {
  const std::pair<const char*, const char*> cases[] = {
      {"casa", "[ k/A/ z/a]"},
      {"papel", "[ p/a/ p/E/w]"},
      {"\xE1gua", "[A/ gw/a]"},
      {"rs", "[ /_r][ /_s]"},
      {",", "[ /_,]"},
      {"wagner", "[u /a/ gi/ n/E^/r]"},
      {"y", "[i]"},
      {"Casa, papel.", "[ k/A/ z/a][ /_,][ p/a/ p/E/w][ /_.]"},
      {"cora\xE7\xE3o", "[ k/o^/ r/a/ s/A~w]"},
      {"m\xE3""e", "[ m/A~y]"},
      {"p\xE3""es", "[ p/A~y/s]"},
      {"elei\xE7\xF5""es", "[e^/ l/e^/y/ s/O~y/s]"},
      {"campo", "[ k/A~// p/u]"},
      {"homens", "[/O^/ m/e~y//s]"},
      {"tamb\xE9m", "[ t/a~// b/E~y/]"},
      {"falam", "[ f/A/ l/a~w/]"},
      {"bom", "[ b/o~/]"},
      {"rainha", "[ rr/a/ I/ nh/a]"},
      {"sa\xFA""de", "[ s/a/ U/ dj/i]"},
      {"aqui", "[a/ k/I]"},
      {"quando", "[ kw/A~// d/u]"},
      {"guerra", "[ g/E/ rr/a]"},
      {"ling\xFCi\xE7""a", "[ l/i~// gw/I/ s/a]"},  // from the dictionary
      {"tranquilo", "[ t/r/a~// kw/I/ l/u]"},
      {"t\xE1xi", "[ t/A/ ks/i]"},
      {"exame", "[e^/ z/A/ m/i]"},
      {"texto", "[ t/E^/s/ t/u]"},
      {"lixo", "[ l/i/ x/u]"},
      {"nascer", "[ n/a/ s//E^/r]"},
      {"leite", "[ l/E^/y/ tch/i]"},
      {"cidade", "[ s/i/ d/A/ dj/i]"},
      {"filho", "[ f/i/ ly/u]"},
      {"banho", "[ b/A/ nh/u]"},
      {"chave", "[ x/A/ v/i]"},
      {"carro", "[ k/A/ rr/u]"},
      {"rato", "[ rr/A/ t/u]"},
      {"honra", "[/O~// rr/a]"},
      {"mesmo", "[ m/E^/z/ m/u]"},
      {"sol", "[ s/O/w]"},
      {"alto", "[a/w/ t/u]"},
      {"cair", "[ k/a/ I/r]"},
      {"muito", "[ m/U~/y/ t/u]"},
      {"fam\xEDlia", "[ f/a/ m/I/ l/i /a]"},
      {"pacto", "[ p/A/ ki/ t/u]"},
      {"Brasil", "[ b/r/a/ z/I/w]"},
      {"l\xE2mpada", "[ l/A~// p/a/ d/a]"},
      {"exce\xE7\xE3o", "[e^// s/e^/ s/A~w]"},
      {"Fran\xE7""a", "[ f/r/A~// s/a]"},
      {"objeto", "[o^/ bi/ j/E^/ t/u]"},
      {"sr", "[ s/e^/ nh/O^/r]"},
      {"gente", "[ j/E~// tch/i]"},
      {"Israel", "[i/z/ rr/a /E/w]"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(tts::translate(shipped(), in), out) << in;
}

TEST(VoiceFiles, LoadCodes) {
  TempDir d;
  Translator t;
  EXPECT_EQ(tts::load_voice_files(t, d.path()), tts::VoiceFiles::no_rules);
  d.write("regras.rgr", "(A)=a|\n");
  EXPECT_EQ(tts::load_voice_files(t, d.path()), tts::VoiceFiles::no_dictionary);
  d.write("portug.exc", "x=y\n");
  EXPECT_EQ(tts::load_voice_files(t, d.path() + "/"), tts::VoiceFiles::loaded);
  EXPECT_EQ(t.aliases.size(), 1u);
  // a failed load leaves nothing of what was loaded before
  EXPECT_FALSE(tts::load_rules(t, d.path() + "/nada.rgr"));
  EXPECT_FALSE(tts::load_aliases(t, d.path() + "/nada.exc"));
  EXPECT_EQ(tts::convert_word(t, "a"), "[ /_A]");
  EXPECT_TRUE(t.aliases.empty());
}

// The loader links a rule that stands away from its group into another chain, where it
// never applies; the shipped file must keep each first character together.
TEST(ShippedData, RulesGroupedAndAllReachable) {
  std::ifstream f(data_dir() + "/regras.rgr", std::ios::binary);
  ASSERT_TRUE(f);
  std::string line;
  std::map<char, int> last_line;
  char previous = 0;
  int n = 0, lines = 0;
  while (std::getline(f, line)) {
    ++n;
    if (line.empty()) continue;
    ++lines;
    size_t open = line.find('('), close = line.find(')'), eq = line.find('='), bar = line.find('|', eq == std::string::npos ? 0 : eq);
    ASSERT_TRUE(open != std::string::npos && close > open + 1 && eq > close && bar != std::string::npos) << "line " << n << ": " << line;
    EXPECT_LE(open, tts::kRuleContextMax) << "line " << n;
    EXPECT_LE(close - open - 1, tts::kRuleMatchMax) << "line " << n;
    EXPECT_LE(eq - close - 1, tts::kRuleContextMax) << "line " << n;
    EXPECT_LE(bar - eq - 1, tts::kRuleOutputMax) << "line " << n;
    char first = line[open + 1];
    if (first != previous) {
      EXPECT_EQ(last_line.count(first), 0u) << "line " << n << " splits the group of " << first;
    }
    last_line[first] = n;
    previous = first;
  }
  size_t loaded = 0;
  for (const auto& c : shipped().chains) loaded += c.size();
  EXPECT_EQ(loaded, static_cast<size_t>(lines));
  EXPECT_GT(shipped().aliases.size(), 20u);
}

}  // namespace
