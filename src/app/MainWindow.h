#pragma once

#include "workflow/MainFlasherState.h"

#include <QMainWindow>

#include <functional>

namespace vexlo {

class LogWindow;
class MainFlasherView;
class Updater;

// The program's single window: the flasher's content at its fixed size (larger when the font
// needs it), and the menu with About, "Check for Updates…", the log and quitting.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(MainFlasherState &state, Updater &updater, QWidget *parent = nullptr);

    MainFlasherView *content() const { return m_content; }
    // The log window, once it has been asked for.
    LogWindow *logWindow() const { return m_logWindow; }
    // Asked before the window closes during an install; yes closes it. A dialog by default.
    std::function<bool()> confirmCloseDuringInstall;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void showLog();

    MainFlasherState &m_state;
    MainFlasherView *m_content;
    LogWindow *m_logWindow = nullptr;
};

} // namespace vexlo
