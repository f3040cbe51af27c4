// Directory search: Windows wildcard patterns over a folder, handed out one name at a time.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace plat {
struct DriveTable;
}

namespace cmds {

// Attribute bits of the platform the scripts were written for. On Linux a name that
// starts with a dot is hidden, a directory is a directory and a regular file is "archive";
// there are no system files and no volume labels.
inline constexpr uint32_t kAttrHidden = 2;
inline constexpr uint32_t kAttrSystem = 4;
inline constexpr uint32_t kAttrVolume = 8;
inline constexpr uint32_t kAttrDirectory = 16;
inline constexpr uint32_t kAttrArchive = 32;

// The longest pattern a search accepts; a longer one finds nothing.
inline constexpr size_t kMaxPattern = 144;

// Windows-1252 letter case as the file system of the scripts compares names.
unsigned char fold_name_byte(unsigned char c);

// Windows wildcard matching of a name (Windows-1252, no directory part), case-insensitive:
// `*` any run, `?` one character (or none before a dot or at the end), "*.*" everything,
// "*." names without a dot, a trailing dot matching the end of the name.
bool wildcard_match(std::string_view pattern, std::string_view name);

// A pattern's directory part (up to and including its last '\' or '/', or a bare "X:")
// and its name part.
std::pair<std::string_view, std::string_view> split_pattern(std::string_view pattern);

// The attribute bits of an entry, from its Windows-1252 name and its host path.
uint32_t entry_attributes(std::string_view name, const std::string& host_path);

struct DirEntry {
  std::string name;  // Windows-1252, no directory part
  uint32_t attributes = 0;
};

// One enumeration, as FindFirstFile / FindNextFile gave it: the folder's entries that
// match the pattern, filtered by attribute and sorted bytewise by name when it starts.
class DirSearch {
 public:
  // Starts a search for a script pattern (drive letters and '\' allowed); `required` is
  // kAttrArchive for files or kAttrDirectory for a DIR search and is also the only one of
  // hidden, system, volume and directory let through. The first match, or nullopt.
  std::optional<std::string> start(const plat::DriveTable& drives, std::string_view pattern,
                                   uint32_t required);
  // The next entry that carries the required bit (PROXIMO); nullopt when there is none.
  std::optional<std::string> next();
  void clear();
  bool active() const { return active_; }
  uint32_t required() const { return required_; }

 private:
  std::vector<DirEntry> entries_;
  size_t pos_ = 0;
  uint32_t required_ = 0;
  bool active_ = false;
};

}  // namespace cmds
