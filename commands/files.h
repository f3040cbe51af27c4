// File system: delete, rename and copy whole files, and the directory operations of DIR.
// Every path here is a host path (UTF-8, as plat::host_path gives it).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cmds {

// REPLICA copies through one buffer of this size.
inline constexpr size_t kCopyBlock = 30000;

enum class CopyResult {
  ok,
  source_open_failed,  // missing, a directory, or not readable
  target_open_failed,  // could not be created or truncated
  same_file,           // source and target are one file: refused before anything is truncated
  read_failed,
  write_failed,
};

struct CopyReport {
  CopyResult result = CopyResult::ok;
  std::vector<size_t> blocks;  // the size of every block read, in order
};

// Byte-for-byte copy; the target is created or truncated only after the source opened.
CopyReport copy_file(const std::string& source, const std::string& target);
// The block loop alone, over open descriptors (the source read to its end).
CopyReport copy_stream(int source_fd, int target_fd);

// Deletes a file (never a directory).
bool remove_file(const std::string& path);
// Renames or moves a file or directory. Like the platform the scripts were written for,
// an existing target is never replaced; a file moved to another file system is copied
// and then deleted.
bool rename_file(const std::string& from, const std::string& to);

bool make_directory(const std::string& path);
bool remove_directory(const std::string& path);  // only an empty one
bool change_directory(const std::string& path);

// True when both names exist and are the same file (same device and inode).
bool same_file(const std::string& a, const std::string& b);

}  // namespace cmds
