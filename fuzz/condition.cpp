// The condition reader of SE, ENQUANTO and REPETE.
#include "fuzz/common.h"
#include "runtime/interp.h"
#include "runtime/values.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  rl::Interp in;
  in.vars[0] = "10";
  in.vars[1] = "Bom dia";
  in.lists.create("CORES");
  if (cmds::NamedList* l = in.lists.find("CORES")) l->items = {"azul", "10", "verde"};
  std::string_view t = fuzz::as_text(data, size);
  bool truth = false;
  rl::read_condition(in, t, truth);
  return 0;
}
