#include "Appcast.h"

#include "platform/Http.h"
#include "platform/Platform.h"

#include <QCoreApplication>
#include <QList>
#include <QXmlStreamReader>

#include <algorithm>

namespace vexlo {

namespace {

struct Text {
    Q_DECLARE_TR_FUNCTIONS(Updater)
};

const QString sparkle = QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

enum class Kind { number, text, separator };
struct Segment {
    Kind kind;
    QString text;
};

Kind kindOf(QChar c)
{
    // ASCII digits only: other scripts' digits do not compare by their characters' order.
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return Kind::number;
    return c == QLatin1Char('.') ? Kind::separator : Kind::text;
}

// "2.0b1" -> 2 . 0 b 1: runs of digits, runs of other characters, and each period alone.
QList<Segment> segments(QStringView version)
{
    if (version.size() > 1 && version.front().toLower() == QLatin1Char('v')
        && kindOf(version.at(1)) == Kind::number)
        version = version.mid(1);
    QList<Segment> parts;
    for (const QChar c : version) {
        const Kind kind = kindOf(c);
        if (!parts.isEmpty() && parts.last().kind == kind && kind != Kind::separator)
            parts.last().text += c;
        else
            parts.append({kind, QString(c)});
    }
    return parts;
}

// Compares two digit runs by value, however long they are.
int compareNumbers(QString a, QString b)
{
    while (a.size() > 1 && a.front() == QLatin1Char('0'))
        a.remove(0, 1);
    while (b.size() > 1 && b.front() == QLatin1Char('0'))
        b.remove(0, 1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

int sign(int value)
{
    return (value > 0) - (value < 0);
}

// How the segments that one version has beyond another weigh: text makes it a pre-release
// ("2.0b1" is older than "2.0"), a number other than zero makes it newer, the rest is equal.
int weightOfRest(const QList<Segment> &rest)
{
    for (const Segment &segment : rest) {
        if (segment.kind == Kind::text)
            return -1;
        if (segment.kind == Kind::number && compareNumbers(segment.text, QStringLiteral("0")) != 0)
            return 1;
    }
    return 0;
}

// Newer by display version; of equal ones, the later build.
bool olderRelease(const AppcastItem &a, const AppcastItem &b)
{
    const int order = compareVersions(a.displayVersion, b.displayVersion);
    return order != 0 ? order < 0 : compareVersions(a.version, b.version) < 0;
}

UpdateCheckResult failedCheck(const QString &error, const QString &version = {},
                              const QString &link = {})
{
    return {UpdateCheckResult::Outcome::failed, version, link, error};
}

// An item as read, before its fallbacks are applied.
struct RawItem {
    QString version, shortVersion, enclosureVersion, enclosureShortVersion, enclosureUrl, link;
    bool skipped = false;
};

} // namespace

int compareVersions(const QString &a, const QString &b)
{
    const QList<Segment> left = segments(a), right = segments(b);
    const qsizetype common = std::min(left.size(), right.size());
    for (qsizetype i = 0; i < common; ++i) {
        const Segment &l = left[i], &r = right[i];
        if (l.kind == r.kind) {
            const int order =
                l.kind == Kind::number ? compareNumbers(l.text, r.text) : l.text.compare(r.text);
            if (order != 0)
                return sign(order);
            continue;
        }
        // A text segment marks a pre-release: anything else is newer. A number beats a period.
        if (r.kind == Kind::text || (l.kind == Kind::number && r.kind == Kind::separator))
            return 1;
        return -1;
    }
    return left.size() >= right.size() ? weightOfRest(left.mid(common))
                                       : -weightOfRest(right.mid(common));
}

std::optional<AppcastItem> newestAppcastItem(const QByteArray &feed, QString *error)
{
    QXmlStreamReader xml(feed);
    QList<AppcastItem> releases;
    std::optional<RawItem> item;
    int deltasDepth = 0;
    bool isRss = false;
    while (!xml.atEnd()) {
        xml.readNext();
        const bool inSparkle = xml.namespaceUri() == sparkle;
        const QStringView name = xml.name();
        if (xml.isStartElement()) {
            if (!isRss) {
                // A web page or any other document is no feed, however well-formed.
                if (name != u"rss" || !xml.namespaceUri().isEmpty())
                    break;
                isRss = true;
            } else if (!inSparkle && name == u"item") {
                item.emplace();
                deltasDepth = 0;
            } else if (!item) {
                continue;
            } else if (inSparkle && name == u"deltas") {
                ++deltasDepth;
            } else if (deltasDepth > 0) {
                continue; // a delta's enclosure is not the release itself
            } else if (!inSparkle && name == u"enclosure") {
                const QXmlStreamAttributes attributes = xml.attributes();
                item->enclosureUrl = attributes.value(QString(), QStringLiteral("url")).toString();
                item->enclosureVersion =
                    attributes.value(sparkle, QStringLiteral("version")).toString();
                item->enclosureShortVersion =
                    attributes.value(sparkle, QStringLiteral("shortVersionString")).toString();
                const QStringView os = attributes.value(sparkle, QStringLiteral("os"));
                if (!os.isEmpty() && os != platform::appcastSystemName())
                    item->skipped = true;
            } else if (inSparkle && name == u"version") {
                item->version = xml.readElementText().trimmed();
            } else if (inSparkle && name == u"shortVersionString") {
                item->shortVersion = xml.readElementText().trimmed();
            } else if (inSparkle && name == u"channel") {
                if (!xml.readElementText().trimmed().isEmpty())
                    item->skipped = true;
            } else if (!inSparkle && name == u"link") {
                item->link = xml.readElementText().trimmed();
            }
        } else if (xml.isEndElement() && item) {
            if (inSparkle && name == u"deltas") {
                deltasDepth = std::max(deltasDepth - 1, 0);
            } else if (!inSparkle && name == u"item") {
                const RawItem raw = *item;
                item.reset();
                const QString version = raw.version.isEmpty() ? raw.enclosureVersion : raw.version;
                if (raw.skipped || version.isEmpty())
                    continue;
                QString display =
                    raw.shortVersion.isEmpty() ? raw.enclosureShortVersion : raw.shortVersion;
                releases.append({version, display.isEmpty() ? version : display,
                                 raw.enclosureUrl.isEmpty() ? raw.link : raw.enclosureUrl});
            }
        }
    }
    if (!isRss || xml.hasError()) {
        if (error) {
            *error = !isRss ? Text::tr("Die Antwort ist kein Update-Feed")
                            : Text::tr("Der Update-Feed ist nicht lesbar (Zeile %1): %2")
                                  .arg(xml.lineNumber())
                                  .arg(xml.errorString());
        }
        return std::nullopt;
    }
    if (releases.isEmpty())
        return std::nullopt;
    return *std::max_element(releases.cbegin(), releases.cend(), olderRelease);
}

bool isOpenableLink(const QUrl &link)
{
    if (!link.isValid() || link.host().isEmpty())
        return false;
    return link.scheme() == u"https" || isLoopbackHttp(link);
}

UpdateCheckResult checkAppcast(const QByteArray &feed, const QString &runningVersion)
{
    QString error;
    const std::optional<AppcastItem> newest = newestAppcastItem(feed, &error);
    if (!error.isEmpty())
        return failedCheck(error);
    // A feed without a release for this system has nothing newer to offer.
    if (!newest)
        return {UpdateCheckResult::Outcome::upToDate, {}, {}, {}};
    if (compareVersions(newest->displayVersion, runningVersion) <= 0)
        return {UpdateCheckResult::Outcome::upToDate, newest->displayVersion, newest->link, {}};
    if (newest->link.isEmpty()) {
        return failedCheck(Text::tr("Der Update-Feed nennt für Version %1 keine Adresse.")
                               .arg(newest->displayVersion),
                           newest->displayVersion);
    }
    if (!isOpenableLink(QUrl(newest->link))) {
        return failedCheck(Text::tr("Die Adresse von Version %1 ist kein https-Link: %2")
                               .arg(newest->displayVersion, newest->link),
                           newest->displayVersion, newest->link);
    }
    return {UpdateCheckResult::Outcome::newerAvailable, newest->displayVersion, newest->link, {}};
}

} // namespace vexlo
