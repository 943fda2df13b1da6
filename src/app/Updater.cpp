#include "Updater.h"

#include "Appcast.h"
#include "platform/BuildConfig.h"
#include "platform/Http.h"

#include <QApplication>
#include <QDesktopServices>
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
    // Not kept: it guards the updater itself and ends with its request, within the timeout.
    check();
}

QCoro::Task<> Updater::check()
{
    QPointer<Updater> self(this);
    HttpRequest request{m_options.feed, m_options.timeout};
    request.bodyLimit = largestFeed;
    const HttpResult got = co_await HttpClient::instance().get(request);
    if (!self)
        co_return;

    UpdateCheckResult result{UpdateCheckResult::Outcome::failed, {}, {}, {}};
    QString feedError;
    if (got.error == HttpError::tooLarge) {
        result.error = Text::tr("Der Update-Feed ist größer als 1 MiB.");
    } else if (got.status != 0 && (got.status < 200 || got.status > 299)) {
        result.error = Text::tr("Der Update-Server antwortete mit Status %1.").arg(got.status);
    } else if (got.error != HttpError::none) {
        result.error = got.errorText;
    } else if (const auto newest = newestAppcastItem(got.body, &feedError)) {
        const bool newer = compareVersions(newest->version, m_options.runningVersion) > 0;
        result = {newer ? UpdateCheckResult::Outcome::newerAvailable
                        : UpdateCheckResult::Outcome::upToDate,
                  newest->displayVersion,
                  newest->link,
                  {}};
    } else if (feedError.isEmpty()) {
        // A feed without a release for this system: nothing newer to have.
        result.outcome = UpdateCheckResult::Outcome::upToDate;
    } else {
        result.error = Text::tr("Der Update-Feed ist nicht lesbar: %1").arg(feedError);
    }
    m_checking = false;
    if (m_options.tell)
        m_options.tell(result);
}

void showUpdateCheckResult(QWidget *window, const UpdateCheckResult &result)
{
    const QString running = QCoreApplication::applicationVersion();
    QMessageBox box(window);
    box.setWindowTitle(Text::tr("Check for Updates…"));
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
    if (box.clickedButton() == download && !result.link.isEmpty())
        QDesktopServices::openUrl(QUrl(result.link));
}

} // namespace vexlo
