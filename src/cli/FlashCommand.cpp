#include "FlashCommand.h"

#include "BatchInstaller.h"
#include "CliOptions.h"
#include "HumanReport.h"
#include "JsonReport.h"
#include "platform/ShutdownSignals.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace vexlo::cli {

namespace {

void print(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

int runFlashCommand(const QStringList &arguments)
{
    const auto parsed = parseCommandLine(arguments);
    if (const auto *error = std::get_if<UsageError>(&parsed)) {
        print(stderr,
              QStringLiteral("vexlo-flash: ") + error->message.simplified()
                  + QStringLiteral(" (vexlo-flash --help)\n"));
        return 2;
    }
    const CliOptions &options = std::get<CliOptions>(parsed);
    if (options.mode == CliOptions::Mode::help) {
        print(stdout, options.helpText);
        return 0;
    }
    if (options.mode == CliOptions::Mode::version) {
        print(stdout, QStringLiteral("vexlo-flash " VEXLO_VERSION "\n"));
        return 0;
    }

    std::unique_ptr<Report> report;
    if (options.json)
        report = std::make_unique<JsonReport>();
    else
        report = std::make_unique<HumanReport>(HumanReport::forStandardStreams());

    BatchOptions batch;
    batch.mode = options.mode == CliOptions::Mode::list ? BatchOptions::Mode::list
                                                        : BatchOptions::Mode::install;
    batch.variant = options.variant;
    batch.ports = options.ports;
    batch.jobs = options.jobs;
    batch.watch = options.watch;
    BatchInstaller installer(batch, InstallEngine(), *report);
    // Every signal only asks for a stop: a write under way always finishes.
    ShutdownSignals stopSignals;
    QObject::connect(&stopSignals, &ShutdownSignals::shutdownRequested, &installer,
                     &BatchInstaller::stop);
    QObject::connect(&stopSignals, &ShutdownSignals::shutdownInsisted, &installer,
                     &BatchInstaller::stop);
    int status = 1;
    QObject::connect(&installer, &BatchInstaller::finished, &installer, [&status](int exit) {
        status = exit;
        QCoreApplication::quit();
    });
    // Started from the loop, so that a quick end finds the loop running to quit.
    QTimer::singleShot(0, &installer, &BatchInstaller::start);
    QCoreApplication::exec();
    return status;
}

} // namespace vexlo::cli
