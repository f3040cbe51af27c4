// Program entries, script store and run loop.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/braille_link.h"
#include "platform/profile.h"
#include "platform/shell.h"
#include "runtime/interp.h"
#include "runtime/rlplus.h"
#include "runtime/values.h"

namespace rl {

void take_time_base(Interp& in);

Interp::Interp() { reset(*this); }
Interp::~Interp() {
  for (auto& f : files) {
    if (f.file) std::fclose(f.file);
  }
}

void reset(Interp& in) {
  in.current = 1;
  in.error = false;
  in.command_word.clear();
  in.call_depth = 0;
  in.status = 0;
  in.names.clear();
  in.name_slots.clear();
  for (auto& f : in.files) {
    if (f.file) std::fclose(f.file);
    f = FileSlot{};
  }
  for (auto& v : in.vars) v.clear();
  in.lists.clear();
  in.search.clear();
  in.stop = true;
  take_time_base(in);
}

void invalidate_caches(Interp& in) {
  in.cache.clear();
  in.labels_ready = false;
  in.labels.clear();
}

LineCache* line_cache(Interp& in, int32_t n) {
  if (n < 1 || n > in.line_count) return nullptr;
  if (in.cache.size() <= static_cast<size_t>(n)) in.cache.resize(static_cast<size_t>(in.line_count) + 1);
  auto& slot = in.cache[static_cast<size_t>(n)];
  if (!slot) slot = std::make_unique<LineCache>();
  return slot.get();
}

void store_line(Interp& in, std::string_view line, int32_t n) {
  if (static_cast<size_t>(n) >= in.store.size()) in.store.resize(static_cast<size_t>(n) + 1);
  in.store[n].assign(line);
  in.line_count = n;
  invalidate_caches(in);
}

bool run_loop(Interp& in) {
  in.current = 1;
  in.error = false;
  in.stop = false;
  in.command_word.clear();
  in.call_depth = 0;
  in.status = 0;
  while (in.current <= in.line_count && !in.stop && !in.error && !in.console->closed()) {
    execute_statement(in, in.store[in.current], false);
    if (!in.stop && !in.error) ++in.current;
  }
  in.line_count = 0;
  invalidate_caches(in);
  return !in.error;
}

// ---- the context -----------------------------------------------------------------

Runtime::Runtime(const std::string& root_c)
    : drives(plat::DriveTable::from_environment(root_c)), interp(std::make_unique<Interp>()) {
  config.drives = &drives;
  config.start_dir = plat::current_directory();
  speech.console = &console;
  speech.config = &config;
  interp->console = &console;
  interp->speech = &speech;
  interp->config = &config;
  interp->drives = &drives;
  if (auto ini = plat::host_path(drives, config.windows_dir + "\\ZUNAPE.INI"))
    console.set_profile_path(plat::personal_profile(*ini));
  // Mode tones are logged and loop through the wave player until stopped.
  console.set_tone_handler([this](int hz, const std::string& wave) {
    if (hz > 0) speech::log_event(speech, "tone", std::to_string(hz));
    speech::play_tone(speech, hz, wave);
  });
}

Runtime::~Runtime() = default;

namespace {

// The braille display, when a daemon answers and LINHA of [BRAILLE] does not say N.
// Without one nothing changes; ROTEIRAL_BRAILLE=1 asks for one line saying why.
void attach_braille_display(Runtime& rt) {
  const std::string wanted = speech::read_profile_direct(rt.config, "BRAILLE", "LINHA", 8);
  if (!wanted.empty() && (wanted[0] == 'N' || wanted[0] == 'n')) return;
  std::string why;
  auto link = plat::open_brlapi_link(&why);
  const char* ask = std::getenv("ROTEIRAL_BRAILLE");
  if (!link) {
    if (ask && std::string_view(ask) == "1")
      std::fprintf(stderr, "roteiral: sem linha braille (%s)\n", why.empty() ? "BRLTTY não responde" : why.c_str());
    return;
  }
  rt.console.set_braille_line(std::make_unique<zn::BrailleLine>(std::move(link)));
}

}  // namespace

std::unique_ptr<Runtime> make_program_runtime(const char*, int argc, char** argv) {
  auto rt = std::make_unique<Runtime>(plat::family_root());
  rt->console.set_backend(zn::make_backend(zn::backend_kind_from_environment()));
  if (const char* s = std::getenv("ROTEIRAL_SCREEN"); s && *s) rt->console.set_screen_file(s);
  if (const char* l = std::getenv("ROTEIRAL_SPEECH_LOG"); l && *l) speech::open_speech_log(rt->speech, l);
  speech::select_audio(rt->speech, std::getenv("ROTEIRAL_AUDIO"));
  attach_braille_display(*rt);
  for (int i = 1; i < argc; ++i) rt->interp->params.emplace_back(plat::utf8_to_cp1252(argv[i]));
  return rt;
}

void inicializa(Runtime& rt, std::string_view title) {
  std::string dir = speech::read_config(rt.config, "ROTEIRAL", "DIRROTEIRAL");
  speech::speech_init(rt.speech, 0, dir);
  rt.console.clear_screen();
  rt.console.set_title("ROTEIRAL");
  // The default script folder is visited once, as the family's programs always did.
  std::string def = speech::read_config(rt.config, "ROTEIRAL", "DIRDEFAULT");
  if (def.empty()) def = "c:\\palmir\\scripts";
  if (auto host = plat::host_path(rt.drives, def)) {
    std::error_code ec;
    auto here = std::filesystem::current_path(ec);
    if (!ec && chdir(host->c_str()) == 0) {
      if (chdir(here.c_str()) != 0) {
        // The start folder vanished meanwhile; stay where we are.
      }
    }
  }
  rt.console.set_title(title);
}

bool carregascript(Runtime& rt, std::string_view line, int n) {
  if (n < 1 || n > kMaxLines) return false;
  store_line(*rt.interp, line, n);
  return true;
}

void processa(Runtime& rt) {
  Interp& in = *rt.interp;
  bool finished = run_loop(in);
  if (rt.console.closed()) return;
  if (finished) {
    if (!in.mute) show_message(in, "SCFIM", 1);
    return;
  }
  rt.console.restore();
  show_message(in, "SCERREXE", 0);
  speech::write_number_and_speak(rt.speech, in.current);
  rt.console.write_line_end();
  rt.console.read_line();
}

void show_message(Runtime& rt, std::string_view key, int line_breaks) {
  show_message(*rt.interp, key, line_breaks);
}

void finish(Runtime& rt) { rt.console.finish(); }

}  // namespace rl
