#include "VersionBody.h"

#include <QList>
#include <QStringDecoder>

#include <algorithm>

namespace vexlo {

namespace {

constexpr qsizetype longestVersion = 32;

// Line breaks, control and format characters (a bidirectional override could show another
// version than the one named), and the angle brackets of markup.
bool cannotBeInAVersion(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return c == U'<' || c == U'>';
    }
}

} // namespace

std::optional<QString> parseVersionBody(const QByteArray &body)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = QString(decoder.decode(body)).trimmed();
    if (decoder.hasError() || text.isEmpty())
        return std::nullopt;
    const QList<uint> characters = text.toUcs4();
    if (characters.size() > longestVersion
        || std::any_of(characters.cbegin(), characters.cend(), cannotBeInAVersion))
        return std::nullopt;
    return text;
}

} // namespace vexlo
