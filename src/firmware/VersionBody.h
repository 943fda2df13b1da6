#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace vexlo {

// The version that a version file's body names: strict UTF-8 whatever the response declares,
// trimmed at both ends, one line of at most 32 characters without control characters or markup.
// Nothing when the body cannot be a version, such as a web page served with status 200.
std::optional<QString> parseVersionBody(const QByteArray &body);

} // namespace vexlo
