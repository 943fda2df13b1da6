#pragma once

#include "model/CoilexVariant.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

namespace vexlo::cli {

// What one command line asks for.
struct CliOptions {
    enum class Mode { install, list, help, version };
    Mode mode = Mode::install;
    CoilexVariant variant = CoilexVariant::universal;
    QStringList ports;       // as given with --port, in order, without repeats
    std::optional<int> jobs; // absent: every port at once
    bool watch = false;
    bool json = false;
    QString helpText;
};

// A command line that asks for nothing valid: the one-line reason.
struct UsageError {
    QString message;
};

// Reads the arguments (the program's name first). Never exits and prints nothing.
std::variant<CliOptions, UsageError> parseCommandLine(const QStringList &arguments);

} // namespace vexlo::cli
