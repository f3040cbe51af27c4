// SEJA and its value functions; RANDOMIZA.
#include <sys/time.h>

#include <ctime>

#include "runtime/interp.h"
#include "runtime/values.h"

namespace rl {
namespace {

struct LocalTime {
  int year, month, day, day_of_week, hour, minute, second, hundredths;
};

LocalTime local_now() {
  timeval tv{};
  gettimeofday(&tv, nullptr);
  time_t secs = tv.tv_sec;
  tm t{};
  localtime_r(&secs, &t);
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_wday,
          t.tm_hour,        t.tm_min,     t.tm_sec,  static_cast<int>(tv.tv_usec / 10000)};
}

int64_t centiseconds(const LocalTime& t, int extra_days) {
  return (static_cast<int64_t>(t.hour) + 24 * extra_days) * 360000 + t.minute * 6000 + t.second * 100 +
         t.hundredths;
}

std::string two_digits(int v) {
  std::string s = std::to_string(v);
  return s.size() < 2 ? "0" + s : s;
}

const char* const kDayNames[] = {"Domingo", "Segunda", "Ter\xE7" "a", "Quarta",
                                 "Quinta",  "Sexta",   "S\xE1" "bado"};

bool keyword_result(Interp& in, const std::string& word, std::string& out) {
  if (word == "PARAMS") {
    if (in.params.size() < 2) {
      out = "0";
    } else {
      out = int_text(static_cast<int64_t>(in.params.size()) - 1);
      for (size_t i = 1; i < in.params.size(); ++i) {
        out += ' ';
        out += in.params[i];
      }
    }
    return true;
  }
  LocalTime now = local_now();
  if (word == "DATA") {
    out = two_digits(now.day) + "/" + two_digits(now.month) + "/" + std::to_string(now.year);
  } else if (word == "HORA") {
    out = two_digits(now.hour) + ":" + two_digits(now.minute) + ":" + two_digits(now.second);
  } else if (word == "DIA") {
    out = kDayNames[now.day_of_week];
  } else if (word == "TEMPO") {
    int days = now.day_of_week - in.base_day_of_week;
    if (days < 0) days += 7;
    out = int_text(centiseconds(now, days) - in.base_centiseconds);
  } else {
    return false;
  }
  return true;
}

std::string trim_controls(std::string_view t) { return std::string(trim(t)); }

// The n-th blank-separated word; a missing word is empty.
std::string word_at(int32_t n, std::string_view t) {
  for (int32_t i = 1; i < n; ++i) {
    size_t b = t.find(' ');
    if (b == std::string_view::npos) return {};
    t = trim(t.substr(b + 1));
  }
  size_t b = t.find(' ');
  return std::string(b == std::string_view::npos ? t : t.substr(0, b));
}

// CHR: "#65", "100#65" (a modifier prefix) give the character; special keys give nothing.
std::string chr_of(std::string_view k) {
  if (k.size() > 4 && k[3] == '#') {
    for (int i = 0; i < 3; ++i) {
      if (k[i] != '0' && k[i] != '1') return {};
    }
    k.remove_prefix(3);
  }
  if (k.empty() || k[0] != '#') return {};
  k.remove_prefix(1);
  if (!k.empty() && k[0] == '0') return {};
  auto code = to_int(k);
  if (!code) return {};
  return std::string(1, static_cast<char>(static_cast<uint32_t>(*code) & 0xFF));
}

enum class Fn { tamanho, maiusc, trim, pos, rand, palavra, chr, asc };
struct FnWord {
  const char* word;
  Fn fn;
  int args;
};
constexpr FnWord kFunctions[] = {
    {"TAMANHO ", Fn::tamanho, 1}, {"MAIUSC ", Fn::maiusc, 1}, {"TRIM ", Fn::trim, 1},
    {"POS ", Fn::pos, 2},         {"RAND ", Fn::rand, 1},     {"PALAVRA ", Fn::palavra, 2},
    {"CHR ", Fn::chr, 1},         {"ASC ", Fn::asc, 1},
};

bool apply_function(Interp& in, Fn fn, const std::string& a, const std::string& b, std::string& out) {
  switch (fn) {
    case Fn::tamanho: out = int_text(static_cast<int64_t>(a.size())); return true;
    case Fn::maiusc: out = fold(a); return true;
    case Fn::trim: out = trim_controls(a); return true;
    case Fn::pos: {
      size_t p = b.find(a);
      out = int_text(p == std::string::npos ? 0 : static_cast<int64_t>(p) + 1);
      return true;
    }
    case Fn::rand: {
      auto n = to_int(a);
      if (!n) return false;
      if (*n < 1) {
        out = "0";
      } else {
        std::uniform_int_distribution<int32_t> d(0, *n - 1);
        out = int_text(d(in.random));
      }
      return true;
    }
    case Fn::palavra: {
      auto n = to_int(a);
      if (!n || *n < 1) return false;
      out = word_at(*n, b);
      return true;
    }
    case Fn::chr: out = chr_of(a); return true;
    case Fn::asc:
      out = a.size() == 1 ? "#" + int_text(static_cast<unsigned char>(a[0])) : std::string();
      return true;
  }
  return false;
}

}  // namespace

void take_time_base(Interp& in) {
  LocalTime now = local_now();
  in.base_day_of_week = now.day_of_week;
  in.base_centiseconds = centiseconds(now, 0);
}

bool cmd_seja(Interp& in, std::string_view rest) {
  int slot = read_var_ref(in, rest);
  if (slot < 0 || rest.empty()) return false;
  if (rest[0] == '=') {
    rest = trim(rest.substr(1));
    if (rest.empty()) return false;
  }
  std::string result;
  if (keyword_result(in, fold(rest), result)) {
    in.vars[slot] = std::move(result);
    return true;
  }
  for (const auto& f : kFunctions) {
    std::string_view w = f.word;
    if (!starts_with_folded(rest, w)) continue;
    std::string_view args = trim(rest.substr(w.size()));
    std::string a, b;
    if (!read_value(in, args, a)) return false;
    if (f.args == 2 && !read_value(in, args, b)) return false;
    if (!args.empty()) return false;
    if (!apply_function(in, f.fn, a, b, result)) return false;
    in.vars[slot] = std::move(result);
    return true;
  }
  if (!read_value(in, rest, result)) return false;
  in.vars[slot] = std::move(result);
  return rest.empty();
}

bool cmd_randomiza(Interp& in, std::string_view rest) {
  if (!rest.empty()) return false;
  timeval tv{};
  gettimeofday(&tv, nullptr);
  in.random = std::mt19937(static_cast<uint32_t>(tv.tv_sec * 1000003u + tv.tv_usec));
  return true;
}

}  // namespace rl
