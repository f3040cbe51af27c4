// The converter script embedded in tradex.
#pragma once

namespace app {

inline constexpr int kTradexLines = 206;
extern const char* const kTradexScript[kTradexLines];

}  // namespace app
