// Profile: reading keys of INI files the way the family's programs expect.
#pragma once
#include <string>
#include <string_view>

namespace plat {

// The value of key in [section] of the INI file at host_path, cut to max_len bytes.
// Section and key names match regardless of letter case; a missing file, section or key
// gives the empty text. Values are the file's bytes (Windows-1252), trimmed of blanks,
// with one pair of surrounding quotes removed.
std::string profile_get(const std::string& host_path, std::string_view section,
                        std::string_view key, size_t max_len = 254);

// The copy of a profile a user works with: the file itself when it can be written or does
// not exist; otherwise a personal copy in $XDG_CONFIG_HOME/roteiral/ (~/.config/roteiral/),
// made from the file the first time, so a user without rights on the installed one can
// still change voices and speeds. The file itself when no personal copy can be made.
std::string personal_profile(const std::string& host_path);

}  // namespace plat
