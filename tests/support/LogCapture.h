#pragma once

#include "platform/Log.h"

#include <QStringList>

// Collects the lines that pass through a log sink.
struct LogCapture {
    QStringList lines;

    vexlo::LogSink sink()
    {
        return [this](const QString &line) { lines << line; };
    }

    QStringList linesStartingWith(const QString &prefix) const
    {
        QStringList found;
        for (const QString &line : lines) {
            if (line.startsWith(prefix))
                found << line;
        }
        return found;
    }
};
