#pragma once

#include "LogWindow.h"
#include "MainWindow.h"
#include "Updater.h"

// What the tests look at inside the program's windows and its updater; the program itself
// reaches none of it. Each class here names its access as a friend.
namespace vexlo {

struct MainWindowTestAccess {
    const MainWindow &window;
    MainFlasherView *content() const { return window.m_content; }
    // The log window, once it has been asked for.
    LogWindow *logWindow() const { return window.m_logWindow; }
    // The question asked when the window is closed during an install; null while none is open.
    QMessageBox *closeQuestion() const { return window.m_closeQuestion; }
};

struct LogWindowTestAccess {
    const LogWindow &window;
    QPlainTextEdit *text() const { return window.m_text; }
    QPushButton *copyButton() const { return window.m_copy; }
    QPushButton *openFolderButton() const { return window.m_openFolder; }
};

struct UpdaterTestAccess {
    const Updater &updater;
    bool isChecking() const { return updater.m_checking; }
};

} // namespace vexlo
