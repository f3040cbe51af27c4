// The desktop speech service as an engine: texts queued through libspeechd, its begin, end
// and cancel events kept as a text counter and an audio flag.
#include <libspeechd.h>
#include <poll.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>

#include "console/ZnCrt.h"
#include "platform/text.h"
#include "speech/engines.h"

namespace speech {

int speechd_rate(int v) {
  if (v == 0) return 0;
  if (v >= -10 && v <= 10) return v * 10;
  if (v < -10) return -100;
  return std::clamp(static_cast<int>(std::lround((v - 180) / 2.0)), -100, 100);
}

int speechd_pitch(int t) {
  if (t == 0) return 0;
  if (t >= -10 && t <= 10) return t * 10;
  if (t < -10) return -100;
  return std::clamp(static_cast<int>(std::lround((t - 120) * 100.0 / 120.0)), -100, 100);
}

std::optional<size_t> speechd_voice_index(int voz, size_t voices) {
  if (voz < 1 || static_cast<size_t>(voz) > voices) return std::nullopt;
  return static_cast<size_t>(voz - 1);
}

namespace {

// Bytes of one text handed to the service.
constexpr size_t kSpeechdTextMax = 64000;

class SpeechdAdapter final : public EngineAdapter {
 public:
  explicit SpeechdAdapter(Speech& s) : s_(s) {}
  ~SpeechdAdapter() override {
    if (link_) link_->cancel();
  }

  void attach(std::unique_ptr<SpeechdLink> link) { link_ = std::move(link); }

  void event(SpeechdEvent e) {
    switch (e) {
      case SpeechdEvent::begin:
        audio_ = true;
        break;
      case SpeechdEvent::end:
      case SpeechdEvent::cancel: {
        audio_ = false;
        int n = texts_.load();
        while (n > 0 && !texts_.compare_exchange_weak(n, n - 1)) {
        }
        break;
      }
    }
  }

  void speak(std::string_view text) override {
    if (!link_ || !check_alive()) return;
    std::string t(text);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.pop_back();
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.erase(0, 1);
    if (t.empty()) return;
    if (t.size() == 1 && t[0] >= '0' && t[0] <= '9') t += '.';  // a lone digit is read as a number
    if (key_waiting()) return;
    // Long texts go in pieces, cut at a blank where there is one.
    std::string_view rest = t;
    while (!rest.empty()) {
      size_t n = rest.size();
      if (n > kSpeechdTextMax) {
        const size_t blank = rest.substr(0, kSpeechdTextMax).rfind(' ');
        n = (blank == std::string_view::npos || blank == 0) ? kSpeechdTextMax : blank;
      }
      ++texts_;
      if (!link_->say(plat::cp1252_to_utf8(rest.substr(0, n)))) {
        stop();
        return;
      }
      rest.remove_prefix(n);
      while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    }
  }

  bool speaking(int mode) override {
    if (!link_ || !check_alive()) return false;
    if (mode == 1) return texts_ > 0;
    return texts_ > 0 || audio_;
  }

  void stop() override {
    if (link_ && link_->alive()) link_->cancel();
    audio_ = false;
    texts_ = 0;
  }

  bool usable() override { return link_ && link_->alive(); }

  bool key_waiting() { return s_.console && s_.console->key_pressed(); }

 private:
  // A service that went away mid-sentence will send no end: nothing is speaking then.
  bool check_alive() {
    if (link_->alive()) return true;
    audio_ = false;
    texts_ = 0;
    return false;
  }

  Speech& s_;
  std::atomic<int> texts_{0};
  std::atomic<bool> audio_{false};
  // Last, so that it goes first: no event arrives once it is gone.
  std::unique_ptr<SpeechdLink> link_;
};

// Configures a fresh adapter; false when the voice asked for does not exist.
bool configure(SpeechdLink& link, const EngineRequest& r) {
  if (r.voice == 0) {
    link.set_language("pt-BR");
  } else {
    const std::vector<std::string> names = link.voices();
    const std::optional<size_t> index = speechd_voice_index(r.voice, names.size());
    if (!index || !link.set_voice(names[*index])) return false;
  }
  if (r.rate != 0) link.set_rate(speechd_rate(r.rate));
  if (r.pitch != 0) link.set_pitch(speechd_pitch(r.pitch));
  return true;
}

// --- libspeechd -------------------------------------------------------------------------

// libspeechd's callbacks carry no context, so the live links are found here. There is one
// engine per process; the table only keeps a callback from reaching a closed link.
struct LiveLinks {
  std::mutex lock;
  std::vector<class LibLink*> links;
};
LiveLinks& live_links() {
  static LiveLinks table;
  return table;
}

// SIGPIPE is held back while we write to the service's socket and a pending one of ours
// consumed, so a service that died cannot end the program.
class PipeGuard {
 public:
  PipeGuard() {
    sigemptyset(&set_);
    sigaddset(&set_, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &set_, &old_);
    sigset_t pending;
    sigpending(&pending);
    was_pending_ = sigismember(&pending, SIGPIPE);
  }
  ~PipeGuard() {
    if (!was_pending_) {
      const timespec zero{};
      while (sigtimedwait(&set_, nullptr, &zero) == SIGPIPE) {
      }
    }
    pthread_sigmask(SIG_SETMASK, &old_, nullptr);
  }

 private:
  sigset_t set_, old_;
  bool was_pending_ = false;
};

class LibLink final : public SpeechdLink {
 public:
  LibLink(SPDConnection* c, SpeechdEvents events) : c_(c), events_(std::move(events)) {
    std::lock_guard<std::mutex> g(live_links().lock);
    live_links().links.push_back(this);
  }
  ~LibLink() override {
    {
      std::lock_guard<std::mutex> g(live_links().lock);
      auto& v = live_links().links;
      v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    PipeGuard guard;
    spd_close(c_);
  }

  static void deliver(SpeechdEvent e) {
    std::lock_guard<std::mutex> g(live_links().lock);
    for (LibLink* l : live_links().links)
      if (l->events_) l->events_(e);
  }

  std::vector<std::string> voices() override {
    std::vector<std::string> out;
    PipeGuard guard;
    SPDVoice** list = spd_list_synthesis_voices(c_);
    if (!list) return out;
    for (SPDVoice** v = list; *v; ++v)
      if ((*v)->name) out.emplace_back((*v)->name);
    free_spd_voices(list);
    return out;
  }
  bool set_voice(const std::string& name) override {
    PipeGuard guard;
    return spd_set_synthesis_voice(c_, name.c_str()) == 0;
  }
  bool set_language(const std::string& language) override {
    PipeGuard guard;
    return spd_set_language(c_, language.c_str()) == 0;
  }
  bool set_rate(int rate) override {
    PipeGuard guard;
    return spd_set_voice_rate(c_, rate) == 0;
  }
  bool set_pitch(int pitch) override {
    PipeGuard guard;
    return spd_set_voice_pitch(c_, pitch) == 0;
  }
  bool say(const std::string& utf8) override {
    if (!alive()) return false;
    PipeGuard guard;
    return spd_say(c_, SPD_TEXT, utf8.c_str()) >= 0;
  }
  void cancel() override {
    if (!alive()) return;
    PipeGuard guard;
    spd_cancel(c_);
  }
  bool alive() override {
    // Polling does not take anything from the socket, so the event thread is not disturbed.
    pollfd p{c_->socket, POLLRDHUP, 0};
    const int n = ::poll(&p, 1, 0);
    return !(n > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)));
  }

 private:
  SPDConnection* c_;
  SpeechdEvents events_;
};

void on_begin(size_t, size_t, SPDNotificationType) { LibLink::deliver(SpeechdEvent::begin); }
void on_end(size_t, size_t, SPDNotificationType) { LibLink::deliver(SpeechdEvent::end); }
void on_cancel(size_t, size_t, SPDNotificationType) { LibLink::deliver(SpeechdEvent::cancel); }

}  // namespace

std::unique_ptr<SpeechdLink> open_speechd_link(const SpeechdEvents& events) {
  char* error = nullptr;
  SPDConnection* c = nullptr;
  {
    PipeGuard guard;
    c = spd_open2("roteiral", "main", nullptr, SPD_MODE_THREADED, nullptr, 1, &error);
  }
  std::free(error);
  if (!c) return nullptr;
  c->callback_begin = on_begin;
  c->callback_end = on_end;
  c->callback_cancel = on_cancel;
  auto link = std::make_unique<LibLink>(c, events);
  {
    PipeGuard guard;
    if (spd_set_notification_on(c, SPD_BEGIN) != 0 || spd_set_notification_on(c, SPD_END) != 0 ||
        spd_set_notification_on(c, SPD_CANCEL) != 0)
      return nullptr;
  }
  return link;
}

std::unique_ptr<EngineAdapter> open_speechd_adapter(Speech& s, const EngineRequest& r,
                                                    const SpeechdLinkOpener& make_link) {
  auto a = std::make_unique<SpeechdAdapter>(s);
  SpeechdAdapter* target = a.get();
  auto link = make_link ? make_link([target](SpeechdEvent e) { target->event(e); }) : nullptr;
  if (!link || !link->alive() || !configure(*link, r)) return nullptr;
  a->attach(std::move(link));
  return a;
}

std::unique_ptr<EngineAdapter> open_speechd_engine(Speech& s, const EngineRequest& r) {
  return open_speechd_adapter(s, r, open_speechd_link);
}

}  // namespace speech
