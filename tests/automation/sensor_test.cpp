// The sensor matrix scan over the in-memory port.
#include <gtest/gtest.h>

#include <set>

#include "automation/sensor.h"

namespace {

// Switches between the data lines (rows, driven low one at a time) and status bits 7..4
// (columns): a closed switch on a low row flips its column. Bit 7 reads inverted, as on
// the real port, and the low bits float high.
struct Matrix {
  std::set<int> closed;  // sensor numbers 1..32
  uint8_t status(uint8_t data) const {
    uint8_t s = 0x7F;
    for (int n : closed) {
      const int r = (n - 1) / 4, k = (n - 1) % 4;
      if ((data & (0x80 >> r)) == 0) s ^= static_cast<uint8_t>(0x80 >> k);
    }
    return s;
  }
};

struct Scan : ::testing::Test {
  Matrix matrix;
  plat::MemoryPorts port;
  int paused_ms = 0;
  autom::Pause pause = [this](int ms) { paused_ms += ms; };
  void SetUp() override {
    port.status_of = [this](uint8_t data, uint8_t) { return matrix.status(data); };
  }
  int first() {
    const uint8_t base = autom::read_baseline(port, pause);
    return autom::first_active(autom::scan_matrix(port, base, pause));
  }
};

TEST_F(Scan, FirstActiveSensorInOrder) {
  const std::pair<std::set<int>, int> cases[] = {
      {{}, 0}, {{6, 20}, 6}, {{20, 6}, 6}, {{1}, 1}, {{4}, 4}, {{32}, 32}, {{29, 31}, 29}, {{17, 2}, 2},
  };
  for (const auto& [closed, want] : cases) {
    matrix.closed = closed;
    // The baseline is read with no switch closed, as when the port is first opened.
    std::set<int> keep = matrix.closed;
    matrix.closed.clear();
    const uint8_t base = autom::read_baseline(port, pause);
    matrix.closed = keep;
    EXPECT_EQ(autom::first_active(autom::scan_matrix(port, base, pause)), want);
  }
}

TEST_F(Scan, EveryFlagOfTheMatrix) {
  const uint8_t base = autom::read_baseline(port, pause);
  matrix.closed = {1, 6, 20, 32};
  const autom::SensorFlags flags = autom::scan_matrix(port, base, pause);
  for (int n = 1; n <= 32; ++n) EXPECT_EQ(flags[static_cast<size_t>(n - 1)], matrix.closed.count(n) == 1) << n;
}

TEST_F(Scan, TheWritesAndPausesOfTheProtocol) {
  first();
  // Loading: control 255, data 1, read status; then per row: control 255, data, status.
  ASSERT_EQ(port.log.size(), 3u + 8u * 3u);
  EXPECT_TRUE(port.log[0].write && port.log[0].port == plat::kPortControl && port.log[0].value == 255);
  EXPECT_TRUE(port.log[1].write && port.log[1].port == plat::kPortData && port.log[1].value == 1);
  EXPECT_TRUE(!port.log[2].write && port.log[2].port == plat::kPortStatus);
  for (int r = 0; r < 8; ++r) {
    const auto& data = port.log[static_cast<size_t>(3 + r * 3 + 1)];
    EXPECT_EQ(data.port, plat::kPortData);
    EXPECT_EQ(data.value, static_cast<uint8_t>(~(0x80 >> r))) << r;
  }
  EXPECT_EQ(paused_ms, 2 + 8 * 2);
}

TEST(SensorPort, OpensOnceAndTriesAgainWhileItCannot) {
  autom::Sensor s;
  int opens = 0;
  bool available = false;
  s.open_port = [&]() -> std::unique_ptr<plat::Ports> {
    ++opens;
    return available ? std::make_unique<plat::MemoryPorts>() : nullptr;
  };
  const autom::Pause none = [](int) {};
  EXPECT_FALSE(autom::ensure_port(s, none));
  EXPECT_FALSE(autom::ensure_port(s, none));
  available = true;
  EXPECT_TRUE(autom::ensure_port(s, none));
  EXPECT_TRUE(autom::ensure_port(s, none));
  EXPECT_EQ(opens, 3);
}

TEST(SensorPort, AMissingDeviceIsNoPort) {
  std::string why;
  EXPECT_EQ(plat::open_parallel_port("/nonexistent/parport9", why), nullptr);
  EXPECT_NE(why.find("/nonexistent/parport9"), std::string::npos);
}

}  // namespace
