#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace vexlo {

// One release in an update feed.
struct AppcastItem {
    QString version;        // compared with the running version
    QString displayVersion; // shown to the user
    QString link;           // the download, or the release's page
};

// The newest release for this system in a Sparkle-style RSS feed, whatever the order of its
// items; items for another system or on a named channel are skipped. Nothing when the feed has
// none; `error` then says why when the feed could not be read.
std::optional<AppcastItem> newestAppcastItem(const QByteArray &feed, QString *error = nullptr);

// Negative, zero or positive as a is older than, equal to or newer than b, segment by segment:
// numbers numerically (1.10 is newer than 1.9), and a pre-release such as 2.0b1 older than 2.0.
int compareVersions(const QString &a, const QString &b);

} // namespace vexlo
