// Ports on the ppdev parallel-port device, and the in-memory double.
#include "platform/ports.h"

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace plat {
namespace {

class ParallelPort : public Ports {
 public:
  explicit ParallelPort(int fd) : fd_(fd) {}
  ~ParallelPort() override {
    ioctl(fd_, PPRELEASE);
    close(fd_);
  }
  ParallelPort(const ParallelPort&) = delete;
  ParallelPort& operator=(const ParallelPort&) = delete;

  void write_byte(uint16_t port, uint8_t value) override {
    unsigned char v = value;
    if (port == kPortData) {
      ioctl(fd_, PPWDATA, &v);
    } else if (port == kPortControl) {
      // Only the four output lines: bit 5 would turn the data lines into inputs on a
      // bidirectional port and the rows of the matrix would no longer be driven.
      v &= 0x0F;
      ioctl(fd_, PPWCONTROL, &v);
    }
    // The status register cannot be written; other addresses are not this port's.
  }

  uint8_t read_byte(uint16_t port) override {
    unsigned char v = 0xFF;  // what an address with nothing behind it reads
    if (port == kPortData) ioctl(fd_, PPRDATA, &v);
    else if (port == kPortStatus) ioctl(fd_, PPRSTATUS, &v);
    else if (port == kPortControl) ioctl(fd_, PPRCONTROL, &v);
    return v;
  }

 private:
  int fd_;
};

}  // namespace

std::unique_ptr<Ports> open_parallel_port(const std::string& device, std::string& why) {
  const int fd = open(device.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    why = device + ": " + std::strerror(errno);
    return nullptr;
  }
  if (ioctl(fd, PPCLAIM) != 0) {
    why = device + ": " + std::strerror(errno);
    close(fd);
    return nullptr;
  }
  int forward = 0;  // the data lines drive the rows
  ioctl(fd, PPDATADIR, &forward);
  return std::make_unique<ParallelPort>(fd);
}

void MemoryPorts::write_byte(uint16_t port, uint8_t value) {
  log.push_back({true, port, value});
  if (port == kPortData) data_ = value;
  else if (port == kPortStatus) status_ = value;
  else if (port == kPortControl) control_ = value;
}

uint8_t MemoryPorts::read_byte(uint16_t port) {
  log.push_back({false, port, 0});
  uint8_t v = 0xFF;
  if (port == kPortData) v = data_;
  else if (port == kPortStatus) v = status_of ? status_of(data_, control_) : status_;
  else if (port == kPortControl) v = control_;
  log.back().value = v;
  return v;
}

}  // namespace plat
