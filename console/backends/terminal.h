// The terminal backend on given descriptors, for tests that run it on a pseudo-terminal.
#pragma once
#include <memory>

#include "console/ZnCrt.h"

namespace zn {

// in_fd and out_fd must be the same terminal; null when it cannot be driven.
std::unique_ptr<ConsoleBackend> make_terminal_backend_on(int in_fd, int out_fd);

}  // namespace zn
