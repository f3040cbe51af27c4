// The AT-SPI2 accessibility source: libatspi over the accessibility bus, its events
// dispatched from the GLib main context when the program pumps it.
#include "platform/accessibility.h"

#include <atspi/atspi.h>

#include <charconv>
#include <vector>

namespace plat {
namespace {

constexpr const char* kFocusEvent = "object:state-changed:focused";
constexpr const char* kActivateEvent = "window:activate";
constexpr int kMaxPumpRounds = 1000;  // bounds one pump when events keep arriving
constexpr int kMaxDepth = 64;         // bounds the walk down to the object at a point

AccessibleHandle hold(AtspiAccessible* object) {
  if (!object) return nullptr;
  return AccessibleHandle(g_object_ref(object), [](void* p) { g_object_unref(p); });
}

// Takes ownership of a reference already held.
AccessibleHandle adopt(AtspiAccessible* object) {
  if (!object) return nullptr;
  return AccessibleHandle(object, [](void* p) { g_object_unref(p); });
}

AtspiAccessible* as_object(const AccessibleHandle& h) { return static_cast<AtspiAccessible*>(h.get()); }

// A libatspi call's error, freed when the call is judged.
struct Error {
  GError* e = nullptr;
  ~Error() { clear(); }
  void clear() {
    if (e) g_error_free(e);
    e = nullptr;
  }
  GError** out() {
    clear();
    return &e;
  }
  bool failed() const { return e != nullptr; }
};

// UTF-8 cut at no more than cap bytes, never inside a character.
std::string cut_utf8(const char* text, size_t cap) {
  std::string s = text ? text : "";
  if (s.size() <= cap) return s;
  size_t end = cap;
  while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
  s.resize(end);
  return s;
}

std::optional<std::string> take_text(gchar* text, bool failed, size_t cap) {
  std::optional<std::string> out;
  if (!failed && text) out = cut_utf8(text, cap);
  g_free(text);
  return out;
}

std::string number_text(double v) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string();
}

bool contains_point(const Extents& e, int32_t x, int32_t y) {
  return x >= e.x && y >= e.y && int64_t{x} < int64_t{e.x} + e.width && int64_t{y} < int64_t{e.y} + e.height;
}

std::optional<Extents> screen_extents(AtspiAccessible* object) {
  AtspiComponent* component = atspi_accessible_get_component_iface(object);
  if (!component) return std::nullopt;
  Error err;
  AtspiRect* r = atspi_component_get_extents(component, ATSPI_COORD_TYPE_SCREEN, err.out());
  g_object_unref(component);
  std::optional<Extents> out;
  if (!err.failed() && r) out = Extents{r->x, r->y, r->width, r->height};
  g_free(r);
  return out;
}

class AtspiSource : public AccessibilitySource {
 public:
  AtspiSource() = default;
  ~AtspiSource() override {
    stop_listening();
    if (connected_) {
      pump();
      atspi_exit();
    }
  }
  AtspiSource(const AtspiSource&) = delete;
  AtspiSource& operator=(const AtspiSource&) = delete;

  bool listen(Sink sink) override {
    if (!connect()) return false;
    sink_ = std::move(sink);
    if (listener_) return true;
    listener_ = atspi_event_listener_new(&AtspiSource::on_event, this, nullptr);
    Error err;
    const bool focus = atspi_event_listener_register(listener_, kFocusEvent, err.out()) && !err.failed();
    const bool activate = atspi_event_listener_register(listener_, kActivateEvent, err.out()) && !err.failed();
    if (!focus && !activate) {
      g_object_unref(listener_);
      listener_ = nullptr;
      return false;
    }
    return true;
  }

  void stop_listening() override {
    if (!listener_) return;
    Error err;
    atspi_event_listener_deregister(listener_, kFocusEvent, err.out());
    atspi_event_listener_deregister(listener_, kActivateEvent, err.out());
    g_object_unref(listener_);
    listener_ = nullptr;
    sink_ = nullptr;
  }

  void pump() override {
    if (!connected_ || pumping_) return;
    pumping_ = true;
    for (int i = 0; i < kMaxPumpRounds && g_main_context_iteration(nullptr, FALSE); ++i) {
    }
    pumping_ = false;
  }

  bool alive(const AccessibleHandle& h) override {
    AtspiAccessible* object = as_object(h);
    if (!object || !connected_) return false;
    // What libatspi remembers of an object can outlive it: ask its program again.
    atspi_accessible_clear_cache(object);
    Error err;
    atspi_accessible_get_role(object, err.out());
    if (err.failed()) return false;
    AtspiStateSet* states = atspi_accessible_get_state_set(object);
    const bool defunct = states && atspi_state_set_contains(states, ATSPI_STATE_DEFUNCT);
    if (states) g_object_unref(states);
    return !defunct;
  }

  AccessibleFacts describe(const AccessibleHandle& h, size_t cap) override {
    AccessibleFacts f;
    AtspiAccessible* object = as_object(h);
    if (!object || !connected_) return f;
    Error err;
    f.extents = screen_extents(object);
    gchar* name = atspi_accessible_get_name(object, err.out());
    f.name = take_text(name, err.failed(), cap);
    const AtspiRole role = atspi_accessible_get_role(object, err.out());
    if (!err.failed()) {
      gchar* role_name = atspi_role_get_name(role);
      if (role_name) f.role = role_name;
      g_free(role_name);
    }
    gchar* localized = atspi_accessible_get_localized_role_name(object, err.out());
    f.role_text = take_text(localized, err.failed(), cap);
    if (AtspiStateSet* states = atspi_accessible_get_state_set(object)) {
      f.states_known = !atspi_state_set_contains(states, ATSPI_STATE_DEFUNCT);
      f.checked = atspi_state_set_contains(states, ATSPI_STATE_CHECKED);
      f.unavailable = !atspi_state_set_contains(states, ATSPI_STATE_ENABLED) &&
                      !atspi_state_set_contains(states, ATSPI_STATE_SENSITIVE);
      g_object_unref(states);
    }
    f.value = value_of(object, cap);
    return f;
  }

  AccessibleHandle object_at(int32_t x, int32_t y) override {
    if (!connect()) return nullptr;
    AccessibleHandle window = window_at(x, y);
    if (!window) return nullptr;
    AccessibleHandle here = window;
    for (int depth = 0; depth < kMaxDepth; ++depth) {
      AtspiComponent* component = atspi_accessible_get_component_iface(as_object(here));
      if (!component) break;
      Error err;
      AtspiAccessible* child = atspi_component_get_accessible_at_point(component, x, y, ATSPI_COORD_TYPE_SCREEN, err.out());
      g_object_unref(component);
      AccessibleHandle next = err.failed() ? nullptr : adopt(child);
      if (!next || next.get() == here.get()) break;
      here = std::move(next);
    }
    return here;
  }

 private:
  bool connect() {
    if (tried_) return connected_;
    tried_ = true;
    // 0: connected now; 1: already connected by this process. Anything else means no
    // bus, and libatspi must not be called again.
    const int r = atspi_init();
    connected_ = r == 0 || r == 1;
    return connected_;
  }

  static void on_event(AtspiEvent* event, void* self_ptr) {
    auto* self = static_cast<AtspiSource*>(self_ptr);
    if (event && event->type && event->source && self->sink_) {
      const std::string_view type = event->type;
      if (type == kFocusEvent && event->detail1 == 1) self->sink_(AccessEvent::focus, hold(event->source));
      else if (type == kActivateEvent) self->sink_(AccessEvent::foreground, hold(event->source));
    }
    if (event) g_boxed_free(ATSPI_TYPE_EVENT, event);
  }

  static std::optional<std::string> value_of(AtspiAccessible* object, size_t cap) {
    if (AtspiValue* value = atspi_accessible_get_value_iface(object)) {
      Error err;
      const double v = atspi_value_get_current_value(value, err.out());
      g_object_unref(value);
      if (!err.failed()) return number_text(v);
      return std::nullopt;
    }
    if (AtspiText* text = atspi_accessible_get_text_iface(object)) {
      Error err;
      gint count = atspi_text_get_character_count(text, err.out());
      std::optional<std::string> out;
      if (!err.failed() && count >= 0) {
        // A character takes at most 4 bytes: no need to fetch more than fits.
        const gint want = static_cast<gint>(std::min<size_t>(static_cast<size_t>(count), cap));
        gchar* t = atspi_text_get_text(text, 0, want, err.out());
        out = take_text(t, err.failed(), cap);
      }
      g_object_unref(text);
      return out;
    }
    return std::nullopt;
  }

  // The shown top-level window that holds the point, the active one first.
  AccessibleHandle window_at(int32_t x, int32_t y) {
    AccessibleHandle desktop = adopt(atspi_get_desktop(0));
    if (!desktop) return nullptr;
    Error err;
    AccessibleHandle found;
    bool found_active = false;
    const gint apps = atspi_accessible_get_child_count(as_object(desktop), err.out());
    for (gint a = 0; !err.failed() && a < apps && !found_active; ++a) {
      Error e2;
      AccessibleHandle app = adopt(atspi_accessible_get_child_at_index(as_object(desktop), a, e2.out()));
      if (e2.failed() || !app) continue;
      const gint windows = atspi_accessible_get_child_count(as_object(app), e2.out());
      for (gint w = 0; !e2.failed() && w < windows && !found_active; ++w) {
        Error e3;
        AccessibleHandle win = adopt(atspi_accessible_get_child_at_index(as_object(app), w, e3.out()));
        if (e3.failed() || !win) continue;
        AtspiStateSet* states = atspi_accessible_get_state_set(as_object(win));
        if (!states) continue;
        const bool showing = atspi_state_set_contains(states, ATSPI_STATE_SHOWING);
        const bool active = atspi_state_set_contains(states, ATSPI_STATE_ACTIVE);
        g_object_unref(states);
        if (!showing) continue;
        const std::optional<Extents> e = screen_extents(as_object(win));
        if (!e || !contains_point(*e, x, y)) continue;
        found = win;
        found_active = active;
      }
    }
    return found;
  }

  bool tried_ = false;
  bool connected_ = false;
  bool pumping_ = false;
  AtspiEventListener* listener_ = nullptr;
  Sink sink_;
};

}  // namespace

std::unique_ptr<AccessibilitySource> make_atspi_source() { return std::make_unique<AtspiSource>(); }

}  // namespace plat
