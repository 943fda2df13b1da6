#pragma once

#include <QCoreApplication>

namespace vexlo::cli {

// The installer's words for people, in the UI language, under one translation context.
class CliText
{
    Q_DECLARE_TR_FUNCTIONS(CliText)
};

} // namespace vexlo::cli
