// Statement executor and dispatcher: comments, labels, the command word and its handler.
#include <unordered_map>

#include "runtime/interp.h"
#include "runtime/values.h"
#include "speech/znsapi.h"

namespace rl {
namespace {

struct Entry {
  const char* word;
  Handler handler;
};

// The command words in the order they are compared; the first equal word wins.
// Windows-1252 bytes: \xCA is Ê, \xC3 is Ã, \xCD is Í.
constexpr Entry kTable[] = {
    {"MIDI", cmd_midi},         {"DEBUG", cmd_debug},
    {"SEJA", cmd_seja},              {"TELA", cmd_tela},
    {"COR", cmd_cor},          {"FUNDO", cmd_fundo},
    {"ABRE", cmd_abre},         {"FECHA", cmd_fecha},
    {"INTERNET", cmd_internet},     {"CONECTA", cmd_conecta},
    {"ATIVASSL", cmd_ativassl},     {"SERVE", cmd_serve},
    {"OBSERVA", cmd_observa},      {"ESCREVE", cmd_escreve},
    {"BIPA", cmd_bipa},         {"SOMA", cmd_soma},
    {"SUBTRAI", cmd_subtrai},        {"MULTIPLICA", cmd_multiplica},
    {"DIVIDE", cmd_divide},          {"CONCATENA", cmd_concatena},
    {"COPIA", cmd_copia},            {"SOLETRA", cmd_soletra},
    {"LISTA", cmd_lista},            {"FALAHORA", cmd_falahora},
    {"TITULO", cmd_titulo},       {"T\xCDTULO", cmd_titulo},
    {"DELETA", cmd_deleta},          {"SUBSTITUI", cmd_substitui},
    {"TOCA", cmd_toca},         {"FALA", cmd_fala},
    {"MCI", cmd_mci},          {"L\xCA", cmd_le},
    {"LE", cmd_le},           {"CHECA", cmd_checa},
    {"REMOVE", cmd_remove},       {"RENOMEIA", cmd_renomeia},
    {"REPLICA", cmd_replica},      {"CMD", cmd_cmd},
    {"ESPERA", cmd_espera},       {"DIGITA", cmd_digita},
    {"ACIONA", cmd_aciona},       {"CLICA", cmd_clica},
    {"CAPTURA", cmd_captura},      {"TRANSFERE", cmd_transfere},
    {"JANELA", cmd_janela},       {"DESVIA", cmd_desvia},
    {"SE", nullptr},                  {"SENAO", cmd_senao},
    {"SEN\xC3O", cmd_senao},         {"ENQUANTO", cmd_enquanto},
    {"REPETE", cmd_repete},          {"FIM", cmd_fim},
    {"EXECUTA", cmd_executa},      {"DIR", cmd_dir},
    {"BUSCA", cmd_busca},        {"TERMINA", cmd_termina},
    {"CHAMA", cmd_chama},            {"RETORNA", cmd_retorna},
    {"RANDOMIZA", cmd_randomiza},    {"IP", cmd_ip},
    {"MSAA", cmd_msaa},              {"MENU", cmd_menu},
    {"IMAGEM", cmd_imagem},          {"SENSOR", cmd_sensor},
    {"ANSIPARAUTF8", cmd_ansiparautf8}, {"UTF8PARAANSI", cmd_utf8paraansi},
    {"HTTP", cmd_http},         {"TRAZDAREDE", cmd_trazdarede},
    {"MENSAGEM", cmd_mensagem},     {"CODBASE64", cmd_codbase64},
    {"REMOVEQUOTED", cmd_removequoted}, {"ADQUOTED", cmd_adquoted},
    {"CODARQBASE64", cmd_codarqbase64}, {"DECODARQBASE64", cmd_decodarqbase64},
    {"DECODBASE64", cmd_decodbase64},
};

// Exact equality with the table words, so a map from word to the first index gives the
// same handler as comparing in order.
int16_t handler_index(const std::string& folded) {
  static const std::unordered_map<std::string, int16_t> index = [] {
    std::unordered_map<std::string, int16_t> m;
    for (size_t i = 0; i < std::size(kTable); ++i) m.emplace(kTable[i].word, static_cast<int16_t>(i));
    return m;
  }();
  auto it = index.find(folded);
  return it == index.end() ? int16_t{-1} : it->second;
}

bool is_block_word(std::string_view w) {
  return w == "REPETE" || w == "ENQUANTO" || w == "SENAO" || w == "SEN\xC3O" || w == "FIM";
}

void parse_statement(std::string_view text, ParsedStatement& p) {
  std::string_view t = trim(text);
  p.word.clear();
  p.folded.clear();
  if (t.empty() || t[0] == '*' || t[0] == '@') {
    p.kind = ParsedStatement::Kind::nothing;
    return;
  }
  p.kind = ParsedStatement::Kind::statement;
  size_t i = 0;
  while (i < t.size() && t[i] != ' ') {
    p.word += static_cast<char>(ascii_upper(static_cast<unsigned char>(t[i])));
    ++i;
  }
  std::string_view rest = i < t.size() ? t.substr(i + 1) : std::string_view{};
  rest = trim(rest);
  p.rest_begin = rest.empty() ? 0 : static_cast<uint32_t>(rest.data() - text.data());
  p.rest_end = p.rest_begin + static_cast<uint32_t>(rest.size());
  p.block_word = is_block_word(p.word);
  p.folded = fold(p.word);
  p.handler = handler_index(p.folded);
}

enum class Step { ok, failed, run_tail };

// The words that reach past the runtime itself: the network, the desktop and its other
// programs, the accessibility bus, the image files and the parallel port. In the sandbox
// they fail before they read anything, as the file commands refuse their names.
bool reaches_outside(std::string_view folded) {
  static constexpr std::string_view kWords[] = {
      "CONECTA", "ATIVASSL", "SERVE", "IP", "TRAZDAREDE", "DIGITA", "ACIONA", "CLICA",
      "CAPTURA", "TRANSFERE", "JANELA", "MSAA", "IMAGEM", "SENSOR", "MENSAGEM"};
  for (std::string_view w : kWords)
    if (w == folded) return true;
  return false;
}

Step dispatch(Interp& in, const ParsedStatement& p, std::string_view& rest) {
  if (p.word.empty()) return Step::failed;
  if (in.debug) {
    std::string trace = p.word;
    trace += ' ';
    trace.append(rest);
    say_line(in, trace);
  }
  if (p.handler < 0) {
    say_line(in, "Comando inv\xE1lido: " + p.folded);
    return Step::failed;
  }
  if (in.sandbox && reaches_outside(p.folded)) return Step::failed;
  Handler h = kTable[p.handler].handler;
  if (!h) {
    switch (if_step(in, rest)) {
      case IfStep::failed: return Step::failed;
      case IfStep::done: return Step::ok;
      case IfStep::run_tail: return Step::run_tail;
    }
  }
  return h(in, rest) ? Step::ok : Step::failed;
}

// The cache entry for a text taken from the current line, or nullptr.
ParsedStatement* cached_parse(Interp& in, std::string_view text) {
  if (in.current < 1 || in.current > in.line_count) return nullptr;
  const std::string& line = in.store[in.current];
  auto t = reinterpret_cast<uintptr_t>(text.data()), b = reinterpret_cast<uintptr_t>(line.data());
  if (t < b || t + text.size() > b + line.size()) return nullptr;
  LineCache& lc = *line_cache(in, in.current);
  auto offset = static_cast<uint32_t>(text.data() - line.data());
  if (offset == 0 && text.size() == line.size()) return &lc.main;
  if (lc.tail_offset != offset) {
    lc.tail_offset = offset;
    lc.tail.kind = ParsedStatement::Kind::unparsed;
  }
  return &lc.tail;
}

}  // namespace

bool execute_statement(Interp& in, std::string_view text, bool restricted) {
  bool ok = true;
  for (;;) {
    ParsedStatement local;
    ParsedStatement* p = cached_parse(in, text);
    if (!p) p = &local;
    if (p->kind == ParsedStatement::Kind::unparsed) parse_statement(text, *p);
    if (p->kind == ParsedStatement::Kind::nothing) break;
    in.command_word = p->word;
    if (restricted && p->block_word) {
      ok = false;
      break;
    }
    std::string_view rest = text.substr(p->rest_begin, p->rest_end - p->rest_begin);
    Step step = dispatch(in, *p, rest);
    if (step != Step::run_tail) {
      ok = step == Step::ok;
      break;
    }
    // The statement after a true condition runs in restricted mode, in place.
    text = rest;
    restricted = true;
  }
  in.error = !ok;
  return ok;
}

bool cmd_debug(Interp& in, std::string_view rest) {
  if (rest == "-" || (!rest.empty() && rest[0] == 'N')) {
    in.debug = false;
    say_line(in, "Debug desligado");
  } else {
    in.debug = true;
    say_line(in, "Debug ligado");
  }
  return true;
}

}  // namespace rl
