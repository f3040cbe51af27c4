#include "commands/files.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "commands/fd.h"

namespace cmds {
namespace {

int open_source(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  // A directory opens for reading on Linux but not as a file on the scripts' platform.
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

CopyReport copy_stream(int source_fd, int target_fd) {
  CopyReport report;
  auto buffer = std::make_unique<char[]>(kCopyBlock);
  for (;;) {
    ssize_t got = read_some(source_fd, buffer.get(), kCopyBlock);
    if (got < 0) {
      report.result = CopyResult::read_failed;
      return report;
    }
    if (got == 0) return report;  // the end of the source
    report.blocks.push_back(static_cast<size_t>(got));
    if (write_all(target_fd, buffer.get(), static_cast<size_t>(got)) != static_cast<size_t>(got)) {
      report.result = CopyResult::write_failed;
      return report;
    }
  }
}

CopyReport copy_file(const std::string& source, const std::string& target) {
  CopyReport report;
  if (same_file(source, target)) {
    report.result = CopyResult::same_file;
    return report;
  }
  Fd in(open_source(source));
  if (in.get() < 0) {
    report.result = CopyResult::source_open_failed;
    return report;
  }
  Fd out(::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (out.get() < 0) {
    report.result = CopyResult::target_open_failed;
    return report;
  }
  report = copy_stream(in.get(), out.get());
  // Errors of closing are discarded, as the design says; a full disk shows at write.
  in.close();
  out.close();
  return report;
}

bool remove_file(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  return ::unlink(path.c_str()) == 0;
}

bool same_file(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool rename_file(const std::string& from, const std::string& to) {
  struct stat sf, st;
  if (::lstat(from.c_str(), &sf) != 0) return false;
  if (from == to) return true;
  if (::lstat(to.c_str(), &st) == 0) {
    // Two names of one file (a hard link): nothing to move, and nothing may be lost.
    return false;
  }
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  int err = errno;
  if (err == EINVAL || err == ENOSYS) {
    // A file system without the no-replace flag; the target was absent a moment ago.
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    err = errno;
  }
  if (err != EXDEV || !S_ISREG(sf.st_mode)) return false;
  // Another file system: copy, then delete the original; a failed copy leaves no target.
  Fd in(open_source(from));
  if (in.get() < 0) return false;
  Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, sf.st_mode & 07777));
  if (out.get() < 0) return false;
  bool ok = copy_stream(in.get(), out.get()).result == CopyResult::ok;
  ok = out.close() && ok;
  if (!ok) {
    ::unlink(to.c_str());
    return false;
  }
  return ::unlink(from.c_str()) == 0;
}

bool make_directory(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }
bool remove_directory(const std::string& path) { return ::rmdir(path.c_str()) == 0; }
bool change_directory(const std::string& path) { return ::chdir(path.c_str()) == 0; }

}  // namespace cmds
