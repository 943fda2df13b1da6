#include "CoilexVariant.h"

namespace vexlo {

QString rawValue(CoilexVariant variant)
{
    switch (variant) {
    case CoilexVariant::v4:
        return QStringLiteral("Coilex V4");
    case CoilexVariant::pro:
        return QStringLiteral("Coilex Pro");
    case CoilexVariant::universal:
        break;
    }
    return QStringLiteral("Universell");
}

std::optional<CoilexVariant> coilexVariantFromRawValue(const QString &text)
{
    for (const CoilexVariant variant : allCoilexVariants()) {
        if (rawValue(variant) == text)
            return variant;
    }
    return std::nullopt;
}

QList<CoilexVariant> allCoilexVariants()
{
    return {CoilexVariant::v4, CoilexVariant::pro, CoilexVariant::universal};
}

} // namespace vexlo
