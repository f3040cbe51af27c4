#include "commands/lists.h"

namespace cmds {
namespace {

unsigned char lower_1252(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
  if (c >= 192 && c <= 222 && c != 215) return static_cast<unsigned char>(c + 32);
  switch (c) {
    case 138: return 154;  // S caron
    case 140: return 156;  // OE
    case 142: return 158;  // Z caron
    case 159: return 255;  // Y diaeresis
    default: return c;
  }
}

}  // namespace

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (lower_1252(static_cast<unsigned char>(a[i])) != lower_1252(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

NamedList* ListTable::find(std::string_view name) {
  for (auto& slot : slots) {
    if (slot && slot->name == name) return slot.get();
  }
  return nullptr;
}

ListResult ListTable::create(std::string_view name) {
  if (find(name)) return ListResult::exists;
  for (auto& slot : slots) {
    if (!slot) {
      slot = std::make_unique<NamedList>();
      slot->name = std::string(name);
      return ListResult::ok;
    }
  }
  return ListResult::full;
}

ListResult ListTable::destroy(std::string_view name) {
  bool found = false;
  for (auto& slot : slots) {
    if (slot && slot->name == name) {
      slot.reset();
      found = true;
    }
  }
  return found ? ListResult::ok : ListResult::missing;
}

ListResult ListTable::delete_item(std::string_view name, std::string_view value) {
  NamedList* list = find(name);
  if (!list) return ListResult::missing;
  for (auto it = list->items.begin(); it != list->items.end(); ++it) {
    if (equal_ignoring_case(*it, value)) {
      list->items.erase(it);
      return ListResult::ok;
    }
  }
  return ListResult::no_item;
}

void ListTable::clear() {
  for (auto& slot : slots) slot.reset();
}

}  // namespace cmds
