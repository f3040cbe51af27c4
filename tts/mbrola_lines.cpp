#include "tts/mbrola_lines.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace elzar {
namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

std::vector<std::string_view> tokens(std::string_view s) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && blank(s[i])) ++i;
    const size_t start = i;
    while (i < s.size() && !blank(s[i])) ++i;
    if (i > start) out.push_back(s.substr(start, i - start));
  }
  return out;
}

bool number(std::string_view t, double& out) {
  if (!t.empty() && t[0] == '+') t.remove_prefix(1);
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
  return ec == std::errc() && end == t.data() + t.size() && std::isfinite(out);
}

ParsedLine error(std::string text) {
  ParsedLine p;
  p.kind = LineKind::error;
  p.error = std::move(text);
  return p;
}

}  // namespace

ParsedLine parse_phoneme_line(std::string_view line) {
  if (const size_t semi = line.find(';'); semi != std::string_view::npos) {
    const bool only_comment = tokens(line.substr(0, semi)).empty();
    line = line.substr(0, semi);
    if (only_comment) return ParsedLine{LineKind::comment, {}, {}};
  }
  const auto toks = tokens(line);
  if (toks.empty()) return ParsedLine{};
  if (toks[0] == "#") return ParsedLine{LineKind::flush, {}, {}};
  ParsedLine p;
  p.kind = LineKind::phoneme;
  for (char c : toks[0]) p.phoneme.name += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  if (toks.size() < 2) return error("missing duration for phoneme " + p.phoneme.name);
  double ms = 0;
  if (!number(toks[1], ms) || ms < 0) return error("bad duration for phoneme " + p.phoneme.name);
  p.phoneme.ms = std::min(ms, kMaxPhonemeMs);
  if ((toks.size() - 2) % 2 != 0) return error("pitch position without a pitch value");
  for (size_t i = 2; i + 1 < toks.size(); i += 2) {
    PitchPoint pt;
    if (!number(toks[i], pt.position) || !number(toks[i + 1], pt.hz) || pt.hz <= 0)
      return error("bad pitch point for phoneme " + p.phoneme.name);
    if (p.phoneme.points.size() == kMaxPitchPoints) continue;
    pt.position = std::clamp(pt.position, 0.0, 100.0);
    pt.hz = std::clamp(pt.hz, kMinPitchHz, kMaxPitchHz);
    p.phoneme.points.push_back(pt);
  }
  std::stable_sort(p.phoneme.points.begin(), p.phoneme.points.end(),
                   [](const PitchPoint& a, const PitchPoint& b) { return a.position < b.position; });
  return p;
}

bool LineSplitter::feed(std::string_view text, std::vector<std::string>& lines) {
  bool ok = true;
  while (!text.empty()) {
    const size_t nl = text.find('\n');
    const std::string_view piece = text.substr(0, nl);
    if (!overflow_) {
      if (pending_.size() + piece.size() > kMaxLineBytes) {
        overflow_ = true;
        ok = false;
        pending_.clear();
      } else {
        pending_.append(piece);
      }
    }
    if (nl == std::string_view::npos) break;
    if (!overflow_) {
      if (!pending_.empty() && pending_.back() == '\r') pending_.pop_back();
      lines.push_back(std::move(pending_));
    }
    pending_.clear();
    overflow_ = false;
    text.remove_prefix(nl + 1);
  }
  return ok;
}

std::string LineSplitter::take_rest() {
  std::string rest = overflow_ ? std::string() : std::move(pending_);
  clear();
  if (!rest.empty() && rest.back() == '\r') rest.pop_back();
  return rest;
}

void LineSplitter::clear() {
  pending_.clear();
  overflow_ = false;
}

}  // namespace elzar
