#include "Appcast.h"

#include <QList>
#include <QXmlStreamReader>

#include <algorithm>

namespace vexlo {

namespace {

const QString sparkle = QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

#ifdef Q_OS_MACOS
const QString thisSystem = QStringLiteral("macos");
#else
const QString thisSystem = QStringLiteral("linux");
#endif

enum class Kind { number, text, separator };
struct Segment {
    Kind kind;
    QString text;
};

Kind kindOf(QChar c)
{
    if (c.isDigit())
        return Kind::number;
    return c == QLatin1Char('.') ? Kind::separator : Kind::text;
}

// "2.0b1" -> 2 . 0 b 1: runs of digits, runs of other characters, and each period alone.
QList<Segment> segments(const QString &version)
{
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
    if (left.size() == right.size())
        return 0;
    // One goes on: more numbers make it newer ("1.0.1"), more text makes it older ("2.0b1").
    const bool leftLonger = left.size() > right.size();
    const Kind next = (leftLonger ? left : right).at(common).kind;
    const int longerIsNewer = next == Kind::text ? -1 : 1;
    return leftLonger ? longerIsNewer : -longerIsNewer;
}

std::optional<AppcastItem> newestAppcastItem(const QByteArray &feed, QString *error)
{
    QXmlStreamReader xml(feed);
    QList<AppcastItem> releases;
    std::optional<RawItem> item;
    int deltasDepth = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        const bool inSparkle = xml.namespaceUri() == sparkle;
        const QStringView name = xml.name();
        if (xml.isStartElement()) {
            if (!inSparkle && name == u"item") {
                item.emplace();
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
                if (!os.isEmpty() && os != thisSystem)
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
                --deltasDepth;
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
    if (xml.hasError()) {
        if (error)
            *error = xml.errorString();
        return std::nullopt;
    }
    if (releases.isEmpty())
        return std::nullopt;
    return *std::max_element(releases.cbegin(), releases.cend(),
                             [](const AppcastItem &a, const AppcastItem &b) {
                                 return compareVersions(a.version, b.version) < 0;
                             });
}

} // namespace vexlo
