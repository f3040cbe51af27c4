// Lists: the 20 named string lists of LISTA.
#pragma once
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace cmds {

inline constexpr int kListSlots = 20;

struct NamedList {
  std::string name;  // compared exactly
  std::vector<std::string> items;
};

enum class ListResult { ok, exists, full, missing, out_of_range, no_item };

struct ListTable {
  std::array<std::unique_ptr<NamedList>, kListSlots> slots;

  NamedList* find(std::string_view name);
  ListResult create(std::string_view name);
  ListResult destroy(std::string_view name);
  // Removes the first item equal to value regardless of letter case.
  ListResult delete_item(std::string_view name, std::string_view value);
  void clear();
};

// Equality regardless of letter case in Windows-1252 (accented letters included).
bool equal_ignoring_case(std::string_view a, std::string_view b);

}  // namespace cmds
