// The desktop's test double: a scripted layout and window stack, every event recorded.
#include <algorithm>

#include "platform/desktop.h"

namespace plat {

std::optional<KeyReach> RecordingDesktop::reach(uint32_t keysym) {
  for (const auto& [sym, how] : layout)
    if (sym == keysym) return how;
  return std::nullopt;
}

bool RecordingDesktop::key(uint32_t keysym, bool down) {
  if (std::find(refused.begin(), refused.end(), keysym) != refused.end()) return false;
  events.push_back((down ? "down " : "up ") + std::to_string(keysym));
  if (down) {
    held.push_back(keysym);
  } else {
    auto it = std::find(held.begin(), held.end(), keysym);
    if (it != held.end()) held.erase(it);
  }
  return true;
}

void RecordingDesktop::release_all_keys() {
  while (!held.empty()) key(held.back(), false);
}

bool RecordingDesktop::toggle_num_lock() {
  events.push_back("numlock");
  return true;
}

bool RecordingDesktop::move_pointer(int x, int y) {
  cursor = {std::clamp(x, 0, width - 1), std::clamp(y, 0, height - 1)};
  events.push_back("move " + std::to_string(cursor.x) + " " + std::to_string(cursor.y));
  return true;
}

bool RecordingDesktop::button(int number, bool down) {
  events.push_back("button " + std::to_string(number) + (down ? " down" : " up"));
  return true;
}

std::vector<WindowId> RecordingDesktop::windows() {
  std::vector<WindowId> ids;
  for (const auto& w : stack) ids.push_back(w.id);
  for (WindowId gone : vanish_after_listing)
    stack.erase(std::remove_if(stack.begin(), stack.end(), [&](const RecordedWindow& w) { return w.id == gone; }),
                stack.end());
  vanish_after_listing.clear();
  return ids;
}

RecordedWindow* RecordingDesktop::find(WindowId id) {
  for (auto& w : stack)
    if (w.id == id) return &w;
  return nullptr;
}

WindowState RecordingDesktop::state(WindowId id) {
  RecordedWindow* w = find(id);
  if (!w) return {};
  WindowState s = w->state;
  s.exists = true;
  return s;
}

bool RecordingDesktop::close(WindowId id) {
  RecordedWindow* w = find(id);
  if (!w || !w->closes) return false;
  events.push_back("close " + std::to_string(id));
  return true;
}

bool RecordingDesktop::show(WindowId id, ShowMode mode) {
  RecordedWindow* w = find(id);
  if (!w) return false;
  static constexpr const char* kNames[] = {"normal", "maximised", "minimised"};
  events.push_back("show " + std::to_string(id) + " " + kNames[static_cast<int>(mode)]);
  w->state.minimised = mode == ShowMode::minimised;
  w->state.visible = mode != ShowMode::minimised;
  w->maximised = mode == ShowMode::maximised;
  return true;
}

bool RecordingDesktop::activate(WindowId id) {
  if (!find(id)) return false;
  events.push_back("activate " + std::to_string(id));
  front = id;
  return true;
}

std::optional<Rect> RecordingDesktop::frame(WindowId id) {
  RecordedWindow* w = find(id);
  if (!w) return std::nullopt;
  return w->frame;
}

int RecordingDesktop::frame_border(WindowId id) {
  RecordedWindow* w = find(id);
  return w ? w->border : 0;
}

bool RecordingDesktop::set_clipboard(const std::string& text) {
  if (!clip) return false;
  clip = text;
  return true;
}

}  // namespace plat
