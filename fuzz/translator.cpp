// The translator's rule and dictionary loaders, then a phrase through what they loaded.
// Input: the rule file, a 0x00 byte, the dictionary, a 0x00 byte, the phrase.
#include "fuzz/common.h"
#include "tts/translator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = fuzz::split(fuzz::as_text(data, size), '\0', 3);
  tts::Translator t;
  tts::parse_rules(t, parts[0]);
  tts::parse_aliases(t, parts[1]);
  for (const auto& chain : t.chains)
    for (const tts::Rule& r : chain)
      if (r.left.size() > tts::kRuleContextMax || r.right.size() > tts::kRuleContextMax ||
          r.match.size() > tts::kRuleMatchMax || r.output.size() > tts::kRuleOutputMax)
        __builtin_trap();
  if (t.aliases.size() > tts::kAliasMax) __builtin_trap();
  tts::translate(t, parts[2]);
  tts::release_rules(t);
  return 0;
}
