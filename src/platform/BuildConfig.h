#pragma once

#include <QString>

// Values fixed when the program is built (CMake cache variables); nothing is read at run time.
// Each executable links exactly one definition of these.
namespace vexlo::build {
QString firmwareOrigin();
QString appcastUrl();
QString portListCommand();
} // namespace vexlo::build
