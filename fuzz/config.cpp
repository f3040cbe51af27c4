// read_config over a fuzzed ZUNAPE.INI (its '@' expansion included) and the INI parser.
// Input: section, LF, key, LF, then the file's bytes.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "fuzz/common.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "speech/znsapi.h"

namespace {

// A drive c: of our own holding windows/ZUNAPE.INI, made once and removed at exit.
struct Root {
  std::string dir;
  std::string ini;
  Root() {
    // In memory where the machine has it: the file is written for every input.
    std::string tmpl = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    tmpl += "/roteiral-fuzz-config-XXXXXX";
    if (!::mkdtemp(tmpl.data())) std::abort();
    dir = tmpl;
    if (::mkdir((dir + "/windows").c_str(), 0700) != 0) std::abort();
    ini = dir + "/windows/ZUNAPE.INI";
  }
  ~Root() {
    std::remove(ini.c_str());
    ::rmdir((dir + "/windows").c_str());
    ::rmdir(dir.c_str());
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Root root;
  static plat::DriveTable drives = [] {
    plat::DriveTable d;
    d.roots[2] = root.dir;
    return d;
  }();
  const auto parts = fuzz::split(fuzz::as_text(data, size), '\n', 3);
  if (std::FILE* f = std::fopen(root.ini.c_str(), "wb")) {
    std::fwrite(parts[2].data(), 1, parts[2].size(), f);
    std::fclose(f);
  }
  speech::ConfigContext ctx;
  ctx.drives = &drives;
  ctx.start_dir = "c:\\inicio";
  speech::read_config(ctx, parts[0], parts[1]);
  // The parser itself, at its cut lengths.
  for (size_t cut : {size_t{0}, size_t{1}, size_t{254}, size_t{2047}}) {
    if (plat::profile_get(root.ini, parts[0], parts[1], cut).size() > cut) __builtin_trap();
  }
  speech::read_voice_settings(ctx, 3);
  return 0;
}
