#include "commands/dirsearch.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/paths.h"
#include "platform/text.h"

namespace cmds {
namespace {

// Pattern tokens besides literal bytes (0..255).
constexpr int kStar = 256;     // '*': any run of characters
constexpr int kDosStar = 257;  // '*' before '.': any run that does not take the name's last dot
constexpr int kDosQm = 258;    // '?': one character, or none at a dot or at the end
constexpr int kDosDot = 259;   // '.' before a wildcard or at the end: a dot, or the end

std::vector<int> compile(std::string_view p) {
  std::vector<int> out;
  if (p == "*.*") return {kStar};
  out.reserve(p.size());
  for (size_t i = 0; i < p.size(); ++i) {
    const char c = p[i];
    const char next = i + 1 < p.size() ? p[i + 1] : '\0';
    const bool last = i + 1 == p.size();
    if (c == '?') out.push_back(kDosQm);
    else if (c == '*') out.push_back(next == '.' ? kDosStar : kStar);
    else if (c == '.' && (last || next == '?' || next == '*')) out.push_back(kDosDot);
    else out.push_back(fold_name_byte(static_cast<unsigned char>(c)));
  }
  return out;
}

}  // namespace

unsigned char fold_name_byte(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
  if (c >= 224 && c <= 254 && c != 247) return static_cast<unsigned char>(c - 32);
  switch (c) {
    case 154: return 138;  // s caron
    case 156: return 140;  // oe
    case 158: return 142;  // z caron
    case 255: return 159;  // y diaeresis
    default: return c;
  }
}

bool wildcard_match(std::string_view pattern, std::string_view name) {
  const std::vector<int> p = compile(pattern);
  if (p.empty() || name.empty()) return false;  // no entry has an empty name
  const size_t P = p.size(), N = name.size();
  const size_t last_dot = name.rfind('.');
  // reach[i][j]: pattern tokens from i can match the name from j. Filled from the ends.
  std::vector<char> reach((P + 1) * (N + 1), 0);
  auto at = [&](size_t i, size_t j) -> char& { return reach[i * (N + 1) + j]; };
  at(P, N) = 1;
  for (size_t i = P; i-- > 0;) {
    for (size_t j = N + 1; j-- > 0;) {
      const bool more = j < N;
      const unsigned char ch = more ? static_cast<unsigned char>(name[j]) : 0;
      bool ok = false;
      switch (p[i]) {
        case kStar: ok = at(i + 1, j) || (more && at(i, j + 1)); break;
        case kDosStar: ok = at(i + 1, j) || (more && j != last_dot && at(i, j + 1)); break;
        case kDosQm:
          if (more && ch != '.') {
            ok = at(i + 1, j + 1);
          } else {
            size_t k = i;
            while (k < P && p[k] == kDosQm) ++k;
            ok = at(k, j);
          }
          break;
        case kDosDot: ok = (more && ch == '.' && at(i + 1, j + 1)) || (!more && at(i + 1, j)); break;
        default: ok = more && fold_name_byte(ch) == p[i] && at(i + 1, j + 1); break;
      }
      at(i, j) = ok;
    }
  }
  return at(0, 0);
}

std::pair<std::string_view, std::string_view> split_pattern(std::string_view pattern) {
  size_t sep = pattern.find_last_of("\\/");
  if (sep != std::string_view::npos) return {pattern.substr(0, sep + 1), pattern.substr(sep + 1)};
  const unsigned char c = pattern.empty() ? 0 : static_cast<unsigned char>(pattern[0]);
  const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  if (pattern.size() >= 2 && letter && pattern[1] == ':') return {pattern.substr(0, 2), pattern.substr(2)};
  return {std::string_view{}, pattern};
}

uint32_t entry_attributes(std::string_view name, const std::string& host_path) {
  uint32_t a = 0;
  if (!name.empty() && name[0] == '.') a |= kAttrHidden;
  struct stat st;
  if (::stat(host_path.c_str(), &st) == 0) {  // a link counts as what it points to
    if (S_ISDIR(st.st_mode)) a |= kAttrDirectory;
    else if (S_ISREG(st.st_mode)) a |= kAttrArchive;
  }
  return a;
}

void DirSearch::clear() {
  entries_.clear();
  pos_ = 0;
  required_ = 0;
  active_ = false;
}

std::optional<std::string> DirSearch::start(const plat::DriveTable& drives, std::string_view pattern,
                                            uint32_t required) {
  clear();
  active_ = true;
  required_ = required;
  if (pattern.size() > kMaxPattern) return std::nullopt;
  auto [dir_part, name_part] = split_pattern(pattern);
  if (name_part.empty()) return std::nullopt;
  std::string folder = ".";
  if (!dir_part.empty()) {
    auto host = plat::host_path(drives, dir_part);
    if (!host) return std::nullopt;
    folder = host->empty() ? "." : *host;
  }
  if (folder.back() != '/') folder += '/';
  // Hidden, system, volume and directory entries are skipped unless asked for.
  const uint32_t excluded = (kAttrHidden | kAttrSystem | kAttrVolume | kAttrDirectory) & ~required;
  DIR* d = ::opendir(folder.c_str());
  if (!d) return std::nullopt;
  while (dirent* e = ::readdir(d)) {
    std::string stored = e->d_name;
    if (stored == "." || stored == "..") continue;
    std::string name = plat::utf8_to_cp1252(stored);
    if (!wildcard_match(name_part, name)) continue;
    uint32_t attrs = entry_attributes(name, folder + stored);
    if (attrs & excluded) continue;
    entries_.push_back({std::move(name), attrs});
  }
  ::closedir(d);
  std::sort(entries_.begin(), entries_.end(),
            [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  if (entries_.empty()) return std::nullopt;
  pos_ = 1;
  return entries_[0].name;
}

std::optional<std::string> DirSearch::next() {
  while (pos_ < entries_.size()) {
    const DirEntry& e = entries_[pos_++];
    if (e.attributes & required_) return e.name;
  }
  return std::nullopt;
}

}  // namespace cmds
