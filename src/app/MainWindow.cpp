#include "MainWindow.h"

#include "LogWindow.h"
#include "Updater.h"
#include "workflow/MainFlasherView.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QSet>

namespace vexlo {

namespace {

// Gives every item without a mnemonic one: the first letter of a word not yet taken, else any
// letter not yet taken, as KDE's desktop does, so that texts written without one still get it.
void giveMnemonics(const QList<QAction *> &actions)
{
    QSet<int> taken; // as keys: Alt plus the upper-case letter
    for (const QAction *action : actions)
        if (const QKeySequence mnemonic = QKeySequence::mnemonic(action->text());
            !mnemonic.isEmpty())
            taken.insert(mnemonic[0].toCombined());
    const auto free = [&](QChar letter) {
        return letter.isLetter() && !taken.contains(int(Qt::ALT) | letter.toUpper().unicode());
    };
    for (QAction *action : actions) {
        const QString text = action->text();
        if (action->isSeparator() || !QKeySequence::mnemonic(text).isEmpty())
            continue;
        qsizetype choice = -1;
        for (qsizetype i = 0; i < text.size() && choice < 0; ++i)
            if ((i == 0 || text.at(i - 1).isSpace()) && free(text.at(i)))
                choice = i;
        for (qsizetype i = 0; i < text.size() && choice < 0; ++i)
            if (free(text.at(i)))
                choice = i;
        if (choice < 0)
            continue;
        taken.insert(int(Qt::ALT) | text.at(choice).toUpper().unicode());
        action->setText(text.left(choice) + QLatin1Char('&') + text.mid(choice));
    }
}

} // namespace

MainWindow::MainWindow(MainFlasherState &state, Updater &updater, QWidget *parent)
    : QMainWindow(parent)
    , m_state(state)
    , m_content(new MainFlasherView(state, this))
{
    setWindowTitle(tr("Vexlo Utility"));
    setCentralWidget(m_content);
    // The window follows its content's size, so it cannot be resized by hand.
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
    menu->addSeparator();
    menu->addAction(tr("&Protokoll anzeigen…"), this, &MainWindow::showLog);
    menu->addSeparator();
    // The same way as closing the window, with its question during an install.
    QAction *quit = menu->addAction(tr("&Beenden"), this, &QWidget::close);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setShortcutContext(Qt::ApplicationShortcut); // from the log window too
    quit->setMenuRole(QAction::QuitRole);
    giveMnemonics(menuBar()->actions());
    giveMnemonics(menu->actions());
}

void MainWindow::showLog()
{
    if (!m_logWindow)
        m_logWindow = new LogWindow(this);
    m_logWindow->show();
    m_logWindow->raise();
    m_logWindow->activateWindow();
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
