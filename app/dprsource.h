// Reading the program source the converter writes: program name, title and script lines.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace app {

// The script store of a program holds at most this many lines.
inline constexpr int kMaxScriptLines = 500000;
// Reporting stops after this many faults, as a compiler's does.
inline constexpr int kMaxFaults = 100;

struct DprFault {
  int line = 0;  // 1-based line of the source
  std::string message;
};

struct DprProgram {
  std::string name;                // the text after `program`
  std::string title;               // the argument of inicializa, as written
  std::vector<std::string> lines;  // the script array, line 1 first, exactly as written
  int source_lines = 0;            // lines of the source text
  std::vector<DprFault> faults;    // empty when the source compiles

  bool ok() const { return faults.empty(); }
};

// Reads a source of the shape the converter writes. Keywords and the names of the
// constant, the loop variable and the array are free in letter case and spacing, and
// comments may stand between them; each script line is the text between the first `'`
// of its line and the `',` (or `');` on the last one) that ends it, with nothing undone:
// the converter never doubles quotes. Lines end in LF or CR LF.
DprProgram read_dpr(std::string_view source);

}  // namespace app
