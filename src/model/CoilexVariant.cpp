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

} // namespace vexlo
