#pragma once

#include "MainFlasherState.h"

#include <QWidget>

#include <array>

class QAction;
class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace vexlo {

class FlashStepView;

// The window's content: newest version, variant picker, the four steps, the port picker and
// the install button. It only draws the state and forwards clicks.
class MainFlasherView : public QWidget
{
    Q_OBJECT
public:
    explicit MainFlasherView(MainFlasherState &state, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    friend struct MainFlasherViewTestAccess;

    // The rows from top to bottom; Tab follows this order.
    void buildVersionRow(QVBoxLayout *root);
    void buildVariantPicker(QVBoxLayout *root);
    void buildSteps(QVBoxLayout *root);
    void buildActionRow(QVBoxLayout *root);
    void connectState();
    void showVersion();
    void showVariant();
    void showPorts();
    void showSteps();
    void showInstallButton();

    MainFlasherState &m_state;
    QLabel *m_versionLine;
    QButtonGroup *m_variantPicker;
    std::array<FlashStepView *, 4> m_steps{};
    QLabel *m_portLabel = nullptr;
    QComboBox *m_portPicker = nullptr;
    QPushButton *m_installButton = nullptr;
    // "Erneut prüfen", Ctrl+R: detects the board on the selected port once more.
    QAction *m_retryAction = nullptr;
};

} // namespace vexlo
