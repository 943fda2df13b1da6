#pragma once

#include "FlashStepView.h"
#include "MainFlasherView.h"

// What the tests look at inside the window's content; the program itself reaches none of it.
// Each class here names its access as a friend.
namespace vexlo {

struct FlashStepViewTestAccess {
    const FlashStepView &row;
    StatusMark *mark() const { return row.m_mark; }
    StepStatus status() const { return row.m_mark->m_status; }
    QLabel *title() const { return row.m_title; }
    QLabel *detail() const { return row.m_detail; }
    QProgressBar *progressBar() const { return row.m_progressBar; }
    QToolButton *retryButton() const { return row.m_retry; }
};

struct MainFlasherViewTestAccess {
    const MainFlasherView &view;
    QLabel *versionLine() const { return view.m_versionLine; }
    QButtonGroup *variantPicker() const { return view.m_variantPicker; }
    FlashStepView *step(int index) const { return view.m_steps.at(index); }
    FlashStepViewTestAccess row(int index) const { return {*step(index)}; }
    QComboBox *portPicker() const { return view.m_portPicker; }
    QPushButton *installButton() const { return view.m_installButton; }
};

} // namespace vexlo
