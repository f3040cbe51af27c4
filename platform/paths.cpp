#include "platform/paths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/text.h"

namespace plat {
namespace {

// Windows-1252 letter case as the file system of the scripts saw it.
unsigned char fold_name_byte(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
  if (c >= 224 && c <= 254 && c != 247) return static_cast<unsigned char>(c - 32);
  return c;
}

std::string fold_name(std::string_view cp1252) {
  std::string out(cp1252);
  for (char& c : out) c = static_cast<char>(fold_name_byte(static_cast<unsigned char>(c)));
  return out;
}

std::string join(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

bool name_exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// The entry of dir whose name matches `wanted` (Windows-1252) regardless of letter case;
// the exact spelling first, else the first in byte order so the choice never varies.
std::optional<std::string> find_stored_name(const std::string& dir, std::string_view wanted,
                                            const std::string& wanted_utf8) {
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return std::nullopt;
  const std::string key = fold_name(wanted);
  std::optional<std::string> best;
  while (dirent* e = ::readdir(d)) {
    std::string stored = e->d_name;
    if (stored == "." || stored == "..") continue;
    if (stored == wanted_utf8) {
      best = stored;
      break;
    }
    if (fold_name(utf8_to_cp1252(stored)) != key) continue;
    if (!best || stored < *best) best = stored;
  }
  ::closedir(d);
  return best;
}

}  // namespace

DriveTable DriveTable::from_environment(const std::string& root_c) {
  DriveTable t;
  for (int i = 0; i < 26; ++i) {
    char letter = static_cast<char>('A' + i);
    if (letter == 'C') continue;
    std::string var = std::string("ROTEIRAL_DRIVE_") + letter;
    if (const char* v = std::getenv(var.c_str())) t.roots[i] = v;
  }
  t.roots['c' - 'a'] = root_c;
  return t;
}

const std::string& DriveTable::root(char letter) const {
  static const std::string none;
  if (letter >= 'a' && letter <= 'z') return roots[letter - 'a'];
  if (letter >= 'A' && letter <= 'Z') return roots[letter - 'A'];
  return none;
}

std::optional<std::string> host_path(const DriveTable& drives, std::string_view name) {
  if (name.empty() || name.find('\0') != std::string_view::npos) return std::nullopt;

  std::string cp(name);
  for (char& c : cp)
    if (c == '\\') c = '/';

  // `base` is the part taken as it is; the rest is looked up component by component.
  std::string base;
  std::string_view rest = cp;
  const unsigned char first = static_cast<unsigned char>(cp[0]);
  const bool letter = (first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z');
  if (cp.size() >= 2 && letter && cp[1] == ':') {
    base = drives.root(cp[0]);
    if (base.empty()) return std::nullopt;
    rest.remove_prefix(2);
    if (rest.empty()) return base;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    if (rest.front() == '/') rest.remove_prefix(1);
    if (base != "/") base += '/';
  } else if (cp[0] == '/') {
    base = "/";
    rest.remove_prefix(1);
  }

  std::string out = base;
  std::string dir = base;  // where the next component is looked up; "" is the current one
  bool resolving = true;
  size_t pos = 0;
  while (true) {
    size_t slash = rest.find('/', pos);
    std::string_view comp = rest.substr(pos, slash == std::string_view::npos ? rest.npos
                                                                             : slash - pos);
    std::string comp_utf8 = cp1252_to_utf8(comp);
    if (!comp.empty() && resolving && comp != "." && comp != "..") {
      std::string spelled = join(dir, comp_utf8);
      if (!name_exists(spelled)) {
        if (auto stored = find_stored_name(dir, comp, comp_utf8)) {
          comp_utf8 = *stored;
        } else {
          // Nothing below a missing component can exist either.
          resolving = false;
        }
      }
    }
    out += comp_utf8;
    if (resolving && !comp.empty()) dir = join(dir, comp_utf8);
    if (slash == std::string_view::npos) break;
    out += '/';
    pos = slash + 1;
  }
  return out;
}

std::string current_directory() {
  std::vector<char> buf(256);
  while (true) {
    if (::getcwd(buf.data(), buf.size())) return utf8_to_cp1252(buf.data());
    if (errno != ERANGE || buf.size() > (1u << 20)) return std::string();
    buf.resize(buf.size() * 2);
  }
}

}  // namespace plat
