#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace vexlo {

// The machine variant configured on the board after flashing.
enum class CoilexVariant { v4, pro, universal };

QString rawValue(CoilexVariant variant);
// The identity of a variant is its raw text.
inline QString id(CoilexVariant variant)
{
    return rawValue(variant);
}
// The variant whose raw text is exactly the given text.
std::optional<CoilexVariant> coilexVariantFromRawValue(const QString &text);
QList<CoilexVariant> allCoilexVariants();

} // namespace vexlo
