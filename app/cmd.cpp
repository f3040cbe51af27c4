// cmd: the small command processor the scripts call as "cmd /c COMMAND LINE".
//
// One command with its redirections; the program is looked up as the shell layer does
// (libexec, then PATH) and this process becomes it, so its exit status is ours.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/cmdline.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace {

// What a parent on Linux sees of this is 9009 & 255 = 49.
constexpr int kNotRecognised = 9009;

// A message line: UTF-8 on a terminal, Windows-1252 with CR LF in a file, as logs are read.
void say(int fd, const std::string& cp1252) {
  std::string out;
  if (::isatty(fd) == 1) {
    out = plat::cp1252_to_utf8(cp1252) + "\n";
  } else {
    out = cp1252 + "\r\n";
  }
  size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::write(fd, out.data() + done, out.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

bool is_script_path(const std::string& n) {
  const bool drive = n.size() >= 2 && ((n[0] | 32) >= 'a' && (n[0] | 32) <= 'z') && n[1] == ':';
  return drive || n.find('\\') != std::string::npos;
}

struct OpenRedirect {
  plat::Redirect r;
  int fd = -1;  // the file opened for it, above 9 so no redirection lands on it
};

int keep_high(int fd) {
  if (fd < 0) return fd;
  const int high = ::fcntl(fd, F_DUPFD_CLOEXEC, 10);
  ::close(fd);
  return high;
}

// The command's text as it was written: one argument is the whole line (from a shell);
// several are joined back, quoting those that hold blanks.
std::string command_line(const std::vector<std::string>& words, const plat::DriveTable& drives) {
  if (words.size() == 1) {
    const std::string& w = words[0];
    const bool one_name = w.find_first_of(" \t") != std::string::npos &&
                          plat::find_target(&drives, w).kind == plat::TargetKind::program;
    return one_name ? plat::join_words(words) : w;
  }
  return plat::join_words(words);
}

}  // namespace

int main(int argc, char** argv) {
  int i = 1;
  bool run = false;
  for (; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "/c" || a == "/C") {
      run = true;
      ++i;
      break;
    }
    if (a.size() == 2 && a[0] == '/' && std::string("qQdDsS").find(a[1]) != std::string::npos) continue;
    break;
  }
  if (!run) {
    say(2, "Uso: cmd /c COMANDO");
    return 1;
  }
  const plat::DriveTable drives = plat::DriveTable::from_environment(plat::family_root());
  const std::string line = plat::strip_line_quotes(
      command_line(std::vector<std::string>(argv + i, argv + argc), drives),
      [&drives](const std::string& name) { return plat::find_target(&drives, name).kind == plat::TargetKind::program; });

  const plat::ParsedCommand parsed = plat::parse_command(line);
  switch (parsed.error) {
    case plat::ParseError::none: break;
    case plat::ParseError::unbalanced_quotes:
      say(2, "cmd: aspas sem par na linha de comando.");
      return 1;
    case plat::ParseError::unsupported_operator:
      say(2, "cmd: o operador " + plat::utf8_to_cp1252(parsed.detail) + " n\xE3o \xE9 suportado.");
      return 1;
    case plat::ParseError::missing_target:
      say(2, "A sintaxe do comando est\xE1 incorreta.");
      return 1;
  }
  const plat::Command& cmd = parsed.command;
  if (cmd.words.empty()) return 0;

  const plat::Target target = plat::find_target(&drives, cmd.words[0]);
  const bool found = target.kind != plat::TargetKind::missing;

  // Every file is opened before any is changed, so a redirection that fails leaves the
  // others as they were; and a command that cannot start truncates nothing.
  std::vector<OpenRedirect> opened;
  for (const auto& r : cmd.redirects) {
    OpenRedirect o{r, -1};
    if (r.kind != plat::RedirectKind::duplicate) {
      std::string path = r.target;
      if (is_script_path(path)) {
        auto host = plat::host_path(drives, plat::utf8_to_cp1252(path));
        if (!host) {
          say(2, "O sistema n\xE3o pode encontrar o caminho especificado.");
          return 1;
        }
        path = *host;
      }
      int flags = r.kind == plat::RedirectKind::read ? O_RDONLY : (O_WRONLY | O_CREAT);
      if (r.kind == plat::RedirectKind::append) flags |= O_APPEND;
      o.fd = keep_high(::open(path.c_str(), flags | O_CLOEXEC, 0666));
      if (o.fd < 0) {
        if (errno == EACCES || errno == EISDIR) say(2, "Acesso negado.");
        else if (r.kind == plat::RedirectKind::read) say(2, "O sistema n\xE3o pode encontrar o arquivo especificado.");
        else say(2, "O sistema n\xE3o pode encontrar o caminho especificado.");
        return 1;
      }
    }
    opened.push_back(o);
  }
  for (auto& o : opened) {
    if (o.r.kind != plat::RedirectKind::write) continue;
    struct stat st;
    const bool regular = ::fstat(o.fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!regular) continue;
    if (found) {
      if (::ftruncate(o.fd, 0) != 0) {
        say(2, "Acesso negado.");
        return 1;
      }
    } else {
      ::lseek(o.fd, 0, SEEK_END);
    }
  }
  const int saved_err = keep_high(::dup(2));
  for (const auto& o : opened) {
    const int from = o.r.kind == plat::RedirectKind::duplicate ? o.r.to_fd : o.fd;
    if (::dup2(from, o.r.fd) < 0) {
      say(saved_err >= 0 ? saved_err : 2, "O identificador \xE9 inv\xE1lido.");
      return 1;
    }
  }
  const std::string not_recognised = "'" + plat::utf8_to_cp1252(cmd.words[0]) +
                                     "' n\xE3o \xE9 reconhecido como um comando interno ou externo, "
                                     "um programa oper\xE1vel ou um arquivo em lotes.";
  if (!found) {
    say(2, not_recognised);
    return kNotRecognised;
  }
  const int err = plat::exec_target(target, cmd.words);
  if (err == ENOENT) {
    say(2, not_recognised);
    return kNotRecognised;
  }
  say(2, "Acesso negado.");
  return 1;
}
