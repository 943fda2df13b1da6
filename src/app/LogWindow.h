#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace vexlo {

// This session's log, read-only and selectable, following new lines as they come, with buttons
// that copy it and open the folder of the log files.
class LogWindow : public QDialog
{
    Q_OBJECT
public:
    explicit LogWindow(QWidget *parent = nullptr);

private:
    friend struct LogWindowTestAccess;

    void showLine(const QString &line);
    void openFolder();

    QPlainTextEdit *m_text;
    QPushButton *m_copy;
    QPushButton *m_openFolder;
};

} // namespace vexlo
