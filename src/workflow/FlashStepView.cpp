#include "FlashStepView.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace vexlo {

namespace {

constexpr int markSize = 12;
// The bar starts 60 points after the start of the word "Fortschritt:", or further when a larger
// font needs it: beside the word, never over it.
constexpr int progressBarStart = 60;
constexpr int progressBarGap = 4;
constexpr QSize progressBarSize(179, 4);

} // namespace

StatusMark::StatusMark(QWidget *parent)
    : QWidget(parent)
    , m_spin(new QTimer(this))
{
    setFixedSize(markSize, markSize);
    m_spin->setInterval(80);
    connect(m_spin, &QTimer::timeout, this, [this] {
        m_phase = (m_phase + 1) % 8;
        update();
    });
}

void StatusMark::setStatus(StepStatus status)
{
    m_status = status;
    if (status == StepStatus::inProgress)
        m_spin->start();
    else
        m_spin->stop();
    update();
}

void StatusMark::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect());
    if (m_status == StepStatus::inProgress) {
        // An activity indicator at half size: eight spokes, the leading one darkest.
        painter.translate(box.center());
        const QColor ink = palette().color(QPalette::WindowText);
        for (int i = 0; i < 8; ++i) {
            QColor spoke = ink;
            spoke.setAlphaF(1.0f - 0.1f * float((i - m_phase + 8) % 8));
            painter.setPen(QPen(spoke, 1.2, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(QPointF(0, -2.5), QPointF(0, -5.5));
            painter.rotate(45);
        }
        return;
    }
    const QColor colour = m_status == StepStatus::success ? QColor(0x34, 0xc7, 0x59)
        : m_status == StepStatus::failure                 ? QColor(0xff, 0x3b, 0x30)
                                                          : QColor(0x8e, 0x8e, 0x93);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(box.adjusted(0.5, 0.5, -0.5, -0.5));
}

FlashStepView::FlashStepView(QWidget *parent)
    : QWidget(parent)
    , m_mark(new StatusMark(this))
    , m_title(new QLabel(this))
    , m_detail(new QLabel(this))
    , m_progressBar(new QProgressBar(this))
    , m_retry(new QToolButton(this))
{
    showCaptionFont();
    QPalette secondary = m_detail->palette();
    secondary.setColor(QPalette::WindowText, secondary.color(QPalette::PlaceholderText));
    m_detail->setPalette(secondary);
    m_detail->setMinimumWidth(progressBarStart - progressBarGap);

    m_progressBar->setRange(0, 1000);
    m_progressBar->setTextVisible(false);
    m_progressBar->setFixedSize(progressBarSize);
    m_progressBar->hide();

    m_retry->setText(tr("Erneut prüfen"));
    m_retry->setAutoRaise(true);
    m_retry->hide();
    connect(m_retry, &QToolButton::clicked, this, &FlashStepView::retryRequested);
    auto *titleLine = new QHBoxLayout;
    titleLine->setContentsMargins(0, 0, 0, 0);
    titleLine->addWidget(m_title);
    titleLine->addWidget(m_retry);
    titleLine->addStretch();
    auto *detailLine = new QHBoxLayout;
    detailLine->setSpacing(progressBarGap);
    detailLine->addWidget(m_detail);
    detailLine->addWidget(m_progressBar, 0, Qt::AlignVCenter);
    detailLine->addStretch();
    auto *text = new QVBoxLayout;
    text->setContentsMargins(0, 0, 0, 0);
    text->addLayout(titleLine);
    text->addLayout(detailLine);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    row->addWidget(m_mark, 0, Qt::AlignVCenter);
    row->addLayout(text);
}

void FlashStepView::showCaptionFont()
{
    QFont caption = font();
    caption.setPointSizeF(caption.pointSizeF() * 0.8);
    m_detail->setFont(caption);
    m_retry->setFont(caption);
}

void FlashStepView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // The caption is set on its own, so it follows a new desktop font only when told.
    if (event->type() == QEvent::FontChange)
        showCaptionFont();
}

void FlashStepView::setRow(const StepRow &row, double progress)
{
    const QString title = stepTitle(row.titleKey);
    m_title->setText(title);
    m_mark->setStatus(row.status);
    m_detail->setVisible(row.detail.has_value());
    m_detail->setText(row.detail.value_or(QString()));
    m_progressBar->setVisible(row.showsProgressBar);
    m_progressBar->setValue(qRound(progress * 1000));
    m_retry->setVisible(row.offersRetry);
    setToolTip(row.toolTip);
    // Red and green alone are lost on many users: the row says its state in words too.
    setAccessibleName(title);
    QString description = stepStatusText(row.status);
    if (row.detail)
        description += QStringLiteral(", ") + *row.detail;
    if (row.showsProgressBar)
        description += QStringLiteral(" %1 %").arg(qRound(progress * 100));
    setAccessibleDescription(description);
    m_mark->setToolTip(description);
}

} // namespace vexlo
