#include "tts/minireg.h"

#include <cstdio>
#include <optional>

namespace elzar {
namespace {

// A registry file is a few kilobytes; anything this large is not one.
constexpr long kMaxRegistryBytes = 4 * 1024 * 1024;

std::optional<std::string> read_file(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return std::nullopt;
  std::string data;
  char buf[16384];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
    data.append(buf, n);
    if (data.size() > static_cast<size_t>(kMaxRegistryBytes)) {
      std::fclose(f);
      return std::nullopt;
    }
  }
  std::fclose(f);
  return data;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

// Windows-1252 letters fold the way the registry compares names.
unsigned char fold(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
  if (c >= 224 && c <= 254 && c != 247) return static_cast<unsigned char>(c - 32);
  return c;
}

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (fold(static_cast<unsigned char>(a[i])) != fold(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

struct RootNames {
  std::string_view full, brief;
};

RootNames root_names(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::classes_root: return {"HKEY_CLASSES_ROOT", "HKCR"};
    case RegistryRoot::current_user: return {"HKEY_CURRENT_USER", "HKCU"};
    case RegistryRoot::local_machine: return {"HKEY_LOCAL_MACHINE", "HKLM"};
    case RegistryRoot::users: return {"HKEY_USERS", "HKU"};
    case RegistryRoot::current_config: return {"HKEY_CURRENT_CONFIG", "HKCC"};
  }
  return {"", ""};
}

// Key paths compare without doubled, leading or trailing '\'.
std::string tidy_key(std::string_view key) {
  std::string out;
  for (char c : key) {
    if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
    out += c;
  }
  if (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

// Whether a section header names root\key.
bool section_names(std::string_view section, RegistryRoot root, const std::string& key) {
  section = trim(section);
  const size_t slash = section.find('\\');
  const std::string_view head = section.substr(0, slash);
  const RootNames names = root_names(root);
  if (!same_name(head, names.full) && !same_name(head, names.brief)) return false;
  const std::string rest = slash == std::string_view::npos ? std::string() : tidy_key(section.substr(slash + 1));
  return same_name(rest, key);
}

bool is_default_name(std::string_view name) { return name.empty() || name == "@"; }

std::string_view unquote(std::string_view v) {
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') return v.substr(1, v.size() - 2);
  return v;
}

bool is_number_value(std::string_view v) { return v.size() >= 6 && same_name(v.substr(0, 6), "dword:"); }

}  // namespace

std::string registry_file(const Registry& reg) {
  if (!reg.drives) return std::string();
  std::string dir = reg.windows_dir;
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  return plat::host_path(*reg.drives, dir + "REGISTRO.INI").value_or(std::string());
}

bool read_registry_string(const Registry& reg, RegistryRoot root, std::string_view path, std::string& out) {
  out.clear();
  const size_t last = path.rfind('\\');
  const std::string key = tidy_key(last == std::string_view::npos ? std::string_view() : path.substr(0, last));
  const std::string_view value_name = last == std::string_view::npos ? path : path.substr(last + 1);

  const std::string file_path = registry_file(reg);
  if (file_path.empty()) return false;
  const std::optional<std::string> file = read_file(file_path);
  if (!file) return false;

  const std::string_view text = *file;
  bool in_key = false;
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
      const size_t close = line.rfind(']');
      in_key = close != std::string_view::npos && section_names(line.substr(1, close - 1), root, key);
      continue;
    }
    if (!in_key) continue;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view name = trim(line.substr(0, eq));
    const bool wanted = is_default_name(value_name) ? is_default_name(name) : same_name(name, value_name);
    if (!wanted) continue;
    const std::string_view value = unquote(trim(line.substr(eq + 1)));
    if (is_number_value(value)) return false;
    out.assign(value.substr(0, kRegistryValueMax));
    return true;
  }
  return false;
}

}  // namespace elzar
