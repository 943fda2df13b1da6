#pragma once

#include <QString>

#include <optional>

// Everything that differs between operating systems lives here.
namespace vexlo::platform {

// Shell that runs the serial port listing command.
QString listingShell();

// Command that prints one serial device path per line.
QString portListCommand();

// Directory beside the program that holds the espflash tool; absent when it does not exist.
std::optional<QString> resourcesDirectory();

// Where downloaded firmware images are kept.
QString temporaryDirectory();

} // namespace vexlo::platform
