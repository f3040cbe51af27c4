// Ports: byte-wide reads and writes of the parallel port's registers, on the port device
// or in memory for tests.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace plat {

// The registers of the first parallel port, by the addresses scripts were written for.
inline constexpr uint16_t kPortData = 0x378;
inline constexpr uint16_t kPortStatus = 0x379;
inline constexpr uint16_t kPortControl = 0x37A;

class Ports {
 public:
  virtual ~Ports() = default;
  virtual void write_byte(uint16_t port, uint8_t value) = 0;
  virtual uint8_t read_byte(uint16_t port) = 0;
};

// The parallel port through the ppdev device (e.g. /dev/parport0), claimed for as long as
// the object lives. Null when the device cannot be opened or claimed; `why` then says.
std::unique_ptr<Ports> open_parallel_port(const std::string& device, std::string& why);

// Registers in memory. The status register reads what status_of makes of the data and
// control bytes last written (a wired switch matrix), or the byte last written to it.
class MemoryPorts : public Ports {
 public:
  void write_byte(uint16_t port, uint8_t value) override;
  uint8_t read_byte(uint16_t port) override;

  std::function<uint8_t(uint8_t data, uint8_t control)> status_of;
  struct Access {
    bool write;
    uint16_t port;
    uint8_t value;
  };
  std::vector<Access> log;  // every access, in order

 private:
  uint8_t data_ = 0, status_ = 0, control_ = 0;
};

}  // namespace plat
