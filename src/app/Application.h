#pragma once

class QApplication;

namespace vexlo {

// The program from a constructed application object to the end of its event loop: one instance
// per user, the window, the updater. Returns the exit status.
int runApplication(QApplication &app);

} // namespace vexlo
