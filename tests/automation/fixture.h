// Test helpers: automation over a recording desktop with a US-like layout, pauses counted.
#pragma once

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "automation/automation.h"

namespace au::test {

inline std::string down(uint32_t keysym) { return "down " + std::to_string(keysym); }
inline std::string up(uint32_t keysym) { return "up " + std::to_string(keysym); }

class AutomationTest : public ::testing::Test {
 protected:
  AutomationTest() {
    auto d = std::make_unique<plat::RecordingDesktop>();
    desk = d.get();
    for (uint32_t c = 0x20; c <= 0x7E; ++c) {
      const bool shifted = (c >= 'A' && c <= 'Z') || std::string("~!@#$%^&*()_+{}|:\"<>?").find(static_cast<char>(c)) !=
                                                            std::string::npos;
      desk->layout.push_back({c, {shifted, false}});
    }
    for (uint32_t k : {XK_Return, XK_Escape, XK_Tab, XK_BackSpace, XK_Shift_L, XK_Control_L, XK_Alt_L, XK_Home,
                       XK_End, XK_Insert, XK_Delete, XK_F1})
      desk->layout.push_back({k, {}});
    a.desktop = std::move(d);
    a.pause = [this](int ms) { pauses.push_back(ms); };
  }

  // Events of keys only, in order.
  std::vector<std::string> keys() const {
    std::vector<std::string> out;
    for (const auto& e : desk->events)
      if (e.rfind("down ", 0) == 0 || e.rfind("up ", 0) == 0) out.push_back(e);
    return out;
  }

  Automation a;
  plat::RecordingDesktop* desk = nullptr;
  std::vector<int> pauses;
};

}  // namespace au::test
