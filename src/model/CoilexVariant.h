#pragma once

#include <QString>

namespace vexlo {

// The machine variant configured on the board after flashing.
enum class CoilexVariant { v4, pro, universal };

QString rawValue(CoilexVariant variant);

} // namespace vexlo
