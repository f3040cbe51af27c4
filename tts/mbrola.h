// The synthesiser behind the engine: phoneme lines in, 16-bit mono samples at 16000 Hz out.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace elzar {

inline constexpr int kMbrolaRate = 16000;

// Codes of lastError_MBR (0: no error since the last reset).
inline constexpr int kMbrolaErrDatabase = 1;      // init: missing, truncated or malformed voice
inline constexpr int kMbrolaErrNotReady = 2;      // no voice loaded
inline constexpr int kMbrolaErrBadLine = 3;       // a phoneme line that cannot be read
inline constexpr int kMbrolaErrUnknownPhoneme = 4;
inline constexpr int kMbrolaErrMissingDiphone = 5;
inline constexpr int kMbrolaErrQueueFull = 6;
inline constexpr int kMbrolaErrArgument = 7;      // a setting or call the synthesiser refuses

// Sample types of readtype_MBR.
inline constexpr int kMbrolaLin16 = 0, kMbrolaLin8 = 1, kMbrolaUlaw = 2, kMbrolaAlaw = 3;

// The 23 entry points of the synthesis library, as one interface. The engine uses init,
// set_no_error, reset, write, last_error, flush, read and close; the rest are there for
// callers that want them. Results follow the library's: negative or non-zero is an error.
class Mbrola {
 public:
  virtual ~Mbrola() = default;
  virtual int init_MBR(const std::string& database) = 0;  // < 0: failed
  virtual int init_rename_MBR(const std::string& database, const std::string& renames,
                              const std::string& clones) = 0;
  virtual int write_MBR(std::string_view lines) = 0;  // one or more lines of phoneme text
  virtual int flush_MBR() = 0;
  virtual int read_MBR(int16_t* buffer, int wanted) = 0;  // samples written, 0: none ready
  virtual int readtype_MBR(void* buffer, int wanted, int sample_type) = 0;
  virtual void close_MBR() = 0;
  virtual int reset_MBR() = 0;
  virtual int lastError_MBR() = 0;
  virtual int lastErrorStr_MBR(std::string& text) = 0;
  virtual void setNoError_MBR(int no_error) = 0;
  virtual int getNoError_MBR() = 0;
  virtual void setFreq_MBR(int frequency) = 0;
  virtual int getFreq_MBR() = 0;
  virtual void setVolumeRatio_MBR(float ratio) = 0;
  virtual float getVolumeRatio_MBR() = 0;
  virtual int getVersion_MBR(std::string& text) = 0;
  virtual int getDatabaseInfo_MBR(std::string& text, int index) = 0;
  virtual void setParser_MBR(int parser) = 0;
  virtual int init_Phone() = 0;
  virtual int reset_Phone() = 0;
  virtual int close_Phone() = 0;
  virtual int appendf0_Phone(float position, float frequency) = 0;
};

// The synthesiser the engine opens: always our own diphone synthesiser (no installed
// program is driven).
std::unique_ptr<Mbrola> open_mbrola();
// The built-in synthesiser only (tests, and when no program is installed).
std::unique_ptr<Mbrola> open_own_mbrola();

}  // namespace elzar
