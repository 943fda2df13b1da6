#pragma once

class QCoreApplication;

namespace vexlo {

// German is the language the program is written in, and its table gives the step titles their
// texts; English goes over it where the system asks for English.
void installTranslations(QCoreApplication &app);

} // namespace vexlo
