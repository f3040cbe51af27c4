#include "platform/braille_link.h"

#include <brlapi.h>
#include <signal.h>

#include <cstring>
#include <vector>

namespace plat {
namespace {

class BrlapiLink final : public BrailleLink {
 public:
  BrlapiLink() : handle_(brlapi_getHandleSize()) {}
  ~BrlapiLink() override {
    if (!opened_) return;
    if (in_tty_) brlapi__leaveTtyMode(handle());
    brlapi__closeConnection(handle());
  }

  bool open(std::string* why) {
    brlapi_connectionSettings_t wanted = BRLAPI_SETTINGS_INITIALIZER;
    if (brlapi__openConnection(handle(), &wanted, nullptr) < 0) return fail(why);
    opened_ = true;
    unsigned int x = 0, y = 0;
    if (brlapi__getDisplaySize(handle(), &x, &y) < 0 || x == 0) return fail(why);
    columns_ = static_cast<int>(x);
    if (brlapi__enterTtyModeWithPath(handle(), nullptr, 0, nullptr) < 0) return fail(why);
    in_tty_ = true;
    return true;
  }

  int columns() const override { return columns_; }
  bool alive() const override { return alive_; }

  bool show(const std::string& utf8, int cursor) override {
    if (!alive_) return false;
    brlapi_writeArguments_t w = BRLAPI_WRITEARGUMENTS_INITIALIZER;
    w.regionBegin = 1;
    w.regionSize = columns_;
    w.text = utf8.c_str();
    w.textSize = static_cast<int>(utf8.size());
    w.charset = const_cast<char*>("UTF-8");
    w.cursor = cursor >= 0 && cursor < columns_ ? cursor + 1 : BRLAPI_CURSOR_OFF;
    if (brlapi__write(handle(), &w) < 0) alive_ = false;
    return alive_;
  }

  std::optional<BrailleInput> poll() override {
    if (!alive_) return std::nullopt;
    brlapi_keyCode_t code = 0;
    const int got = brlapi__readKey(handle(), 0, &code);
    if (got < 0) {
      alive_ = false;
      return std::nullopt;
    }
    if (got == 0) return std::nullopt;
    return translate(code);
  }

 private:
  brlapi_handle_t* handle() { return reinterpret_cast<brlapi_handle_t*>(handle_.data()); }

  bool fail(std::string* why) {
    if (why) *why = brlapi_strerror(&brlapi_error);
    alive_ = false;
    return false;
  }

  static std::optional<BrailleInput> translate(brlapi_keyCode_t code) {
    BrailleInput in;
    in.shift = (code & BRLAPI_KEY_FLG_SHIFT) != 0;
    in.ctrl = (code & BRLAPI_KEY_FLG_CONTROL) != 0;
    in.alt = (code & BRLAPI_KEY_FLG_META) != 0;
    if ((code & BRLAPI_KEY_TYPE_MASK) == BRLAPI_KEY_TYPE_SYM) {
      in.command = BrailleCommand::key;
      in.keysym = static_cast<uint32_t>(code & BRLAPI_KEY_CODE_MASK);
      return in;
    }
    const brlapi_keyCode_t block = code & BRLAPI_KEY_CMD_BLK_MASK;
    const int arg = static_cast<int>(code & BRLAPI_KEY_CMD_ARG_MASK);
    if (block == BRLAPI_KEY_CMD_ROUTE) {
      in.command = BrailleCommand::route;
      in.cell = arg;
      return in;
    }
    if (block != 0) return std::nullopt;
    switch (code & BRLAPI_KEY_CODE_MASK) {
      case BRLAPI_KEY_CMD_FWINLT: case BRLAPI_KEY_CMD_FWINLTSKIP:
        in.command = BrailleCommand::pan_left; break;
      case BRLAPI_KEY_CMD_FWINRT: case BRLAPI_KEY_CMD_FWINRTSKIP:
        in.command = BrailleCommand::pan_right; break;
      case BRLAPI_KEY_CMD_LNUP: case BRLAPI_KEY_CMD_PRDIFLN: in.command = BrailleCommand::line_up; break;
      case BRLAPI_KEY_CMD_LNDN: case BRLAPI_KEY_CMD_NXDIFLN: in.command = BrailleCommand::line_down; break;
      case BRLAPI_KEY_CMD_TOP: case BRLAPI_KEY_CMD_TOP_LEFT: in.command = BrailleCommand::top; break;
      case BRLAPI_KEY_CMD_BOT: case BRLAPI_KEY_CMD_BOT_LEFT: in.command = BrailleCommand::bottom; break;
      case BRLAPI_KEY_CMD_HOME: case BRLAPI_KEY_CMD_RETURN: in.command = BrailleCommand::home; break;
      default: return std::nullopt;
    }
    return in;
  }

  std::vector<unsigned char> handle_;
  bool opened_ = false;
  bool in_tty_ = false;
  bool alive_ = true;
  int columns_ = 0;
};

}  // namespace

std::unique_ptr<BrailleLink> open_brlapi_link(std::string* why) {
  // A daemon that goes away must fail a write, not end the program.
  ::signal(SIGPIPE, SIG_IGN);
  auto link = std::make_unique<BrlapiLink>();
  if (!link->open(why)) return nullptr;
  return link;
}

}  // namespace plat
