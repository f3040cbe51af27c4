// Sensor: the baseline read and the row-by-row scan of the switch matrix.
#include "automation/sensor.h"

namespace autom {

uint8_t read_baseline(plat::Ports& port, const Pause& pause) {
  port.write_byte(plat::kPortControl, 255);
  pause(1);
  port.write_byte(plat::kPortData, 1);
  pause(1);
  return port.read_byte(plat::kPortStatus);
}

SensorFlags scan_matrix(plat::Ports& port, uint8_t baseline, const Pause& pause) {
  SensorFlags flags{};
  for (int r = 0; r < kSensorRows; ++r) {
    port.write_byte(plat::kPortControl, 255);
    pause(1);
    // The row is driven low, every other row high.
    port.write_byte(plat::kPortData, static_cast<uint8_t>(255 & ~(0x80u >> r)));
    pause(1);
    const uint8_t changed = static_cast<uint8_t>(port.read_byte(plat::kPortStatus) ^ baseline);
    for (int k = 0; k < kSensorColumns; ++k)
      flags[static_cast<size_t>(r * kSensorColumns + k)] = (changed & (0x80u >> k)) != 0;
  }
  return flags;
}

int first_active(const SensorFlags& flags) {
  for (int i = 0; i < kSensorCount; ++i)
    if (flags[static_cast<size_t>(i)]) return i + 1;
  return 0;
}

bool ensure_port(Sensor& s, const Pause& pause) {
  if (s.port) return true;
  s.port = s.open_port ? s.open_port() : nullptr;
  if (!s.port) return false;
  s.baseline = read_baseline(*s.port, pause);
  return true;
}

}  // namespace autom
