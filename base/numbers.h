// Number conversions shared by the model and the drawing layers.
#pragma once

#include <cstdint>

namespace korvane {

// Truncation toward zero; values beyond the 32-bit range saturate and NaN
// gives 0, so no field value can make the conversion undefined.
int32_t TruncToInt(double value);

}  // namespace korvane
