// The reader of ZUNAPE.INI and its '@' expansion to the family's program directory.
#include <sys/stat.h>

#include "platform/paths.h"
#include "platform/profile.h"
#include "speech/znsapi.h"

namespace speech {
namespace {

// What the profile service can hand back: a buffer of 255 bytes with its terminator.
constexpr size_t kValueMax = 254;

std::optional<std::string> host(const ConfigContext& ctx, const std::string& name) {
  static const plat::DriveTable no_drives;
  return plat::host_path(ctx.drives ? *ctx.drives : no_drives, name);
}

std::string in_dir(std::string dir, const char* file) {
  if (!dir.empty() && dir.back() != '\\' && dir.back() != '/') dir += '\\';
  return dir + file;
}

bool is_file(const std::string& host_path) {
  struct stat st;
  return ::stat(host_path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string windows_profile(const ConfigContext& ctx) {
  if (ctx.windows_dir.empty()) return std::string();
  auto found = host(ctx, in_dir(ctx.windows_dir, "ZUNAPE.INI"));
  return found ? plat::personal_profile(*found) : std::string();
}

}  // namespace

std::string profile_file(const ConfigContext& ctx) {
  std::string win = windows_profile(ctx);
  if (!win.empty() && is_file(win)) return win;
  return host(ctx, in_dir(ctx.start_dir, "ZUNAPE.INI")).value_or(std::string());
}

std::string read_config(const ConfigContext& ctx, std::string_view section,
                        std::string_view key) {
  const std::string file = profile_file(ctx);
  if (file.empty()) return std::string();
  if (section.empty()) section = "ZUNAPE";
  std::string stored = plat::profile_get(file, section, key, kValueMax);

  const bool leading = !stored.empty() && stored[0] == '@';
  if (!leading && stored.find("@\\") == std::string::npos) return stored;

  std::string pgm = plat::profile_get(file, "ZUNAPE", "PGMZUNAPE", kValueMax);
  if (pgm.empty() || pgm[0] == '@') pgm = ctx.start_dir;

  // Each marker of the stored value is expanded once, left to right; markers that the
  // program directory brings with it stay as they are, so the expansion always ends.
  std::string out;
  size_t i = 0;
  if (leading) {
    out = pgm;
    i = 1;
  }
  for (; i < stored.size(); ++i) {
    if (stored[i] == '@' && i + 1 < stored.size() && stored[i + 1] == '\\') out += pgm;
    else out += stored[i];
  }
  return out;
}

std::string read_profile_direct(const ConfigContext& ctx, std::string_view section,
                                std::string_view key, size_t max_len) {
  std::string win = windows_profile(ctx);
  if (win.empty()) return std::string();
  return plat::profile_get(win, section, key, max_len);
}

}  // namespace speech
