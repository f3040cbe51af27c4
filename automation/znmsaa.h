// znmsaa: accessibility monitoring: the queue of focus and foreground events and the
// description of the object an event or a screen point gives.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/accessibility.h"

namespace zn {
class Console;
}

namespace autom {

inline constexpr uint32_t kForegroundEvent = 3;
inline constexpr uint32_t kFocusEvent = 0x8005;
inline constexpr int kEventRingSize = 100;
// Texts taken from other programs are cut here; the role text at the size of the
// buffer the role's words were read into.
inline constexpr size_t kMaxAccessibleText = 65535;
inline constexpr size_t kMaxRoleText = 199;

struct QueuedEvent {
  uint32_t code = 0;
  plat::AccessibleHandle object;
};

// The newest kEventRingSize events: when full, a new event takes the oldest one's place,
// so a burst between two reads loses its beginning, never its end.
class EventRing {
 public:
  void push(QueuedEvent e);
  bool pop(QueuedEvent& out);
  int size() const { return count_; }
  void clear();

 private:
  std::array<QueuedEvent, kEventRingSize> slots_;
  int read_ = 0;
  int count_ = 0;
};

// What scripts read of the current object, in Windows-1252.
struct Description {
  std::string name;
  int32_t role = 0;
  std::string role_text;
  std::string state;
  std::string value;
  int32_t left = 0, top = 0, width = 0, height = 0;
};

// The Active Accessibility role number of an AT-SPI role name; 0 for none.
int32_t role_number(std::string_view atspi_role);
// "marcado", "indisponível" (which wins when both hold) or empty.
std::string state_text(bool checked, bool unavailable);
// The fields as scripts read them; with a role of 0 the role text, state and value stay
// empty.
Description describe_facts(const plat::AccessibleFacts& facts);

struct Msaa {
  // Made on first use; a test may put its own here.
  std::unique_ptr<plat::AccessibilitySource> source;
  EventRing ring;
  bool monitoring = false;
  plat::AccessibleHandle last_queued;  // an event for the same object right after is dropped
  plat::AccessibleHandle current;
  Description description;
  zn::Console* hooked = nullptr;  // the console whose waits pump the source

  Msaa() = default;
  ~Msaa();
  Msaa(const Msaa&) = delete;
  Msaa& operator=(const Msaa&) = delete;
};

// Starts queueing events; the console's waits dispatch them from then on. Succeeds or
// not, the script goes on as if it had.
void start_monitoring(Msaa& m, zn::Console* console);
// Forgets the current object and stops queueing.
void stop_monitoring(Msaa& m);
// Dispatches events that have arrived.
void pump(Msaa& m);
// Takes one queued event and describes its object; false when there was none or the
// object has gone.
bool take_event(Msaa& m);
// Describes the object at a screen point (clears the description when there is none).
void capture_at(Msaa& m, int32_t x, int32_t y);

}  // namespace autom
