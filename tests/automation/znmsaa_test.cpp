// The event ring, the role table, the description fields and monitoring over a source.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "automation/znmsaa.h"
#include "console/ZnCrt.h"
#include "fake_source.h"

namespace {

using autotest::FakeSource;
using autotest::facts;
using plat::AccessEvent;

std::string name_of(const plat::AccessibleHandle& h) { return *FakeSource::of(h).facts.name; }

TEST(EventRing, KeepsTheNewestWhenABurstOverflows) {
  autom::EventRing ring;
  std::vector<plat::AccessibleHandle> objects;
  for (int i = 1; i <= 150; ++i) {
    objects.push_back(FakeSource::object(facts(std::to_string(i))));
    ring.push({autom::kFocusEvent, objects.back()});
  }
  EXPECT_EQ(ring.size(), 100);
  autom::QueuedEvent e;
  for (int i = 51; i <= 150; ++i) {
    ASSERT_TRUE(ring.pop(e));
    EXPECT_EQ(name_of(e.object), std::to_string(i));
  }
  EXPECT_FALSE(ring.pop(e));
  // Exactly a full ring between two reads: all 100 are there, not an empty queue.
  for (int i = 0; i < 100; ++i) ring.push({autom::kForegroundEvent, objects[static_cast<size_t>(i)]});
  EXPECT_EQ(ring.size(), 100);
  ASSERT_TRUE(ring.pop(e));
  EXPECT_EQ(name_of(e.object), "1");
  EXPECT_EQ(e.code, autom::kForegroundEvent);
}

TEST(EventRing, ReleasesWhatItDrops) {
  autom::EventRing ring;
  std::weak_ptr<void> first;
  {
    auto h = FakeSource::object(facts("a"));
    first = h;
    ring.push({autom::kFocusEvent, h});
  }
  for (int i = 0; i < 100; ++i) ring.push({autom::kFocusEvent, FakeSource::object(facts("b"))});
  EXPECT_TRUE(first.expired());
}

TEST(Roles, MapToTheActiveAccessibilityNumbers) {
  const std::pair<const char*, int32_t> cases[] = {
      {"check box", 0x2C}, {"push button", 0x2B}, {"toggle button", 0x2B}, {"slider", 0x33},
      {"text", 0x2A},      {"entry", 0x2A},       {"password text", 0x2A}, {"frame", 0x09},
      {"menu item", 0x0C}, {"popup menu", 0x0B},  {"list item", 0x22},     {"page tab", 0x25},
      {"label", 0x29},     {"radio button", 0x2D}, {"combo box", 0x2E},    {"link", 0x1E},
      {"invalid", 0},      {"unknown", 0},        {"", 0},
      {"a role from a newer bus", 0x0A},  // still described in full
  };
  for (const auto& [role, number] : cases) EXPECT_EQ(autom::role_number(role), number) << role;
}

TEST(Describe, StateTextAndItsPrecedence) {
  EXPECT_EQ(autom::state_text(false, false), "");
  EXPECT_EQ(autom::state_text(true, false), "marcado");
  EXPECT_EQ(autom::state_text(false, true), "indispon\xEDvel");
  EXPECT_EQ(autom::state_text(true, true), "indispon\xEDvel");
}

TEST(Describe, FieldsInTheCodePageAndCut) {
  plat::AccessibleFacts f = facts("Jo\xC3\xA3o \xE4\xB8\xAD", "check box");
  f.role_text = "caixa de sele\xC3\xA7\xC3\xA3o";
  f.checked = true;
  f.value = "1";
  f.extents = plat::Extents{10, 20, 30, 40};
  autom::Description d = autom::describe_facts(f);
  EXPECT_EQ(d.name, "Jo\xE3o ?");
  EXPECT_EQ(d.role, 0x2C);
  EXPECT_EQ(d.role_text, "caixa de sele\xE7\xE3o");
  EXPECT_EQ(d.state, "marcado");
  EXPECT_EQ(d.value, "1");
  EXPECT_EQ(d.left + d.top + d.width + d.height, 100);
  EXPECT_EQ(d.top, 20);

  f.name = std::string(100 * 1024, 'n');
  f.role_text = std::string(500, 'r');
  d = autom::describe_facts(f);
  EXPECT_EQ(d.name.size(), autom::kMaxAccessibleText);
  EXPECT_EQ(d.role_text.size(), autom::kMaxRoleText);

  // No localised words for the role: the bus's own.
  f.role_text.reset();
  EXPECT_EQ(autom::describe_facts(f).role_text, "check box");
  // What the object refused stays empty.
  f = facts("x", "slider");
  f.name.reset();
  f.states_known = false;
  f.checked = true;
  d = autom::describe_facts(f);
  EXPECT_EQ(d.name, "");
  EXPECT_EQ(d.state, "");
  EXPECT_EQ(d.width, 0);
}

TEST(Describe, RoleZeroStopsAfterTheName) {
  plat::AccessibleFacts f = facts("Sem papel", "invalid");
  f.checked = true;
  f.value = "9";
  f.extents = plat::Extents{1, 2, 3, 4};
  const autom::Description d = autom::describe_facts(f);
  EXPECT_EQ(d.name, "Sem papel");
  EXPECT_EQ(d.left, 1);
  EXPECT_EQ(d.role, 0);
  EXPECT_EQ(d.role_text, "");
  EXPECT_EQ(d.state, "");
  EXPECT_EQ(d.value, "");
}

struct Monitor : ::testing::Test {
  autom::Msaa m;
  FakeSource* src = nullptr;
  void SetUp() override {
    auto s = std::make_unique<FakeSource>();
    src = s.get();
    m.source = std::move(s);
  }
};

TEST_F(Monitor, NothingBeforeMonitoringStarts) {
  src->arrive(AccessEvent::focus, FakeSource::object(facts("a")));
  EXPECT_FALSE(autom::take_event(m));
}

TEST_F(Monitor, TakesEventsInOrderAndDropsRepeats) {
  autom::start_monitoring(m, nullptr);
  auto a = FakeSource::object(facts("A", "check box"));
  auto b = FakeSource::object(facts("B"));
  FakeSource::of(a).facts.checked = true;
  src->arrive(AccessEvent::foreground, a);
  src->arrive(AccessEvent::focus, a);  // the same object again: dropped
  src->arrive(AccessEvent::focus, b);
  src->arrive(AccessEvent::focus, a);  // not in a row: kept
  std::vector<std::string> seen;
  while (autom::take_event(m)) seen.push_back(m.description.name + "/" + m.description.state);
  EXPECT_EQ(seen, (std::vector<std::string>{"A/marcado", "B/", "A/marcado"}));
  EXPECT_EQ(src->asked_cap, autom::kMaxAccessibleText * 4);
}

TEST_F(Monitor, AnObjectThatVanishedGivesNothing) {
  autom::start_monitoring(m, nullptr);
  auto a = FakeSource::object(facts("A"));
  auto gone = FakeSource::object(facts("Gone"));
  src->arrive(AccessEvent::focus, a);
  ASSERT_TRUE(autom::take_event(m));
  src->arrive(AccessEvent::focus, gone);
  FakeSource::of(gone).alive = false;
  EXPECT_FALSE(autom::take_event(m));
  EXPECT_EQ(m.current, nullptr);
  EXPECT_EQ(m.description.name, "A");  // the last description stays
}

TEST_F(Monitor, WithoutABusNothingIsQueued) {
  src->bus = false;
  autom::start_monitoring(m, nullptr);
  EXPECT_FALSE(m.monitoring);
  src->arrive(AccessEvent::focus, FakeSource::object(facts("a")));
  EXPECT_FALSE(autom::take_event(m));
  autom::capture_at(m, 5, 5);
  EXPECT_EQ(m.description.name, "");
}

TEST_F(Monitor, StopEndsTheEventsAndReleasesTheObject) {
  autom::start_monitoring(m, nullptr);
  src->arrive(AccessEvent::focus, FakeSource::object(facts("a")));
  ASSERT_TRUE(autom::take_event(m));
  ASSERT_NE(m.current, nullptr);
  autom::stop_monitoring(m);
  EXPECT_EQ(m.current, nullptr);
  src->arrive(AccessEvent::focus, FakeSource::object(facts("b")));
  EXPECT_FALSE(autom::take_event(m));
}

TEST_F(Monitor, CaptureDescribesThePointOrClears) {
  src->at_point = FakeSource::object(facts("Enviar"));
  autom::capture_at(m, 120, -3);
  EXPECT_EQ(src->asked_x, 120);
  EXPECT_EQ(src->asked_y, -3);
  EXPECT_EQ(m.description.name, "Enviar");
  EXPECT_EQ(m.description.role, 0x2B);
  src->at_point = nullptr;
  autom::capture_at(m, 0, 0);
  EXPECT_EQ(m.description.name, "");
  EXPECT_EQ(m.description.role, 0);
}

TEST_F(Monitor, TheConsoleWaitsDispatchEvents) {
  int p[2];
  ASSERT_EQ(pipe(p), 0);
  const int out = open("/dev/null", O_WRONLY);
  {
    zn::Console console;
    console.set_backend(zn::make_headless_backend(p[0], out));
    console.set_quit_handler([](int) {});
    autom::start_monitoring(m, &console);
    // Through a long wait too, not only at its start.
    const int before = src->pumps;
    console.pause(200);
    EXPECT_GE(src->pumps, before + 4);
    autom::stop_monitoring(m);
    const int after = src->pumps;
    console.pause(1);
    EXPECT_EQ(src->pumps, after);
    // A state that goes before its console: the console must not call into it.
    {
      autom::Msaa gone;
      gone.source = std::make_unique<FakeSource>();
      autom::start_monitoring(gone, &console);
    }
    console.pause(1);
  }
  close(p[0]);
  close(p[1]);
  close(out);
}

}  // namespace
