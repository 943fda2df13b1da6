#pragma once

#include "workflow/MainFlasherState.h"

#include <QMainWindow>

#include <functional>

namespace vexlo {

class MainFlasherView;
class Updater;

// The program's single window: the flasher's content at its fixed size, and the menu with About
// and "Check for Updates…".
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(MainFlasherState &state, Updater &updater, QWidget *parent = nullptr);

    MainFlasherView *content() const { return m_content; }
    // Asked before the window closes during an install; yes closes it. A dialog by default.
    std::function<bool()> confirmCloseDuringInstall;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    MainFlasherState &m_state;
    MainFlasherView *m_content;
};

} // namespace vexlo
