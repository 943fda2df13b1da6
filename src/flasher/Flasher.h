#pragma once

#include "FlasherOptions.h"
#include "model/CoilexVariant.h"

#include <QString>

#include <QCoro/QCoroTask>

namespace vexlo {

// Writes the image to the board on the port with espflash and, for the variants that need it,
// resets the board, sends the variant line and resets it again. True only when the image was
// written and the variant, if any, was configured.
QCoro::Task<bool> flash(QString binPath, QString port, CoilexVariant variant,
                        FlasherOptions options = {});

} // namespace vexlo
