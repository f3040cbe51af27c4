// The registry of the family's programs: string values kept in REGISTRO.INI in the Windows directory.
//
// The file is an INI file. A section names a key as its root key, a '\' and the key path;
// each line in it is a value, "name=text". The name "@" (or an empty name) is the key's
// default value. Root keys are written in full (HKEY_LOCAL_MACHINE) or short (HKLM), and
// names match regardless of letter case, as the registry's do. A text of the form
// "dword:0000001a" is a number value, not a string. For example:
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\TCTS\Mbrola\databases\BR4]
//   @=c:\palmir\elzartts\br4
//
// Lines starting with ';' are comments. Values are trimmed of blanks and lose one pair of
// surrounding quotes.
#pragma once
#include <string>
#include <string_view>

#include "platform/paths.h"

namespace elzar {

enum class RegistryRoot { classes_root, current_user, local_machine, users, current_config };

// Where the registry file lies.
struct Registry {
  const plat::DriveTable* drives = nullptr;
  std::string windows_dir = "c:\\windows";  // script form
};

inline constexpr size_t kRegistryValueMax = 4095;  // longer texts are cut

// The string value that path names under root: the path's last '\' separates the key from
// the value name (nothing after it: the default value). False when the file, the key or
// the value is missing, or the value is not a string; out is then left empty.
bool read_registry_string(const Registry& reg, RegistryRoot root, std::string_view path,
                          std::string& out);

// The host path of REGISTRO.INI, if the Windows directory's drive exists.
std::string registry_file(const Registry& reg);

}  // namespace elzar
