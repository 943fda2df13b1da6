#include "Updater.h"

#include "Appcast.h"
#include "platform/BuildConfig.h"
#include "platform/ChildProcess.h"
#include "platform/Http.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace vexlo {

namespace {

// A feed lists a few releases; anything larger is not one.
constexpr qint64 largestFeed = 1024 * 1024;

struct Text {
    Q_DECLARE_TR_FUNCTIONS(Updater)
};

UpdateCheckResult failedCheck(const QString &error)
{
    return {UpdateCheckResult::Outcome::failed, {}, {}, error};
}

// What the transport brought, judged: its failures in words, else the verdict on the feed.
UpdateCheckResult judge(const HttpResult &got, const Updater::Options &options)
{
    switch (got.error) {
    case HttpError::none:
        return checkAppcast(got.body, options.runningVersion);
    case HttpError::tooLarge:
        return failedCheck(Text::tr("Der Update-Feed ist größer als 1 MiB."));
    case HttpError::httpStatus:
        return failedCheck(Text::tr("Der Update-Server antwortete mit Status %1.").arg(got.status));
    case HttpError::timeout:
        return failedCheck(Text::tr("Der Update-Server hat nicht innerhalb von %1 geantwortet.")
                               .arg(secondsText(options.timeout)));
    default:
        return failedCheck(
            Text::tr("Der Update-Server ist nicht erreichbar: %1").arg(got.errorText));
    }
}

QString logLine(const UpdateCheckResult &result, const QString &running)
{
    using Outcome = UpdateCheckResult::Outcome;
    const QString newest = !result.version.isEmpty() ? result.version
        : result.outcome == Outcome::failed          ? QStringLiteral("unknown")
                                                     : QStringLiteral("none for this system");
    const QString verdict = result.outcome == Outcome::upToDate ? QStringLiteral("up to date")
        : result.outcome == Outcome::newerAvailable
        ? QStringLiteral("newer release available at ") + result.link
        : QStringLiteral("failed: ") + result.error;
    return QStringLiteral("update check: newest %1, running %2 \u2014 %3")
        .arg(newest, running, verdict);
}

} // namespace

Updater::Updater(QObject *parent)
    : Updater(Options{QUrl(build::appcastUrl()), QCoreApplication::applicationVersion(),
                      std::chrono::milliseconds(10000),
                      [](const UpdateCheckResult &result) {
                          showUpdateCheckResult(QApplication::activeWindow(), result);
                      }},
              parent)
{
}

Updater::Updater(Options options, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
{
}

void Updater::checkForUpdates()
{
    if (m_checking)
        return;
    m_checking = true;
    m_tasks.start(check());
}

QCoro::Task<> Updater::check()
{
    QPointer<Updater> self(this);
    HttpRequest request{m_options.feed, m_options.timeout};
    request.bodyLimit = largestFeed;
    const HttpResult got = co_await HttpClient::instance().get(request, m_tasks.token());
    if (!self)
        co_return;

    const UpdateCheckResult result = judge(got, m_options);
    m_checking = false;
    m_options.log(logLine(result, m_options.runningVersion));
    if (m_options.tell)
        m_options.tell(result);
}

void showUpdateCheckResult(QWidget *window, const UpdateCheckResult &result)
{
    const QString running = QCoreApplication::applicationVersion();
    QMessageBox box(window);
    box.setWindowTitle(Text::tr("Check for Updates…"));
    // Versions, links and reasons come from the feed: shown as they are, never as markup.
    box.setTextFormat(Qt::PlainText);
    switch (result.outcome) {
    case UpdateCheckResult::Outcome::upToDate:
        box.setIcon(QMessageBox::Information);
        box.setText(Text::tr("Vexlo Utility %1 ist aktuell.").arg(running));
        box.exec();
        return;
    case UpdateCheckResult::Outcome::failed:
        box.setIcon(QMessageBox::Warning);
        box.setText(Text::tr("Die Suche nach Updates ist fehlgeschlagen."));
        box.setInformativeText(result.error);
        if (auto *informative =
                box.findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
            informative->setTextFormat(Qt::PlainText);
        box.exec();
        return;
    case UpdateCheckResult::Outcome::newerAvailable:
        break;
    }
    box.setIcon(QMessageBox::Information);
    box.setText(
        Text::tr("Vexlo Utility %1 ist verfügbar (installiert: %2).").arg(result.version, running));
    QPushButton *download = box.addButton(Text::tr("Herunterladen…"), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Close);
    box.setDefaultButton(download);
    box.exec();
    if (box.clickedButton() == download)
        QDesktopServices::openUrl(QUrl(result.link));
}

} // namespace vexlo
