#include "platform/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>

namespace plat {
namespace {

// A profile is a few kilobytes; anything this large is not one.
constexpr off_t kMaxProfileBytes = 16 * 1024 * 1024;

std::optional<std::string> read_small_file(const std::string& path) {
  // Non-blocking so that a FIFO in place of the file cannot hang the caller.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxProfileBytes) {
    ::close(fd);
    return std::nullopt;
  }
  std::string data;
  char buf[65536];
  while (true) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    data.append(buf, static_cast<size_t>(n));
    // The file may grow while we read it.
    if (data.size() > static_cast<size_t>(kMaxProfileBytes)) {
      ::close(fd);
      return std::nullopt;
    }
  }
  ::close(fd);
  return data;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (ascii_upper(a[i]) != ascii_upper(b[i])) return false;
  return true;
}

}  // namespace

std::string profile_get(const std::string& host_path, std::string_view section,
                        std::string_view key, size_t max_len) {
  std::optional<std::string> file = read_small_file(host_path);
  if (!file) return std::string();
  const std::string_view want_section = trim(section);
  const std::string_view want_key = trim(key);

  std::string_view text = *file;
  bool in_section = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = trim(line);
    if (line.empty() || line.front() == ';') continue;

    if (line.front() == '[') {
      // Only the first section of a name counts.
      if (in_section) return std::string();
      std::string_view name = line.substr(1);
      size_t close = name.find(']');
      if (close != std::string_view::npos) name = name.substr(0, close);
      in_section = same_name(trim(name), want_section);
      continue;
    }
    if (!in_section) continue;

    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    if (!same_name(trim(line.substr(0, eq)), want_key)) continue;
    std::string_view value = line.substr(eq + 1);
    // Callers hand values on as C strings; a NUL ends the value there.
    value = trim(value.substr(0, value.find('\0')));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return std::string(value.substr(0, max_len));
  }
  return std::string();
}

namespace {

std::string personal_folder() {
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x == '/') return std::string(x) + "/roteiral";
  if (const char* h = std::getenv("HOME"); h && *h == '/') return std::string(h) + "/.config/roteiral";
  return {};
}

}  // namespace

std::string personal_profile(const std::string& host_path) {
  namespace fs = std::filesystem;
  struct stat st;
  if (::stat(host_path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return host_path;
  if (::access(host_path.c_str(), W_OK) == 0) return host_path;
  const std::string folder = personal_folder();
  if (folder.empty()) return host_path;
  const fs::path mine = fs::path(folder) / fs::path(host_path).filename();
  std::error_code ec;
  if (fs::is_regular_file(mine, ec)) return mine.string();
  fs::create_directories(folder, ec);
  // Copied under a temporary name first, so a half-written copy never takes the place of
  // the installed profile.
  const fs::path part = mine.string() + ".novo";
  if (!fs::copy_file(host_path, part, fs::copy_options::overwrite_existing, ec)) return host_path;
  fs::rename(part, mine, ec);
  if (ec) {
    fs::remove(part, ec);
    return host_path;
  }
  return mine.string();
}

}  // namespace plat
