// mci: media control strings (open, play, status mode, stop, close) over decoded sound files.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// A whole sound as 16-bit signed interleaved samples.
struct DecodedSound {
  int rate = 0;
  int channels = 0;
  std::vector<int16_t> samples;
};

// Decoded sound is refused beyond this many samples rather than filling the memory.
inline constexpr size_t kMaxMediaSamples = 32u << 20;

// Decodes by content, whatever the name says: a Standard MIDI File is rendered with the
// General MIDI sound font, anything else goes to libsndfile (WAV, FLAC, Ogg...).
// False with a reason when the file is missing or holds no sound we know.
bool decode_media(const std::string& host_path, DecodedSound& out, std::string& error);

enum class MciVerb { open, play, status_mode, stop, close };

struct MciCommand {
  MciVerb verb = MciVerb::open;
  std::string target;  // file for open, device (or file for play) otherwise; "all" allowed for stop/close
  std::string alias;   // open only; empty when none was given
};

// Parses one command string; nullopt for anything outside the verbs above.
std::optional<MciCommand> parse_mci(std::string_view text);

// What the mci layer needs from the sound side.
class MciSink {
 public:
  virtual ~MciSink() = default;
  // The host path of a file name as scripts write it; nullopt when it cannot be had.
  virtual std::optional<std::string> host_path(std::string_view name) = 0;
  // Starts handing this sound to the player; it stays alive until stop or close.
  virtual void start(const DecodedSound& sound) = 0;
  // Whether the sound started last is still sounding (the sink may feed more here).
  virtual bool playing() = 0;
  virtual void stop() = 0;
};

struct MciDevice {
  std::string alias;  // folded to upper case
  std::unique_ptr<DecodedSound> sound;
  bool by_play = false;  // opened by "play FILE": replaced by the next such play
};

struct MciState {
  std::vector<MciDevice> devices;
  int playing = -1;  // index into devices, or -1
};

inline constexpr size_t kMciReplyMax = 255;
inline constexpr size_t kMciDevicesMax = 64;

// Sends one command string; the reply (cut to kMciReplyMax) is "" on success, the mode
// for status, or an error text beginning "erro". A failed command changes nothing.
std::string mci_send(MciState& st, MciSink& sink, std::string_view command);
// Stops and closes everything.
void mci_close_all(MciState& st, MciSink& sink);

}  // namespace plat
