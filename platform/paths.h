// Paths: Windows-style script names (drive letters, backslashes, Windows-1252) to host paths.
#pragma once
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace plat {

// The host folder that stands for each drive letter; an empty entry is a drive that
// does not exist.
struct DriveTable {
  std::array<std::string, 26> roots;  // UTF-8 host folders, 'a'..'z'

  // c: is root_c; the other letters come from ROTEIRAL_DRIVE_<LETTER> when set.
  static DriveTable from_environment(const std::string& root_c);
  const std::string& root(char letter) const;
};

// Maps a script name to the host path it stands for: '\' becomes '/', "X:" selects the
// drive root, names become UTF-8, and every component that exists on disk under another
// letter case is found as it is stored. Relative names stay relative to the current
// directory. nullopt for a drive with no root, an empty name or one holding a NUL byte.
// Letter case folds as Windows-1252 does: ASCII letters and 224..254 (not 247) to 192..222.
std::optional<std::string> host_path(const DriveTable& drives, std::string_view name);

// The current directory as a script sees it: the host path in Windows-1252.
std::string current_directory();

}  // namespace plat
