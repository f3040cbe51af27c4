// Runtime messages: keyed texts, written and then voiced by a recording or the synthesiser.
#include "runtime/interp.h"
#include "console/ZnCrt.h"
#include "speech/znsapi.h"

namespace rl {
namespace {

struct Message {
  const char* key;
  const char* text;
};

constexpr Message kMessages[] = {
    {"SCINIC", "Roteiral - v"},
    {"SCNOMARQ", "Nome do arquivo .CMD a executar: "},
    {"SCFIM", "Fim do script"},
    {"SCARQNAO", "Arquivo .CMD inexistente"},
    {"SCERREXE", "Erro de execu\xE7\xE3o na linha "},
    {"SCERRROT", "Este r\xF3tulo n\xE3o existe !"},
    {"SCERRO", "Erro"},
    {"SCEDITE", "Editore e aperte enter"},
    {"SCINTER", "Modo interativo"},
};

}  // namespace

std::string_view message_text(std::string_view key) {
  for (const auto& m : kMessages) {
    if (key == m.key) return m.text;
  }
  return {};
}

void show_message(Interp& in, std::string_view key, int line_breaks) {
  std::string_view text = message_text(key);
  in.console->write(text);
  for (int i = 0; i < line_breaks; ++i) in.console->write_line_end();
  if (speech::fragment_exists(*in.speech, key)) speech::speak_fragment(*in.speech, key);
  else speech::speak_text(*in.speech, text);
}

void say_line(Interp& in, std::string_view text) { speech::write_line_and_speak(*in.speech, text); }

}  // namespace rl
