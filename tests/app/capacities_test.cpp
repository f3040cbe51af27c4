// The compiler's capacities: a program holds at most 500000 script lines, in its source and
// in the payload of the program made from it.
#include <gtest/gtest.h>

#include <string>

#include "app/dprsource.h"
#include "app/exe_image.h"

namespace {

std::string source_declaring(int lines) {
  return "program p;\nuses rlplus;\nconst\ntamprog = " + std::to_string(lines) +
         ";\nvar\ni : integer;\nscript : array[1..tamprog] of string = (\n'termina');\n"
         "begin\ninicializa ('t');\nfor i := 1 to tamprog do\ncarregascript(script[i],i);\nprocessa;\nend.\n";
}

TEST(Capacities, SourceDeclaringMoreThan500000LinesIsRefused) {
  const app::DprProgram at = app::read_dpr(source_declaring(app::kMaxScriptLines));
  const app::DprProgram past = app::read_dpr(source_declaring(app::kMaxScriptLines + 1));
  for (const auto& f : at.faults) EXPECT_EQ(f.message.find("exceeds"), std::string::npos) << f.message;
  ASSERT_FALSE(past.ok());
  EXPECT_NE(past.faults[0].message.find("exceeds the 500000 lines"), std::string::npos) << past.faults[0].message;
}

TEST(Capacities, PayloadOfMoreThan500000LinesIsRefused) {
  app::Payload p;
  p.title = "t";
  p.lines.assign(app::kMaxScriptLines, "");
  const std::string at = app::encode_payload(p);
  app::Payload back;
  ASSERT_TRUE(app::decode_payload(at, back));
  EXPECT_EQ(back.lines.size(), static_cast<size_t>(app::kMaxScriptLines));
  p.lines.emplace_back();
  EXPECT_FALSE(app::decode_payload(app::encode_payload(p), back));
  EXPECT_EQ(back.lines.size(), static_cast<size_t>(app::kMaxScriptLines)) << "a refusal leaves the result alone";
}

}  // namespace
