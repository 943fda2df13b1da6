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
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Every way of ending the program from the window comes here, the menu's included.
    if (m_quitting || !m_state.isInstalling()) {
        event->accept();
        Q_EMIT quitRequested();
        return;
    }
    event->ignore();
    askBeforeClosing();
}

void MainWindow::askBeforeClosing()
{
    if (m_closeQuestion) {
        m_closeQuestion->raise();
        return;
    }
    m_closeQuestion = new QMessageBox(QMessageBox::Question, windowTitle(),
                                      tr("Die Installation läuft noch. Trotzdem beenden?"),
                                      QMessageBox::Yes | QMessageBox::No, this);
    m_closeQuestion->setInformativeText(
        tr("Die Installation wird nicht abgebrochen: Das Programm endet, sobald sie "
           "abgeschlossen ist."));
    // A stray Enter or Escape keeps the window.
    m_closeQuestion->setDefaultButton(QMessageBox::No);
    m_closeQuestion->setEscapeButton(QMessageBox::No);
    m_closeQuestion->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_closeQuestion, &QMessageBox::finished, this, [this](int answer) {
        if (answer == QMessageBox::Yes)
            quitAfterRun();
    });
    // Once the run has ended there is nothing left to ask about.
    connect(&m_state, &MainFlasherState::isInstallingChanged, m_closeQuestion, [this] {
        if (!m_state.isInstalling())
            m_closeQuestion->done(QMessageBox::No);
    });
    m_closeQuestion->open();
}

void MainWindow::quitAfterRun()
{
    if (m_closeQuestion)
        m_closeQuestion->done(QMessageBox::No);
    m_quitting = true;
    hide();
    Q_EMIT quitRequested();
}

} // namespace vexlo
