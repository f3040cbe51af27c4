// dcc32: compiles the program source the converter writes into a standalone program.
//
// The program is the checking front (rlfront) and a copy of the runtime stub (rlstub),
// both beside this program, with the title and the script lines as a checked payload. Messages go to standard
// output as a compiler's do; any fault exits 1 and leaves an existing program alone.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "app/dprsource.h"
#include "app/exe_image.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace {

// A message line: UTF-8 on a terminal, Windows-1252 with CR LF in a log file.
void say(const std::string& cp1252) {
  std::string out = ::isatty(1) == 1 ? plat::cp1252_to_utf8(cp1252) + "\n" : cp1252 + "\r\n";
  size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::write(1, out.data() + done, out.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

// A script the converter copied from a UTF-8 file is embedded as the Windows-1252 text it
// stands for; the lines are judged together, as the file they came from.
void embed_as_cp1252(app::DprProgram& prog) {
  std::string joined;
  for (size_t i = 0; i < prog.lines.size(); ++i) {
    if (i) joined += '\n';
    joined += prog.lines[i];
  }
  plat::ScriptText t = plat::script_text_to_cp1252(joined);
  if (t.converted) {
    std::vector<std::string> lines;
    size_t pos = 0;
    for (size_t i = 0; i < prog.lines.size(); ++i) {
      const size_t lf = t.text.find('\n', pos);
      lines.push_back(t.text.substr(pos, lf == std::string::npos ? std::string::npos : lf - pos));
      pos = lf == std::string::npos ? t.text.size() : lf + 1;
    }
    prog.lines = std::move(lines);
  }
  plat::ScriptText title = plat::script_text_to_cp1252(prog.title);
  if (title.converted) prog.title = std::move(title.text);
}

bool is_regular(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool ends_with_dpr(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  for (auto& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return tail == ".dpr";
}

std::optional<std::string> read_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (f.bad()) return std::nullopt;
  return bytes;
}

// Writes the program beside its final name and moves it into place only when complete.
bool write_program(const std::string& libexec, const std::string& out_path, const app::Payload& payload,
                   std::string& why) {
  const std::string front_path = libexec + "/rlfront", runtime_path = libexec + "/rlstub";
  const int front = ::open(front_path.c_str(), O_RDONLY | O_CLOEXEC);
  const int runtime = ::open(runtime_path.c_str(), O_RDONLY | O_CLOEXEC);
  if (front < 0 || runtime < 0) {
    why = (front < 0 ? front_path : runtime_path) + ": " + std::strerror(errno);
    if (front >= 0) ::close(front);
    if (runtime >= 0) ::close(runtime);
    return false;
  }
  std::filesystem::path dir = std::filesystem::path(out_path).parent_path();
  std::string tmpl = (dir.empty() ? std::string(".") : dir.string()) + "/.dcc32-XXXXXX";
  const int out = ::mkostemp(tmpl.data(), O_CLOEXEC);
  if (out < 0) {
    why = std::strerror(errno);
    ::close(front);
    ::close(runtime);
    return false;
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  bool ok = app::write_image(front, runtime, out, payload, why);
  ::close(front);
  ::close(runtime);
  if (ok && (::fchmod(out, 0777 & ~mask) != 0 || ::fsync(out) != 0)) {
    why = std::strerror(errno);
    ok = false;
  }
  if (::close(out) != 0 && ok) {
    why = std::strerror(errno);
    ok = false;
  }
  if (ok && ::rename(tmpl.c_str(), out_path.c_str()) != 0) {
    why = std::strerror(errno);
    ok = false;
  }
  if (!ok) ::unlink(tmpl.c_str());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  say("Roteiral dcc32 compiler version 1.0");
  std::vector<std::string> names;
  for (int i = 1; i < argc; ++i) {
    // Options of the compiler it stands in for change nothing here.
    if (argv[i][0] == '-' && argv[i][1] != '\0') continue;
    names.emplace_back(argv[i]);
  }
  if (names.size() != 1) {
    say("Fatal: one source file expected: dcc32 NAME.dpr");
    return 1;
  }
  const std::string given = plat::utf8_to_cp1252(names[0]);
  const plat::DriveTable drives = plat::DriveTable::from_environment(plat::family_root());
  std::optional<std::string> path = plat::host_path(drives, given);
  if (path && !is_regular(*path) && !ends_with_dpr(*path)) {
    if (auto with_ext = plat::host_path(drives, given + ".dpr"); with_ext && is_regular(*with_ext)) path = with_ext;
  }
  std::optional<std::string> source = path ? read_file(*path) : std::nullopt;
  if (!source || !is_regular(*path)) {
    say("Fatal: File not found: '" + given + "'");
    return 1;
  }
  const std::string shown = plat::utf8_to_cp1252(std::filesystem::path(*path).filename().string());

  app::DprProgram prog = app::read_dpr(*source);
  if (!prog.ok()) {
    for (const auto& f : prog.faults) say(shown + "(" + std::to_string(f.line) + ") Error: " + f.message);
    if (static_cast<int>(prog.faults.size()) >= app::kMaxFaults) say(shown + " Fatal: Too many errors");
    say("Compilation failed: " + std::to_string(prog.faults.size()) + " error(s); no program written.");
    return 1;
  }

  embed_as_cp1252(prog);
  std::string out_path = ends_with_dpr(*path) ? path->substr(0, path->size() - 4) + ".exe" : *path + ".exe";
  app::Payload payload;
  payload.title = std::move(prog.title);
  payload.lines = std::move(prog.lines);
  payload.root = plat::installed_root();
  payload.libexec = plat::libexec_folder();
  std::string why;
  if (!write_program(plat::libexec_folder(), out_path, payload, why)) {
    say("Fatal: Could not create output file '" +
        plat::utf8_to_cp1252(std::filesystem::path(out_path).filename().string()) + "': " + why);
    return 1;
  }
  say(std::to_string(prog.source_lines) + " lines, " + std::to_string(payload.lines.size()) +
      " script lines, compiled.");
  return 0;
}
