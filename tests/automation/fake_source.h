// An accessibility source in memory: objects with the facts they give, events fed in by
// the test and delivered at the next pump, objects that vanish.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/accessibility.h"

namespace autotest {

struct FakeObject {
  plat::AccessibleFacts facts;
  bool alive = true;
};

class FakeSource : public plat::AccessibilitySource {
 public:
  bool bus = true;     // false: as without an accessibility bus
  int pumps = 0;
  std::vector<std::pair<plat::AccessEvent, plat::AccessibleHandle>> pending;
  plat::AccessibleHandle at_point;  // what object_at gives
  int32_t asked_x = -1, asked_y = -1;
  size_t asked_cap = 0;

  static plat::AccessibleHandle object(plat::AccessibleFacts facts) {
    return std::make_shared<FakeObject>(FakeObject{std::move(facts), true});
  }
  static FakeObject& of(const plat::AccessibleHandle& h) { return *static_cast<FakeObject*>(h.get()); }

  void arrive(plat::AccessEvent e, plat::AccessibleHandle h) { pending.emplace_back(e, std::move(h)); }

  bool listen(Sink sink) override {
    if (!bus) return false;
    sink_ = std::move(sink);
    return true;
  }
  void stop_listening() override { sink_ = nullptr; }
  void pump() override {
    ++pumps;
    auto events = std::move(pending);
    pending.clear();
    if (sink_)
      for (auto& [e, h] : events) sink_(e, h);
  }
  bool alive(const plat::AccessibleHandle& h) override { return h && of(h).alive; }
  plat::AccessibleFacts describe(const plat::AccessibleHandle& h, size_t cap) override {
    asked_cap = cap;
    return h ? of(h).facts : plat::AccessibleFacts{};
  }
  plat::AccessibleHandle object_at(int32_t x, int32_t y) override {
    asked_x = x;
    asked_y = y;
    return bus ? at_point : nullptr;
  }

 private:
  Sink sink_;
};

// Facts of a named object of a role.
inline plat::AccessibleFacts facts(std::string name, std::string role = "push button") {
  plat::AccessibleFacts f;
  f.name = std::move(name);
  f.role = std::move(role);
  f.role_text = f.role;
  f.states_known = true;
  return f;
}

}  // namespace autotest
