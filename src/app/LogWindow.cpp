#include "LogWindow.h"

#include "platform/Platform.h"
#include "platform/SessionLog.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QUrl>
#include <QVBoxLayout>

namespace vexlo {

LogWindow::LogWindow(QWidget *parent)
    : QDialog(parent)
    , m_text(new QPlainTextEdit(this))
    , m_copy(new QPushButton(tr("&Kopieren"), this))
    , m_openFolder(new QPushButton(tr("&Ordner öffnen"), this))
{
    setWindowTitle(tr("Protokoll – Vexlo Utility"));
    resize(720, 420);
    m_text->setReadOnly(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setMaximumBlockCount(int(SessionLog::maximumLines));
    const SessionLog &log = SessionLog::instance();
    m_text->setPlainText(log.lines().join(QLatin1Char('\n')));
    m_text->verticalScrollBar()->setValue(m_text->verticalScrollBar()->maximum());

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(m_copy, QDialogButtonBox::ActionRole);
    buttons->addButton(m_openFolder, QDialogButtonBox::ActionRole);
    // Enter in the text must not press a button.
    for (QAbstractButton *button : buttons->buttons())
        static_cast<QPushButton *>(button)->setAutoDefault(false);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_copy, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(m_text->toPlainText()); });
    connect(m_openFolder, &QPushButton::clicked, this, &LogWindow::openFolder);
    connect(&log, &SessionLog::lineAdded, this, &LogWindow::showLine);
}

void LogWindow::showLine(const QString &line)
{
    // Follows new lines unless the reader has scrolled up to read an earlier one.
    QScrollBar *bar = m_text->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    m_text->appendPlainText(line);
    if (atEnd)
        bar->setValue(bar->maximum());
}

void LogWindow::openFolder()
{
    // The log file may not have been written yet; the folder is there to be opened all the same.
    const QString folder = platform::logDirectory();
    if (platform::makePrivateDirectory(folder)
        && QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
        return;
    QMessageBox::warning(this, windowTitle(),
                         tr("Der Ordner %1 lässt sich nicht öffnen.").arg(folder));
}

} // namespace vexlo
