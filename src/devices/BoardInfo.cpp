#include "BoardInfo.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTextBoundaryFinder>

#include <optional>

namespace vexlo {

namespace {

// The first line feed at or after `from` that is a character of its own: a line feed right
// after a carriage return belongs to one CR LF character and does not end the line.
qsizetype nextLineFeed(const QString &text, qsizetype from)
{
    for (qsizetype i = text.indexOf(QLatin1Char('\n'), from); i >= 0;
         i = text.indexOf(QLatin1Char('\n'), i + 1)) {
        if (i == 0 || text.at(i - 1) != QLatin1Char('\r'))
            return i;
    }
    return -1;
}

std::optional<DetectedBoardKind> classifyChipLine(const QString &upper)
{
    static const QString marker = QStringLiteral("CHIP TYPE:");
    const qsizetype markerAt = upper.indexOf(marker);
    if (markerAt < 0)
        return std::nullopt;
    const qsizetype start = markerAt + marker.size();
    const qsizetype end = nextLineFeed(upper, start);
    if (end < 0)
        return std::nullopt;

    static const QRegularExpression separators(QStringLiteral("[ \\t(]"));
    const QStringList pieces =
        upper.mid(start, end - start).trimmed().split(separators, Qt::SkipEmptyParts);
    QString token = pieces.isEmpty() ? QString() : pieces.first();
    token.remove(QLatin1Char('-'));

    if (token == QLatin1String("ESP32"))
        return DetectedBoardKind::esp32DevKit;
    if (token.startsWith(QLatin1String("ESP32")))
        return DetectedBoardKind::controlBoard;
    return std::nullopt;
}

DetectedBoardKind classifyByWords(const QString &upper)
{
    QString text = upper;
    text.remove(QLatin1Char('-'));
    for (const char *chip : {"ESP32S2", "ESP32S3", "ESP32C3", "ESP32C6", "ESP32H2", "ESP32P4"}) {
        if (text.contains(QLatin1String(chip)))
            return DetectedBoardKind::controlBoard;
    }
    // "D0WD" with the digit zero: the ESP32-D0WD die of the WROOM modules.
    for (const char *word : {"ESP32", "XTENSA", "LX6", "WROOM", "D0WD"}) {
        if (text.contains(QLatin1String(word)))
            return DetectedBoardKind::esp32DevKit;
    }
    return DetectedBoardKind::unknown;
}

} // namespace

DetectedBoardKind classifyBoardInfo(const QString &output)
{
    const QString upper = output.toUpper();
    if (const auto kind = classifyChipLine(upper))
        return *kind;
    return classifyByWords(upper);
}

std::optional<QString> macAddressFromBoardInfo(const QString &output)
{
    static const QRegularExpression mac(
        QStringLiteral("MAC(?: address)?:\\s*((?:[0-9a-f]{2}:){5}[0-9a-f]{2})\\b"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = mac.match(output);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toLower();
}

QString truncatedForLog(const QString &text)
{
    constexpr int limit = 900;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (graphemes.toNextBoundary() >= 0) {
        if (++count == limit) {
            const qsizetype cut = graphemes.position();
            if (cut >= text.size())
                return text;
            return text.left(cut) + QStringLiteral("\n\u2026(truncated)\u2026");
        }
    }
    return text;
}

} // namespace vexlo
