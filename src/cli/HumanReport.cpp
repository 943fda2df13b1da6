#include "HumanReport.h"

#include "CliText.h"
#include <QFileInfo>

#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

namespace vexlo::cli {

namespace {

void write(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

QString progressText(double fraction, std::chrono::milliseconds remaining)
{
    const QString percent = CliText::tr("Schreiben: %1 %").arg(qRound(fraction * 100));
    if (remaining.count() <= 0)
        return percent + CliText::tr(" (gleich fertig)");
    return percent + CliText::tr(" (noch etwa %1 s)").arg((remaining.count() + 999) / 1000);
}

} // namespace

HumanReport::Options HumanReport::forStandardStreams()
{
    Options options;
    options.terminal = ::isatty(STDOUT_FILENO) == 1;
    winsize size = {};
    if (options.terminal && ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        options.columns = size.ws_col;
    // On a terminal the tool's chatter would tear the live lines apart; elsewhere it is kept.
    options.engineLogToStandardError = ::isatty(STDERR_FILENO) != 1;
    return options;
}

HumanReport::HumanReport(Options options)
    : m_options(options)
{
}

void HumanReport::eraseLiveLines()
{
    if (m_liveLinesShown > 0)
        write(stdout, QStringLiteral("\x1b[%1A\r\x1b[J").arg(m_liveLinesShown));
    m_liveLinesShown = 0;
}

void HumanReport::drawLiveLines()
{
    QString block;
    for (const auto &[port, line] : m_liveLines) {
        // A line that wraps would spoil the count of lines to go back over.
        block += (QLatin1Char('[') + port + QStringLiteral("] ") + line)
                     .left(std::max(m_options.columns - 1, 1))
            + QLatin1Char('\n');
    }
    write(stdout, block);
    m_liveLinesShown = int(m_liveLines.size());
}

void HumanReport::print(const QString &line)
{
    if (!m_options.terminal) {
        write(stdout, line + QLatin1Char('\n'));
        return;
    }
    eraseLiveLines();
    write(stdout, line + QLatin1Char('\n'));
    drawLiveLines();
}

void HumanReport::portLine(const QString &port, const QString &text)
{
    print(QLatin1Char('[') + port + QStringLiteral("] ") + text);
}

void HumanReport::stepStarted(const QString &port, InstallStep step)
{
    switch (step) {
    case InstallStep::detect:
        return portLine(port, CliText::tr("Board wird erkannt …"));
    case InstallStep::download:
        return portLine(port, CliText::tr("Firmware wird heruntergeladen …"));
    case InstallStep::write:
        return portLine(port, CliText::tr("Firmware wird geschrieben …"));
    case InstallStep::variant:
        break;
    }
}

void HumanReport::detected(const QString &port, const DetectOutcome &detection)
{
    if (detection.kind == DetectedBoardKind::unknown)
        portLine(port, CliText::tr("Kein Board erkannt: %1").arg(detection.reason));
    else
        portLine(port, CliText::tr("Board erkannt: %1").arg(label(detection.kind)));
}

void HumanReport::downloaded(const QString &port, const DownloadOutcome &image)
{
    portLine(port,
             CliText::tr("Firmware bereit: %1 (%2 Bytes, SHA-256 %3)")
                 .arg(QFileInfo(image.path).fileName())
                 .arg(image.bytes)
                 .arg(image.sha256));
}

void HumanReport::progress(const QString &port, double fraction,
                           std::chrono::milliseconds remaining)
{
    const QString text = progressText(fraction, remaining);
    if (m_options.terminal) {
        m_liveLines[port] = text;
        eraseLiveLines();
        drawLiveLines();
        return;
    }
    auto [last, first] = m_lastProgressPrinted.try_emplace(port);
    if (!first && !last->second.hasExpired(m_options.progressInterval.count()))
        return;
    last->second.start();
    portLine(port, text);
}

void HumanReport::finished(const PortOutcome &outcome)
{
    m_liveLines.erase(outcome.port);
    m_lastProgressPrinted.erase(outcome.port);
    const QString seconds = QString::number(outcome.seconds, 'f', 1);
    if (outcome.failedStep) {
        portLine(outcome.port,
                 CliText::tr("Fehlgeschlagen bei „%1“: %2 (%3 s)")
                     .arg(displayName(*outcome.failedStep), outcome.reason, seconds));
    } else if (outcome.variant) {
        portLine(
            outcome.port,
            CliText::tr("Installiert, Variante %1 gesendet (%2 s)").arg(*outcome.variant, seconds));
    } else {
        portLine(outcome.port, CliText::tr("Installiert, ohne Variante (%1 s)").arg(seconds));
    }
}

void HumanReport::summary(const QList<PortOutcome> &outcomes)
{
    QList<PortOutcome> failures;
    std::copy_if(outcomes.begin(), outcomes.end(), std::back_inserter(failures),
                 [](const PortOutcome &o) { return !o.installed(); });
    print(CliText::tr("Ergebnis: %1 installiert, %2 fehlgeschlagen")
              .arg(outcomes.size() - failures.size())
              .arg(failures.size()));
    for (const PortOutcome &failure : failures) {
        print(QStringLiteral("  ") + failure.port + QStringLiteral(": ")
              + displayName(*failure.failedStep) + QStringLiteral(" – ") + failure.reason);
    }
}

void HumanReport::note(const QString &text)
{
    print(text);
}

LogSink HumanReport::engineLog(const QString &subject)
{
    if (!m_options.engineLogToStandardError)
        return [](const QString &) {};
    const QString prefix = QLatin1Char('[') + subject + QStringLiteral("] ");
    return [prefix](const QString &line) { write(stderr, prefix + line + QLatin1Char('\n')); };
}

} // namespace vexlo::cli
