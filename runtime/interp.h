// Interpreter state shared by the run loop and every statement handler.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "automation/sensor.h"
#include "automation/znmsaa.h"
#include "commands/commands.h"
#include "platform/shell.h"

namespace zn {
class Console;
}
namespace speech {
struct Speech;
struct ConfigContext;
}
namespace plat {
struct DriveTable;
}
namespace net {
struct Net;
class Link;
}
namespace au {
struct Automation;
}

namespace rl {

inline constexpr int kMaxLines = 500000;
inline constexpr int kLetterVars = 26;
inline constexpr int kNamedVars = 101;
inline constexpr int kVarSlots = kLetterVars + kNamedVars;
inline constexpr int kMaxCalls = 20;
inline constexpr int kFileSlots = 10;
// A value longer than this is refused rather than risking the memory of the machine.
inline constexpr size_t kMaxValueLength = 64u << 20;

enum class SlotMode { read, append };

struct FileSlot {
  bool open = false;
  bool socket = false;  // a network connection rather than a file
  SlotMode mode = SlotMode::read;
  std::FILE* file = nullptr;
  std::string name;
  std::shared_ptr<net::Link> link;  // the connection of a socket slot; null after a failed ATIVASSL
};

// What a statement's text parses to; depends only on the text, so it is kept per line.
struct ParsedStatement {
  enum class Kind : uint8_t { unparsed, nothing, statement } kind = Kind::unparsed;
  bool block_word = false;  // refused in restricted mode
  int16_t handler = -1;     // index into the command table, -1 when no word matches
  uint32_t rest_begin = 0;  // the trimmed rest, as offsets into the text
  uint32_t rest_end = 0;
  std::string word;    // ASCII upper-cased, as written
  std::string folded;  // folded for the table and for messages
};

// Per line, what never changes while the script runs.
struct LineCache {
  ParsedStatement main;
  // A statement that follows a condition on the same line.
  uint32_t tail_offset = UINT32_MAX;
  ParsedStatement tail;
  bool normalized_ready = false;
  std::string normalized;
  int forward_target = -1;   // memo of the next closing line found by a forward scan
  int forward_kind = -1;
  int backward_target = -1;  // memo of the opening line found by FIM ENQUANTO / FIM REPETE
  int backward_kind = -1;
  uint32_t jump_offset = UINT32_MAX;  // memo of a literal @label target on this line
  int32_t jump_target = 0;
};

struct Interp {
  // Script store: slot n is line n; slots past the end read as empty.
  std::vector<std::string> store;
  int32_t line_count = 0;
  int32_t current = 1;
  bool error = false;
  bool stop = true;
  bool mute = false;
  std::string command_word;

  std::array<std::string, kVarSlots> vars;
  std::vector<std::string> names;
  std::unordered_map<std::string, int> name_slots;

  int call_depth = 0;
  std::array<int32_t, kMaxCalls> calls{};

  int32_t status = 0;
  std::array<FileSlot, kFileSlots> files;
  cmds::ListTable lists;
  cmds::DirSearch search;  // BUSCA's one enumeration, shared by every BUSCA statement
  bool debug = false;
  bool midi_open = false;

  int base_day_of_week = 0;
  int64_t base_centiseconds = 0;
  std::mt19937 random;

  std::vector<std::string> params;  // program parameters, the first one included

  // Work that depends only on the store's text, rebuilt when the store changes.
  std::vector<std::unique_ptr<LineCache>> cache;  // made for a line when first needed
  bool labels_ready = false;
  std::unordered_map<std::string, int32_t> labels;  // folded name -> first label line

  // The rest of the program the handlers talk to.
  zn::Console* console = nullptr;
  speech::Speech* speech = nullptr;
  speech::ConfigContext* config = nullptr;
  const plat::DriveTable* drives = nullptr;
  // Programs started by EXECUTA: made on first use; a test may put a recorder here.
  std::unique_ptr<plat::Shell> shell;
  int cmd_depth = 0;  // CMD inside CMD, bounded: a value may name itself
  std::shared_ptr<net::Net> net;  // the network commands' state, made on first use
  // Desktop automation and the menu: made on first use; a test may put a desktop double in.
  std::shared_ptr<au::Automation> automation;
  // Accessibility monitoring and the port sensor: made on first use; a test may put its
  // own here.
  std::unique_ptr<autom::Msaa> msaa;
  std::unique_ptr<autom::Sensor> sensor;
  // For fuzzing and tests of hostile scripts: file, directory and sound-file commands
  // refuse after reading their arguments, and EXECUTA only records (set it before the
  // first EXECUTA, which makes the shell).
  bool sandbox = false;

  Interp();
  ~Interp();
  Interp(const Interp&) = delete;
  Interp& operator=(const Interp&) = delete;
};

// Clears the state as at library start (variables, names, files, lists, time base).
void reset(Interp& in);
void store_line(Interp& in, std::string_view line, int32_t n);
void invalidate_caches(Interp& in);
// The cache of stored line n, made on first use; nullptr outside the script.
LineCache* line_cache(Interp& in, int32_t n);

// Runs the stored script from line 1; true when it finished without error.
bool run_loop(Interp& in);

// The host path of a name a script gives; nullopt when it has none or in the sandbox.
std::optional<std::string> script_host_path(const Interp& in, std::string_view name);

// Executes one statement; sets the error flag to the negation of the result.
bool execute_statement(Interp& in, std::string_view text, bool restricted);

// Messages: the interpreter's own keyed messages, and a command's one-line message.
void show_message(Interp& in, std::string_view key, int line_breaks);
std::string_view message_text(std::string_view key);
void say_line(Interp& in, std::string_view text);

// Handlers, one per command family.
using Handler = bool (*)(Interp&, std::string_view);
bool cmd_debug(Interp&, std::string_view);
bool cmd_seja(Interp&, std::string_view);
bool cmd_randomiza(Interp&, std::string_view);
bool cmd_soma(Interp&, std::string_view);
bool cmd_subtrai(Interp&, std::string_view);
bool cmd_multiplica(Interp&, std::string_view);
bool cmd_divide(Interp&, std::string_view);
bool cmd_concatena(Interp&, std::string_view);
bool cmd_copia(Interp&, std::string_view);
bool cmd_deleta(Interp&, std::string_view);
bool cmd_substitui(Interp&, std::string_view);
bool cmd_senao(Interp&, std::string_view);
bool cmd_enquanto(Interp&, std::string_view);
bool cmd_repete(Interp&, std::string_view);
bool cmd_fim(Interp&, std::string_view);
bool cmd_desvia(Interp&, std::string_view);
bool cmd_chama(Interp&, std::string_view);
bool cmd_retorna(Interp&, std::string_view);
bool cmd_termina(Interp&, std::string_view);
bool cmd_lista(Interp&, std::string_view);
bool cmd_escreve(Interp&, std::string_view);
bool cmd_bipa(Interp&, std::string_view);
bool cmd_fala(Interp&, std::string_view);
bool cmd_soletra(Interp&, std::string_view);
bool cmd_falahora(Interp&, std::string_view);
bool cmd_toca(Interp&, std::string_view);
bool cmd_mci(Interp&, std::string_view);
bool cmd_midi(Interp&, std::string_view);
bool cmd_le(Interp&, std::string_view);
bool cmd_abre(Interp&, std::string_view);
bool cmd_fecha(Interp&, std::string_view);
bool cmd_checa(Interp&, std::string_view);
bool cmd_tela(Interp&, std::string_view);
bool cmd_cor(Interp&, std::string_view);
bool cmd_fundo(Interp&, std::string_view);
bool cmd_titulo(Interp&, std::string_view);
// Files and directories.
bool cmd_remove(Interp&, std::string_view);
bool cmd_renomeia(Interp&, std::string_view);
bool cmd_replica(Interp&, std::string_view);
bool cmd_dir(Interp&, std::string_view);
bool cmd_busca(Interp&, std::string_view);
// Processes and waiting.
bool cmd_executa(Interp&, std::string_view);
bool cmd_cmd(Interp&, std::string_view);
bool cmd_espera(Interp&, std::string_view);
// Encodings.
bool cmd_ansiparautf8(Interp&, std::string_view);
bool cmd_utf8paraansi(Interp&, std::string_view);
bool cmd_http(Interp&, std::string_view);
bool cmd_codbase64(Interp&, std::string_view);
bool cmd_removequoted(Interp&, std::string_view);
bool cmd_adquoted(Interp&, std::string_view);
bool cmd_codarqbase64(Interp&, std::string_view);
bool cmd_decodarqbase64(Interp&, std::string_view);
bool cmd_decodbase64(Interp&, std::string_view);
// Network.
bool cmd_internet(Interp&, std::string_view);
bool cmd_conecta(Interp&, std::string_view);
bool cmd_ativassl(Interp&, std::string_view);
bool cmd_serve(Interp&, std::string_view);
bool cmd_observa(Interp&, std::string_view);
bool cmd_ip(Interp&, std::string_view);
bool cmd_trazdarede(Interp&, std::string_view);
// The file slots' network side: sent, a line read (value holds what came either way),
// and the close of a socket slot.
bool net_send(Interp& in, FileSlot& slot, std::string_view text, bool line_break);
bool net_receive_line(Interp& in, FileSlot& slot, std::string& value);
void net_close(Interp& in, FileSlot& slot);
// Desktop automation, windows and the menu.
bool cmd_digita(Interp&, std::string_view);
bool cmd_aciona(Interp&, std::string_view);
bool cmd_clica(Interp&, std::string_view);
bool cmd_le_mouse(Interp&, std::string_view);  // LE MOUSE and LE RATO
bool cmd_transfere(Interp&, std::string_view);
bool cmd_janela(Interp&, std::string_view);
bool cmd_captura(Interp&, std::string_view);
bool cmd_menu(Interp&, std::string_view);
bool cmd_mensagem(Interp&, std::string_view);
// Accessibility, images and the sensor.
bool cmd_msaa(Interp&, std::string_view);
bool cmd_imagem(Interp&, std::string_view);
bool cmd_sensor(Interp&, std::string_view);

// SE: a true condition with a statement after it hands that statement back to the
// executor, which runs it in restricted mode without going deeper on the stack.
enum class IfStep { failed, done, run_tail };
IfStep if_step(Interp& in, std::string_view& rest);
bool read_condition(Interp& in, std::string_view& t, bool& truth);

// REPETE entered again from its FIM REPETE.
bool repete(Interp& in, std::string_view rest, bool first_entry);

}  // namespace rl
