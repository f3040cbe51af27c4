#include "platform/shell.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>

#include "platform/text.h"

namespace plat {
namespace {

bool is_program_file(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(p.c_str(), X_OK) == 0;
}

bool exists(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0;
}

bool is_alpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// scheme: with a scheme of two letters or more (one letter is a drive), or www.
bool is_link(std::string_view n) {
  if (n.size() > 4 && (n[0] == 'w' || n[0] == 'W') && (n[1] == 'w' || n[1] == 'W') &&
      (n[2] == 'w' || n[2] == 'W') && n[3] == '.')
    return true;
  if (n.empty() || !is_alpha(n[0])) return false;
  size_t i = 1;
  while (i < n.size() && (is_alpha(n[i]) || (n[i] >= '0' && n[i] <= '9') || n[i] == '+' || n[i] == '-' || n[i] == '.'))
    ++i;
  return i >= 2 && i + 1 < n.size() && n[i] == ':';
}

Target classify(const std::string& p) {
  if (is_program_file(p)) return {TargetKind::program, p};
  if (exists(p)) return {TargetKind::document, p};
  return {};
}

Target look_up(const std::string& name) {
  if (name.find('/') != std::string::npos) return classify(name);
  const std::string lib = libexec_folder() + "/" + name;
  if (is_program_file(lib)) return {TargetKind::program, lib};
  if (const char* path = std::getenv("PATH")) {
    std::string_view rest = path;
    for (;;) {
      const size_t colon = rest.find(':');
      // An empty entry is the current directory, as for execvp.
      const std::string dir = colon == 0 || rest.empty() ? std::string(".") : std::string(rest.substr(0, colon));
      const std::string p = dir + "/" + name;
      if (is_program_file(p)) return {TargetKind::program, p};
      if (colon == std::string_view::npos) break;
      rest.remove_prefix(colon + 1);
    }
  }
  // Scripts expect programs and documents in the current directory to be found too.
  std::string here = "./";
  here += name;
  return classify(here);
}

// Everything exec needs, made before fork so the child only calls exec.
struct ExecImage {
  std::string path;
  std::vector<std::string> args;
  std::vector<char*> argv;
  std::vector<char*> sh_argv;  // /bin/sh PATH ARGS..., for a program file without #!
};

bool prepare(const Target& t, const std::vector<std::string>& argv, ExecImage& img) {
  if (t.kind == TargetKind::missing) return false;
  if (t.kind == TargetKind::program) {
    img.path = t.path;
    img.args = argv;
    if (img.args.empty()) img.args.push_back(t.path);
  } else {
    Target opener = find_target(nullptr, "xdg-open");
    if (opener.kind != TargetKind::program) return false;
    img.path = opener.path;
    img.args = {"xdg-open", t.path};
  }
  for (auto& a : img.args) img.argv.push_back(a.data());
  img.argv.push_back(nullptr);
  img.sh_argv.push_back(const_cast<char*>("/bin/sh"));
  img.sh_argv.push_back(img.path.data());
  for (size_t i = 1; i < img.args.size(); ++i) img.sh_argv.push_back(img.args[i].data());
  img.sh_argv.push_back(nullptr);
  return true;
}

int run_image(const ExecImage& img) {
  ::execv(img.path.c_str(), img.argv.data());
  if (errno == ENOEXEC) ::execv("/bin/sh", img.sh_argv.data());
  return errno;
}

struct Child {
  pid_t pid;
  std::string title;
};

class ProcessShell : public Shell {
 public:
  explicit ProcessShell(const DriveTable* drives) : drives_(drives) {}
  ~ProcessShell() override { reap(); }

  bool open(std::string_view program, std::string_view parameters) override {
    reap();
    const std::string name = cp1252_to_utf8(program);
    const Target t = find_target(drives_, name);
    std::vector<std::string> argv{name};
    for (auto& w : split_words(cp1252_to_utf8(parameters)).words) argv.push_back(std::move(w));
    ExecImage img;
    if (!prepare(t, argv, img)) return false;
    const pid_t pid = spawn(img);
    if (pid <= 0) return false;
    children_.push_back({pid, t.kind == TargetKind::program ? utf8_to_cp1252(t.path) : std::string(program)});
    front_ = pid;
    return true;
  }

  std::optional<std::string> running_title() override {
    reap();
    // Only the latest one is in front; those started before it run on behind it.
    for (const auto& c : children_) {
      if (c.pid == front_) return c.title;
    }
    return std::nullopt;
  }

 private:
  void reap() {
    for (size_t i = 0; i < children_.size();) {
      int st = 0;
      const pid_t r = ::waitpid(children_[i].pid, &st, WNOHANG);
      if (r == children_[i].pid || (r < 0 && errno != EINTR)) {
        children_.erase(children_.begin() + static_cast<std::ptrdiff_t>(i));
      } else {
        ++i;
      }
    }
  }

  static pid_t spawn(const ExecImage& img) {
    const int null_fd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null_fd < 0) return -1;
    // Above 0-2 even when ours are closed, so the dup2 calls below never clobber it.
    const int devnull = ::fcntl(null_fd, F_DUPFD_CLOEXEC, 3);
    ::close(null_fd);
    if (devnull < 0) return -1;
    const bool out_tty = ::isatty(1) == 1, err_tty = ::isatty(2) == 1;
    long max_fd = ::sysconf(_SC_OPEN_MAX);
    if (max_fd < 0 || max_fd > 65536) max_fd = 65536;
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
      ::close(devnull);
      return -1;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
      sigset_t none;
      sigemptyset(&none);
      ::sigprocmask(SIG_SETMASK, &none, nullptr);
      struct sigaction dfl {};
      dfl.sa_handler = SIG_DFL;
      sigemptyset(&dfl.sa_mask);
      for (int s = 1; s < NSIG; ++s) {
        if (s != SIGKILL && s != SIGSTOP) ::sigaction(s, &dfl, nullptr);
      }
      ::setsid();
      ::dup2(devnull, 0);
      if (out_tty) ::dup2(devnull, 1);
      if (err_tty) ::dup2(devnull, 2);
      if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
        for (int fd = 3; fd < max_fd; ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
      }
      const int err = run_image(img);
      ssize_t ignored = ::write(report[1], &err, sizeof err);
      (void)ignored;
      ::_exit(127);
    }
    ::close(report[1]);
    ::close(devnull);
    if (pid < 0) {
      ::close(report[0]);
      return -1;
    }
    int err = 0;
    ssize_t got;
    do {
      got = ::read(report[0], &err, sizeof err);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (got > 0) {
      // exec failed: the child is ending; take it now.
      while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
      }
      return -1;
    }
    return pid;
  }

  const DriveTable* drives_;
  std::vector<Child> children_;  // every started program not yet reaped
  pid_t front_ = -1;
};

}  // namespace

std::string program_folder() {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  return std::filesystem::path(std::string(buf, static_cast<size_t>(n))).parent_path().string();
}

std::string libexec_folder() {
  namespace fs = std::filesystem;
  const fs::path here = program_folder();
  std::error_code ec;
  if (fs::is_regular_file(here / "rlstub", ec)) return here.string();
  const fs::path installed = here.parent_path() / "libexec" / "roteiral";
  if (fs::is_directory(installed, ec)) return installed.string();
  return (here.parent_path() / "libexec").string();
}

std::string installed_root() {
  namespace fs = std::filesystem;
  const fs::path here = program_folder();
  const fs::path candidates[] = {here.parent_path() / "root",
                                 here.parent_path() / "share" / "roteiral" / "root",
                                 here.parent_path().parent_path() / "share" / "roteiral" / "root"};
  for (const fs::path& p : candidates) {
    std::error_code ec;
    if (!fs::is_directory(p, ec)) continue;
    fs::path canon = fs::canonical(p, ec);
    if (!ec) return canon.string();
  }
  return {};
}

std::string family_root() {
  if (const char* r = std::getenv("ROTEIRAL_ROOT"); r && *r) return r;
  std::string beside = installed_root();
  return beside.empty() ? std::string(ROTEIRAL_DATA_ROOT) : beside;
}

Target find_target(const DriveTable* drives, std::string_view name) {
  if (name.empty() || name.find('\0') != std::string_view::npos) return {};
  if (is_link(name)) return {TargetKind::link, std::string(name)};
  std::string host(name);
  const bool script_path = (name.size() >= 2 && is_alpha(name[0]) && name[1] == ':') ||
                           name.find('\\') != std::string_view::npos;
  if (script_path) {
    if (!drives) return {};
    auto h = host_path(*drives, utf8_to_cp1252(name));
    if (!h) return {};
    host = *h;
  }
  Target t = look_up(host);
  if (t.kind != TargetKind::missing) return t;
  const size_t n = host.size();
  if (n > 4 && host[n - 4] == '.' && (host[n - 3] | 32) == 'e' && (host[n - 2] | 32) == 'x' && (host[n - 1] | 32) == 'e')
    return look_up(host.substr(0, n - 4));
  return {};
}

int exec_target(const Target& target, const std::vector<std::string>& argv) {
  ExecImage img;
  if (!prepare(target, argv, img)) return ENOENT;
  return run_image(img);
}

std::unique_ptr<Shell> make_process_shell(const DriveTable* drives) {
  return std::make_unique<ProcessShell>(drives);
}

}  // namespace plat
