#pragma once

#include "workflow/MainFlasherState.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>

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

    // Hides the window and asks to quit once the install under way has ended: the answer "Ja",
    // or a termination signal.
    void quitAfterRun();

Q_SIGNALS:
    // The user closed the window (or answered "Ja"): the program is to end.
    void quitRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    friend struct MainWindowTestAccess;

    void askBeforeClosing();
    void showLog();

    MainFlasherState &m_state;
    MainFlasherView *m_content;
    QPointer<QMessageBox> m_closeQuestion;
    LogWindow *m_logWindow = nullptr;
    bool m_quitting = false;
};

} // namespace vexlo
