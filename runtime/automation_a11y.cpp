// Accessibility, images and the sensor: MSAA, IMAGEM, SENSOR.
#include "automation/images.h"
#include "automation/sensor.h"
#include "automation/znmsaa.h"
#include "console/ZnCrt.h"
#include "platform/paths.h"
#include "runtime/interp.h"
#include "runtime/values.h"

namespace rl {
namespace {

autom::Msaa& msaa_of(Interp& in) {
  if (!in.msaa) in.msaa = std::make_unique<autom::Msaa>();
  return *in.msaa;
}

// Takes a keyword off the front of t when t starts with it (folded); the rest is trimmed.
bool take_keyword(std::string_view& t, std::string_view upper_word) {
  if (!starts_with_folded(t, upper_word)) return false;
  t = trim(t.substr(upper_word.size()));
  return true;
}

bool store_in_var(Interp& in, std::string_view& t, std::string value) {
  const int slot = read_var_ref(in, t);
  if (slot < 0) return false;
  in.vars[static_cast<size_t>(slot)] = std::move(value);
  return true;
}

bool msaa_checa(Interp& in, std::string_view t) {
  const int slot = read_var_ref(in, t);
  if (slot < 0) return false;
  in.vars[static_cast<size_t>(slot)] = autom::take_event(msaa_of(in)) ? "1" : "0";
  return true;
}

bool msaa_captura(Interp& in, std::string_view t) {
  int32_t x, y;
  if (!read_int_value(in, t, x) || !read_int_value(in, t, y)) return false;
  autom::capture_at(msaa_of(in), x, y);
  return true;
}

bool msaa_area(Interp& in, std::string_view t) {
  int slots[4];
  for (int& s : slots) {
    s = read_var_ref(in, t);
    if (s < 0) return false;
  }
  const autom::Description& d = msaa_of(in).description;
  const int32_t values[4] = {d.left, d.top, d.width, d.height};
  for (int i = 0; i < 4; ++i) in.vars[static_cast<size_t>(slots[i])] = int_text(values[i]);
  return true;
}

// A trailing '&' marks tolerant mode; it is taken off and the rest trimmed.
bool strip_tolerant(std::string_view& rest) {
  if (rest.empty() || rest.back() != '&') return false;
  rest = trim(rest.substr(0, rest.size() - 1));
  return true;
}

void pause_ms(Interp& in, int ms) {
  if (in.console) in.console->pause(ms);
}

}  // namespace

bool cmd_msaa(Interp& in, std::string_view rest) {
  std::string_view t = trim(rest);
  if (take_keyword(t, "MONITORA")) {
    autom::start_monitoring(msaa_of(in), in.console);
    return true;
  }
  if (take_keyword(t, "FIM")) {
    autom::stop_monitoring(msaa_of(in));
    return true;
  }
  if (take_keyword(t, "CHECA")) return msaa_checa(in, t);
  if (take_keyword(t, "CAPTURA")) return msaa_captura(in, t);
  if (take_keyword(t, "AREA")) return msaa_area(in, t);
  const autom::Description& d = msaa_of(in).description;
  if (take_keyword(t, "NOME")) return store_in_var(in, t, d.name);
  if (take_keyword(t, "CODIGO") || take_keyword(t, "C\xD3" "DIGO")) return store_in_var(in, t, int_text(d.role));
  if (take_keyword(t, "TIPO")) return store_in_var(in, t, d.role_text);
  if (take_keyword(t, "ESTADO")) return store_in_var(in, t, d.state);
  if (take_keyword(t, "VALOR")) return store_in_var(in, t, d.value);
  return false;
}

bool cmd_imagem(Interp& in, std::string_view rest) {
  zn::Console& console = *in.console;
  rest = trim(rest);
  if (rest.empty()) {
    console.remove_overlay();
    return true;
  }
  const bool tolerant = strip_tolerant(rest);
  std::string name;
  if (!read_value(in, rest, name)) return false;
  int32_t x = 0, y = 0;
  if (!rest.empty()) {
    if (!read_int_value(in, rest, x) || !read_int_value(in, rest, y) || !trim(rest).empty()) return false;
  }
  console.remove_overlay();
  const std::string_view trimmed = trim(name);
  const plat::DriveTable none;
  const std::optional<std::string> path =
      trimmed.empty() ? std::nullopt : plat::host_path(in.drives ? *in.drives : none, trimmed);
  const bool shown = path && autom::show_picture(console, *path, x, y);
  return shown || tolerant;
}

bool cmd_sensor(Interp& in, std::string_view rest) {
  if (!in.sensor) in.sensor = std::make_unique<autom::Sensor>();
  autom::Sensor& s = *in.sensor;
  const autom::Pause pause = [&in](int ms) { pause_ms(in, ms); };
  // Without the port every call tries again, and says why it cannot.
  const bool open = autom::ensure_port(s, pause);
  if (!open) {
    in.console->write("\a");
    say_line(in, "inpout32.dll n\xE3o dispon\xEDvel.");
  }
  const int slot = read_var_ref(in, rest);
  if (slot < 0) return false;
  in.vars[static_cast<size_t>(slot)] = "0";
  if (open) in.vars[static_cast<size_t>(slot)] = int_text(autom::first_active(autom::scan_matrix(*s.port, s.baseline, pause)));
  return true;
}

}  // namespace rl
