// Other programs' windows: JANELA's title match and actions, CAPTURA's texts.

#include "automation/automation.h"
#include "console/ZnCrt.h"

namespace au {
namespace {

// The interpreter's folding: a..z up, and every byte 224..255 lowered by 32.
std::string fold_title(std::string_view t) {
  std::string out(t);
  for (char& ch : out) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c >= 'a' && c <= 'z') || c >= 224) ch = static_cast<char>(c - 32);
  }
  return out;
}

bool act(plat::Desktop& d, plat::WindowId id, WindowAction action) {
  switch (action) {
    case WindowAction::close: return d.close(id);
    case WindowAction::normal: return d.show(id, plat::ShowMode::normal) && d.activate(id);
    case WindowAction::maximise: return d.show(id, plat::ShowMode::maximised) && d.activate(id);
    case WindowAction::minimise: return d.show(id, plat::ShowMode::minimised);
  }
  return false;
}

}  // namespace

TitlePattern parse_title_pattern(std::string_view pattern) {
  TitlePattern p;
  if (!pattern.empty() && pattern.front() == '*') {
    p.at_start = true;
    pattern.remove_prefix(1);
  }
  if (!pattern.empty() && pattern.back() == '*') {
    p.at_end = true;
    pattern.remove_suffix(1);
  }
  p.text = std::string(pattern);
  return p;
}

bool title_matches(const TitlePattern& pattern, std::string_view title) {
  const std::string t = fold_title(title.substr(0, kTitleMatchLength));
  const std::string& p = pattern.text;
  if (p.size() > t.size()) return false;
  if (pattern.at_start && t.compare(0, p.size(), p) != 0) return false;
  if (pattern.at_end && t.compare(t.size() - p.size(), p.size(), p) != 0) return false;
  return t.find(p) != std::string::npos;
}

std::optional<WindowAction> window_action(std::string_view w) {
  if (w == "FECHA") return WindowAction::close;
  if (w == "NORMAL") return WindowAction::normal;
  if (w == "MAXIMIZA") return WindowAction::maximise;
  if (w == "MINIMIZA") return WindowAction::minimise;
  return std::nullopt;
}

WindowResult act_on_window(Automation& a, std::optional<WindowAction> action, std::string_view pattern) {
  plat::Desktop* d = desktop(a);
  if (!d) return WindowResult::failed;
  const TitlePattern p = parse_title_pattern(pattern);
  for (plat::WindowId id : d->windows()) {
    const plat::WindowState s = d->state(id);
    if (!s.exists || (!s.visible && !s.minimised)) continue;
    if (s.title.empty() || !title_matches(p, s.title)) continue;
    if (!action) return WindowResult::failed;
    if (act(*d, id, *action)) return WindowResult::done;
    // A window that went away between the search and the action leaves the walk going.
    if (d->state(id).exists) return WindowResult::failed;
  }
  return WindowResult::none_matched;
}

std::optional<std::string> foreground_title(Automation& a) {
  plat::Desktop* d = desktop(a);
  if (!d) return std::nullopt;
  std::optional<plat::WindowId> fg = d->foreground();
  if (!fg) return std::string();
  std::string t = d->state(*fg).title;
  if (t.size() > kCaptureLength) t.resize(kCaptureLength);
  return t;
}

std::string focus_text(Automation& a) {
  // Within this program only the console's window can hold the focus.
  if (a.console && a.console->focused().value_or(false)) {
    std::string t = a.console->title();
    if (t.size() > kCaptureLength) t.resize(kCaptureLength);
    return t;
  }
  return {};
}

std::optional<std::string> field_text(Automation& a) {
  if (!desktop(a)) return std::nullopt;
  static constexpr uint16_t kSteps[] = {36, static_cast<uint16_t>(kShiftBit | 35), static_cast<uint16_t>(kCtrlBit | 45)};
  for (uint16_t code : kSteps) {
    if (!press_code(a, code)) return std::nullopt;
    if (a.pause) a.pause(100);
    else if (a.console) a.console->pause(100);
  }
  return clipboard_text(a, kCaptureLength);
}

}  // namespace au
