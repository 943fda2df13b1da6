#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

namespace vexlo {

// One release in an update feed.
struct AppcastItem {
    QString version;        // the build number
    QString displayVersion; // the version users know, compared with the running version
    QString link;           // the download, or the release's page
};

// The newest release for this system in a Sparkle-style RSS feed by display version, whatever
// the order of its items; items for another system or on a named channel are skipped. Nothing
// when the feed has none; `error` then says why, in the user's language, when the body is no
// RSS feed (a web page, an empty body) or the feed cannot be read.
std::optional<AppcastItem> newestAppcastItem(const QByteArray &feed, QString *error = nullptr);

// Negative, zero or positive as a is older than, equal to or newer than b, segment by segment:
// numbers numerically (1.10 is newer than 1.9), and a pre-release such as 2.0b1 older than 2.0.
// Missing segments count as zero (1.0 is 1.0.0), and a leading "v" is no part of the version.
int compareVersions(const QString &a, const QString &b);

// True for a link the program may open: https, or plain http to a loopback host.
bool isOpenableLink(const QUrl &link);

// What a check found: the program is up to date, a newer release exists, or the check failed.
struct UpdateCheckResult {
    enum class Outcome { upToDate, newerAvailable, failed } outcome;
    QString version; // the newest release's display version, when one was found
    QString link;    // where to get it
    QString error;   // why the check failed, in the user's language
};

// The verdict on a feed's body for the running version: a newer release is offered only with a
// link the program may open, and a body that is no readable feed is a failure.
UpdateCheckResult checkAppcast(const QByteArray &feed, const QString &runningVersion);

} // namespace vexlo
