#include "JsonReport.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstdio>

namespace vexlo::cli {

namespace {

void writeLine(std::FILE *stream, const QByteArray &line)
{
    const QByteArray bytes = line + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

void emitEvent(const QString &port, const QString &event, QJsonObject fields)
{
    if (!port.isNull())
        fields.insert(QStringLiteral("port"), port);
    fields.insert(QStringLiteral("event"), event);
    writeLine(stdout, QJsonDocument(fields).toJson(QJsonDocument::Compact));
}

QJsonValue orNull(const std::optional<QString> &text)
{
    return text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null);
}

QJsonValue reasonOrNull(const QString &reason)
{
    return reason.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(reason);
}

} // namespace

void JsonReport::detected(const QString &port, const DetectOutcome &detection)
{
    const bool known = detection.kind != DetectedBoardKind::unknown;
    emitEvent(port, QStringLiteral("detected"),
              {{QStringLiteral("board"), known ? QJsonValue(label(detection.kind)) : QJsonValue()},
               {QStringLiteral("reason"), reasonOrNull(detection.reason)}});
}

void JsonReport::downloaded(const QString &port, const DownloadOutcome &image)
{
    emitEvent(port, QStringLiteral("downloaded"),
              {{QStringLiteral("file"), image.path},
               {QStringLiteral("bytes"), image.bytes},
               {QStringLiteral("sha256"), image.sha256}});
}

void JsonReport::progress(const QString &port, double fraction, std::chrono::milliseconds)
{
    emitEvent(port, QStringLiteral("progress"),
              {{QStringLiteral("fraction"), std::round(fraction * 1000) / 1000}});
}

void JsonReport::finished(const PortOutcome &outcome)
{
    const std::optional<QString> step =
        outcome.failedStep ? std::optional(jsonName(*outcome.failedStep)) : std::nullopt;
    emitEvent(outcome.port, QStringLiteral("result"),
              {{QStringLiteral("ok"), outcome.installed()},
               {QStringLiteral("step"), orNull(step)},
               {QStringLiteral("reason"), reasonOrNull(outcome.reason)},
               {QStringLiteral("variant"), orNull(outcome.variant)},
               {QStringLiteral("seconds"), std::round(outcome.seconds * 1000) / 1000}});
}

void JsonReport::summary(const QList<PortOutcome> &outcomes)
{
    const auto installed = std::count_if(outcomes.begin(), outcomes.end(),
                                         [](const PortOutcome &o) { return o.installed(); });
    emitEvent(QString(), QStringLiteral("summary"),
              {{QStringLiteral("installed"), qint64(installed)},
               {QStringLiteral("failed"), qint64(outcomes.size() - installed)}});
}

void JsonReport::note(const QString &text)
{
    writeLine(stderr, text.toUtf8());
}

LogSink JsonReport::engineLog(const QString &subject)
{
    const QString prefix = QLatin1Char('[') + subject + QStringLiteral("] ");
    return [prefix](const QString &line) { writeLine(stderr, (prefix + line).toUtf8()); };
}

} // namespace vexlo::cli
