#include "MainFlasherView.h"

#include "FlashStepView.h"

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace vexlo {

namespace {

QHBoxLayout *row()
{
    auto *layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    return layout;
}

} // namespace

MainFlasherView::MainFlasherView(MainFlasherState &state, QWidget *parent)
    : QWidget(parent)
    , m_state(state)
    , m_versionLine(new QLabel(this))
    , m_variantPicker(new QButtonGroup(this))
{
    // The size the window is made for; a larger font gets the room its text needs. Tab follows
    // the order in which the controls are made, so they are made in reading order.
    setMinimumSize(336, 338);
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(20, 20, 20, 20);
    root->setSpacing(16);
    buildVersionRow(root);
    buildVariantPicker(root);
    buildSteps(root);
    buildActionRow(root);
    connectState();

    showVersion();
    showVariant();
    showPorts();
    showSteps();
    showInstallButton();
}

void MainFlasherView::buildVersionRow(QVBoxLayout *root)
{
    auto *version = row();
    // The version comes from the server: never read as markup.
    m_versionLine->setTextFormat(Qt::PlainText);
    version->addWidget(m_versionLine);
    version->addStretch();
    root->addLayout(version);
}

void MainFlasherView::buildVariantPicker(QVBoxLayout *root)
{
    auto *variant = row();
    auto *variantLabel = new QLabel(tr("Variant"), this);
    variant->addWidget(variantLabel);
    auto *segments = row();
    segments->setSpacing(0);
    const std::array<std::pair<CoilexVariant, QString>, 3> choices{
        {{CoilexVariant::v4, tr("Coilex V4")},
         {CoilexVariant::pro, tr("Coilex Pro")},
         {CoilexVariant::universal, tr("U")}}};
    for (const auto &[value, text] : choices) {
        // Tool buttons: a push button asks for at least 80 pixels, more than the segments need.
        auto *segment = new QToolButton(this);
        segment->setText(text);
        segment->setCheckable(true);
        segment->setFocusPolicy(Qt::StrongFocus);
        segment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        segment->setAccessibleDescription(variantLabel->text());
        m_variantPicker->addButton(segment, int(value));
        segments->addWidget(segment, 1);
    }
    variant->addLayout(segments, 1);
    root->addLayout(variant);
}

void MainFlasherView::buildSteps(QVBoxLayout *root)
{
    auto *divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    root->addWidget(divider);

    auto *stepColumn = new QVBoxLayout;
    stepColumn->setSpacing(14);
    for (FlashStepView *&step : m_steps) {
        step = new FlashStepView(this);
        stepColumn->addWidget(step, 0, Qt::AlignLeft);
    }
    auto *steps = row();
    steps->addLayout(stepColumn);
    steps->addStretch();
    root->addLayout(steps);
    root->addStretch();
}

void MainFlasherView::buildActionRow(QVBoxLayout *root)
{
    m_portLabel = new QLabel(tr("Port:"), this);
    m_portPicker = new QComboBox(this);
    m_portLabel->setBuddy(m_portPicker);
    m_installButton = new QPushButton(this);
    auto *actions = row();
    actions->addWidget(m_portLabel);
    actions->addWidget(m_portPicker);
    actions->addStretch();
    actions->addWidget(m_installButton, 0, Qt::AlignVCenter);
    actions->setContentsMargins(0, 0, 0, 2);
    root->addLayout(actions);

    // Wide enough for the whole path.
    m_portPicker->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_installButton->setDefault(true);
    // Reached with Tab; a click does not leave a focus frame on it.
    m_installButton->setFocusPolicy(Qt::TabFocus);
    // The prominent style: filled with the accent colour. Keyboard focus draws a frame in the
    // text colour, which stands out on the accent where the style's own focus frame does not.
    m_installButton->setStyleSheet(QStringLiteral(
        "QPushButton { background: palette(highlight); color: palette(highlighted-text);"
        " border: 2px solid palette(highlight); border-radius: 5px; padding: 2px 10px; }"
        "QPushButton:focus { border-color: palette(text); }"
        "QPushButton:disabled { background: palette(button); color: palette(dark);"
        " border: 1px solid palette(mid); padding: 3px 11px; }"));
    m_retryAction = new QAction(tr("Erneut prüfen"), this);
    m_retryAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    addAction(m_retryAction);
}

void MainFlasherView::connectState()
{
    SerialPortMonitor &monitor = m_state.portMonitor();
    connect(m_variantPicker, &QButtonGroup::idClicked, this,
            [this](int id) { m_state.setCoilexVariant(CoilexVariant(id)); });
    connect(m_portPicker, &QComboBox::activated, this, [this, &monitor](int index) {
        monitor.setSelectedDevice(m_portPicker->itemText(index));
    });
    connect(m_installButton, &QPushButton::clicked, &m_state,
            &MainFlasherState::downloadAndInstall);
    connect(m_retryAction, &QAction::triggered, &m_state, &MainFlasherState::retryDetection);
    connect(m_steps.front(), &FlashStepView::retryRequested, m_retryAction, &QAction::trigger);

    connect(&m_state, &MainFlasherState::latestFirmwareVersionChanged, this,
            &MainFlasherView::showVersion);
    connect(&m_state, &MainFlasherState::coilexVariantChanged, this, &MainFlasherView::showVariant);
    for (const auto signal :
         {&SerialPortMonitor::selectedDeviceChanged, &SerialPortMonitor::availableDevicesChanged,
          &SerialPortMonitor::isDetectingBoardChanged, &SerialPortMonitor::detectionFinished})
        connect(&monitor, signal, this, [this] {
            showPorts();
            showSteps();
        });
    for (const auto signal :
         {&MainFlasherState::statusChanged, &MainFlasherState::isFlashingChanged,
          &MainFlasherState::progressChanged, &MainFlasherState::isInstallingChanged})
        connect(&m_state, signal, this, &MainFlasherView::showSteps);
    connect(&m_state, &MainFlasherState::canInstallChanged, this,
            &MainFlasherView::showInstallButton);
}

void MainFlasherView::showVersion()
{
    m_versionLine->setText(tr("Neuste Firmware Version: ") + m_state.latestFirmwareVersion());
}

void MainFlasherView::showVariant()
{
    m_variantPicker->button(int(m_state.coilexVariant()))->setChecked(true);
}

void MainFlasherView::showPorts()
{
    const SerialPortMonitor &monitor = m_state.portMonitor();
    const QStringList ports = monitor.availableDevices();
    QStringList shown;
    for (int i = 0; i < m_portPicker->count(); ++i)
        shown << m_portPicker->itemText(i);
    // Rebuilt only when the list changes, so that the refresh every second leaves an open
    // pop-up alone.
    if (shown != ports) {
        m_portPicker->clear();
        m_portPicker->addItems(ports);
    }
    m_portPicker->setCurrentIndex(int(ports.indexOf(monitor.selectedDevice().value_or(QString()))));
    const bool choice = ports.size() >= 2;
    m_portLabel->setVisible(choice);
    m_portPicker->setVisible(choice);
    m_installButton->setText(choice ? tr("Installieren") : tr("Herunterladen und installieren"));
}

void MainFlasherView::showSteps()
{
    const QList<StepRow> rows = stepRows(m_state.stepInputs());
    for (qsizetype i = 0; i < rows.size(); ++i)
        m_steps.at(i)->setRow(rows.at(i), m_state.progress());
    m_retryAction->setEnabled(m_state.canRetryDetection());
}

void MainFlasherView::showInstallButton()
{
    const QString blocked = m_state.installBlockedReason();
    m_installButton->setEnabled(blocked.isEmpty());
    m_installButton->setToolTip(blocked);
    m_retryAction->setEnabled(m_state.canRetryDetection());
}

void MainFlasherView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // A widget with a style sheet keeps the font it had when the sheet was applied.
    if (event->type() == QEvent::FontChange)
        m_installButton->setFont(font());
}

void MainFlasherView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        m_state.windowShown();
}

void MainFlasherView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        m_state.windowHidden();
}

} // namespace vexlo
