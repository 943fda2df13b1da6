#pragma once

#include "StepRows.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QTimer;
class QToolButton;

namespace vexlo {

// The 12 x 12 status mark of a step: a gray, green or red dot, or a small spinner.
class StatusMark : public QWidget
{
    Q_OBJECT
public:
    explicit StatusMark(QWidget *parent = nullptr);
    void setStatus(StepStatus status);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    friend struct FlashStepViewTestAccess;

    StepStatus m_status = StepStatus::idle;
    QTimer *m_spin;
    int m_phase = 0;
};

// One step of the install sequence: its mark, its title and an optional second line, which for
// the installation step has the progress bar beside it while flashing.
class FlashStepView : public QWidget
{
    Q_OBJECT
public:
    explicit FlashStepView(QWidget *parent = nullptr);

    void setRow(const StepRow &row, double progress);

Q_SIGNALS:
    void retryRequested();

protected:
    void changeEvent(QEvent *event) override;

private:
    friend struct FlashStepViewTestAccess;

    void showCaptionFont();

    StatusMark *m_mark;
    QLabel *m_title;
    QLabel *m_detail;
    QProgressBar *m_progressBar;
    QToolButton *m_retry;
};

} // namespace vexlo
