// Accessibility: focus and foreground events and the description of desktop objects,
// from the AT-SPI2 accessibility bus.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace plat {

enum class AccessEvent { foreground, focus };

// An accessible object, held with a reference while the handle lives. Two handles of the
// same object hold the same pointer.
using AccessibleHandle = std::shared_ptr<void>;

struct Extents {
  int32_t x = 0, y = 0, width = 0, height = 0;
};

// What an object says of itself, in UTF-8; a field the object refused stays empty.
// Texts are cut at text_cap bytes.
struct AccessibleFacts {
  std::optional<Extents> extents;
  std::optional<std::string> name;
  std::string role;            // the bus's own role name ("check box"); empty when refused
  std::optional<std::string> role_text;  // the role as the object's program words it
  bool states_known = false;
  bool checked = false;
  bool unavailable = false;    // neither enabled nor sensitive
  std::optional<std::string> value;  // the Value interface's number, else the Text's text
};

class AccessibilitySource {
 public:
  using Sink = std::function<void(AccessEvent, AccessibleHandle)>;
  virtual ~AccessibilitySource() = default;
  // Starts delivering focus gains and window activations to the sink, from within pump();
  // false when there is no accessibility bus.
  virtual bool listen(Sink sink) = 0;
  virtual void stop_listening() = 0;
  // Dispatches what has arrived; never blocks.
  virtual void pump() = 0;
  // False when the object has gone since it was handed out.
  virtual bool alive(const AccessibleHandle& object) = 0;
  virtual AccessibleFacts describe(const AccessibleHandle& object, size_t text_cap) = 0;
  // The innermost object at a point of the screen; null when there is none or no bus.
  virtual AccessibleHandle object_at(int32_t x, int32_t y) = 0;
};

// The AT-SPI2 source. It connects on first need; without a bus every call does nothing.
std::unique_ptr<AccessibilitySource> make_atspi_source();

}  // namespace plat
