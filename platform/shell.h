// Shell: starting programs, opening documents and links, and what the started ones are doing.
#pragma once
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cmdline.h"
#include "platform/paths.h"

namespace plat {

enum class TargetKind { missing, program, document, link };

// What a name given to the shell stands for; path is the host path (UTF-8) of the
// program or document, or the link itself.
struct Target {
  TargetKind kind = TargetKind::missing;
  std::string path;
};

// The folder of the running program.
std::string program_folder();
// The program's private folder of helper programs: the running program's own folder when
// it is one of them, else <folder>/../libexec/roteiral when installed, else <folder>/../libexec
// (a build tree).
std::string libexec_folder();
// The family root laid out beside the programs: <folder>/../root in a build tree,
// <prefix>/share/roteiral/root when installed (from bin/ or libexec/roteiral/); empty when
// there is none.
std::string installed_root();
// Drive c:: ROTEIRAL_ROOT when set, else installed_root(), else the root of the prefix
// the programs were built for.
std::string family_root();

// name is UTF-8; one with a drive letter or a backslash is a script path (host_path).
// A name with no '/' is looked up in libexec_folder(), then on PATH, then in the current
// directory; an existing file that is not a program is a document; a URL is a link.
// A trailing ".exe" that finds nothing is tried without it.
Target find_target(const DriveTable* drives, std::string_view name);

// Replaces this process with the program (or with xdg-open for a document or link); a
// program file without a #! line runs through /bin/sh. Returns errno when it could not.
int exec_target(const Target& target, const std::vector<std::string>& argv);

// Starting things and watching them, behind an interface so tests can record instead.
class Shell {
 public:
  virtual ~Shell() = default;
  // program and parameters are Windows-1252, as the script gives them; the parameters are
  // split like a command line. False when nothing was started.
  virtual bool open(std::string_view program, std::string_view parameters) = 0;
  // The title of the most recently started program while it runs (programs started here
  // have no window of their own, so it is in front); nullopt once it has ended, even when
  // programs started before it still run.
  virtual std::optional<std::string> running_title() = 0;
};

// The real shell: fork/exec, xdg-open for documents and links. Children get stdin from
// /dev/null, default signal handling, an empty signal mask, a session of their own and no
// descriptors of ours beyond 0-2; a terminal on stdout or stderr (the console's screen)
// becomes /dev/null for them. Ended children are reaped on every call.
std::unique_ptr<Shell> make_process_shell(const DriveTable* drives);

// Test double: records every request and plays a program that runs for a number of polls.
class RecordingShell : public Shell {
 public:
  struct Request {
    std::string program;
    std::string parameters;
  };
  std::vector<Request> requests;
  bool accept = true;        // what open() answers
  int polls_running = 0;     // running_title() reports the program for this many calls
  std::string title = "programa";
  int polls = 0;             // calls of running_title() so far

  bool open(std::string_view program, std::string_view parameters) override {
    requests.push_back({std::string(program), std::string(parameters)});
    left_ = accept ? polls_running : 0;
    return accept;
  }
  std::optional<std::string> running_title() override {
    ++polls;
    if (left_ <= 0) return std::nullopt;
    --left_;
    return title;
  }

 private:
  int left_ = 0;
};

}  // namespace plat
