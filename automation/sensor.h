// Sensor: the matrix of 8 x 4 switches wired to the parallel port, read through the
// ports layer.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/ports.h"

namespace autom {

inline constexpr int kSensorRows = 8;
inline constexpr int kSensorColumns = 4;
inline constexpr int kSensorCount = kSensorRows * kSensorColumns;
inline constexpr const char* kParallelPortDevice = "/dev/parport0";

// Flag n - 1 is sensor n (row r, column k is sensor 4r + k + 1).
using SensorFlags = std::array<bool, kSensorCount>;
using Pause = std::function<void(int ms)>;

// The status byte the scan compares with, read once with the port set up.
uint8_t read_baseline(plat::Ports& port, const Pause& pause);
SensorFlags scan_matrix(plat::Ports& port, uint8_t baseline, const Pause& pause);
// The number of the first active sensor, 1..32, or 0.
int first_active(const SensorFlags& flags);

struct Sensor {
  std::unique_ptr<plat::Ports> port;  // null until it could be opened
  uint8_t baseline = 0;
  // How the port is opened; a test may give its own.
  std::function<std::unique_ptr<plat::Ports>()> open_port = [] {
    std::string why;
    return plat::open_parallel_port(kParallelPortDevice, why);
  };
};

// Opens the port when it is not open yet, reading the baseline; false when it cannot.
bool ensure_port(Sensor& s, const Pause& pause);

}  // namespace autom
