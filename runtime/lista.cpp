// LISTA: the script side of the named lists.
#include "runtime/interp.h"
#include "runtime/values.h"

namespace rl {
namespace {

enum class Verb { cria, apaga, tamanho, item, adiciona, deleta, none };

Verb take_verb(std::string_view& t) {
  static constexpr struct {
    std::string_view word;
    Verb verb;
  } kVerbs[] = {{"CRIA", Verb::cria},   {"APAGA", Verb::apaga},       {"TAMANHO", Verb::tamanho},
                {"ITEM", Verb::item},   {"ADICIONA", Verb::adiciona}, {"DELETA", Verb::deleta}};
  for (const auto& v : kVerbs) {
    if (starts_with_folded(t, v.word)) {
      t.remove_prefix(v.word.size());
      t = trim(t);
      return v.verb;
    }
  }
  return Verb::none;
}

}  // namespace

bool cmd_lista(Interp& in, std::string_view rest) {
  std::string name;
  if (!read_bracketed_name(rest, name)) return false;
  Verb verb = take_verb(rest);
  switch (verb) {
    case Verb::cria: {
      if (!rest.empty()) return false;
      cmds::ListResult r = in.lists.create(name);
      if (r == cmds::ListResult::exists) say_line(in, "A lista especificada j\xE1 existe");
      if (r == cmds::ListResult::full) say_line(in, "Muitas listas no programa (m\xE1ximo 20)");
      return r == cmds::ListResult::ok;
    }
    case Verb::apaga:
      return rest.empty() && in.lists.destroy(name) == cmds::ListResult::ok;
    case Verb::tamanho: {
      cmds::NamedList* list = in.lists.find(name);
      if (!list) return false;
      int slot = read_var_ref(in, rest);
      if (slot < 0) return false;
      in.vars[slot] = int_text(static_cast<int64_t>(list->items.size()));
      return true;
    }
    case Verb::item: {
      cmds::NamedList* list = in.lists.find(name);
      if (!list) return false;
      int32_t pos;
      if (!read_int_value(in, rest, pos)) return false;
      int slot = read_var_ref(in, rest);
      if (slot < 0) return false;
      if (pos < 0 || static_cast<size_t>(pos) >= list->items.size()) return false;
      in.vars[slot] = list->items[static_cast<size_t>(pos)];
      return true;
    }
    case Verb::adiciona: {
      cmds::NamedList* list = in.lists.find(name);
      if (!list) return false;
      std::string v;
      if (!read_value(in, rest, v)) return false;
      list->items.push_back(std::move(v));
      return true;
    }
    case Verb::deleta: {
      if (!in.lists.find(name)) return false;
      std::string v;
      if (!read_value(in, rest, v)) return false;
      return in.lists.delete_item(name, v) == cmds::ListResult::ok;
    }
    case Verb::none:
      return false;
  }
  return false;
}

}  // namespace rl
