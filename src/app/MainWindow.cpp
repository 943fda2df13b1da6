#include "MainWindow.h"

#include "Updater.h"
#include "workflow/MainFlasherView.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>

namespace vexlo {

MainWindow::MainWindow(MainFlasherState &state, Updater &updater, QWidget *parent)
    : QMainWindow(parent)
    , m_state(state)
    , m_content(new MainFlasherView(state, this))
{
    setWindowTitle(tr("Vexlo Utility"));
    setCentralWidget(m_content);
    // The content has a fixed size and the window follows it, so it cannot be resized.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    QMenu *menu = menuBar()->addMenu(tr("Vexlo Utility"));
    QAction *about = menu->addAction(tr("Über Vexlo Utility"), this, [this] {
        QMessageBox::about(this, tr("Über Vexlo Utility"),
                           tr("<b>Vexlo Utility</b> %1<br>Bringt die Steuerplatine einer "
                              "Coilex-Maschine auf die neueste Firmware.")
                               .arg(QCoreApplication::applicationVersion()));
    });
    about->setMenuRole(QAction::AboutRole);
    // The theme's update icon, else our own (PNG: SVG needs a plugin that may be missing).
    QIcon fallback(QStringLiteral(":/icons/check-for-updates-16.png"));
    fallback.addFile(QStringLiteral(":/icons/check-for-updates-32.png"));
    QAction *checkForUpdates =
        menu->addAction(QIcon::fromTheme(QStringLiteral("system-software-update"), fallback),
                        tr("Check for Updates…"), &updater, &Updater::checkForUpdates);
    checkForUpdates->setMenuRole(QAction::ApplicationSpecificRole);

    confirmCloseDuringInstall = [this] {
        return QMessageBox::question(this, windowTitle(),
                                     tr("Die Installation läuft noch. Trotzdem beenden?"))
            == QMessageBox::Yes;
    };
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_state.isInstalling() && !confirmCloseDuringInstall()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace vexlo
