#include "frmMessage.h"

#include "itfPrompter.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <climits>

namespace {

frmMessage* g_instance = nullptr;

constexpr int kHourglassInterval = 150;    // ms per frame
constexpr int kCounterPercentFrom = 10000; // from this maximum on the counter shows a percentage

// One frame of the hourglass: `sand` is the share still in the upper bulb, the glass turned by
// `angle` degrees.
QPixmap DrawHourglass(qreal sand, qreal angle) {
    QPixmap pix(32, 32);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(16, 16);
    p.rotate(angle);

    const QColor sandColour(0xd9, 0xa4, 0x41);
    p.setPen(Qt::NoPen);
    p.setBrush(sandColour);
    if (sand > 0) {
        const qreal y = -11 * sand;
        p.drawPolygon(QPolygonF{{-9 * sand, y}, {9 * sand, y}, {0, 0}});
    }
    if (sand < 1) {
        const qreal y = 11 * sand;
        const qreal half = 9 * sand;
        p.drawPolygon(QPolygonF{{-half, y}, {half, y}, {9, 11}, {-9, 11}});
        if (sand > 0) {
            p.setPen(QPen(sandColour, 1.2));
            p.drawLine(QPointF(0, 0), QPointF(0, y));
        }
    }

    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.4));
    p.setBrush(Qt::NoBrush);
    QPainterPath glass;
    glass.moveTo(-9, -11);
    glass.lineTo(9, -11);
    glass.lineTo(1, 0);
    glass.lineTo(9, 11);
    glass.lineTo(-9, 11);
    glass.lineTo(-1, 0);
    glass.closeSubpath();
    p.drawPath(glass);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x7a, 0x4b, 0x2a));
    p.drawRoundedRect(QRectF(-12, -14, 24, 3), 1, 1);
    p.drawRoundedRect(QRectF(-12, 11, 24, 3), 1, 1);
    return pix;
}

// The sand runs down, then the glass turns over: after half a turn it is full again.
std::vector<QPixmap> HourglassFrames() {
    std::vector<QPixmap> frames;
    for (qreal sand : {1.0, 0.8, 0.6, 0.4, 0.2, 0.0})
        frames.push_back(DrawHourglass(sand, 0));
    for (qreal angle : {60.0, 120.0})
        frames.push_back(DrawHourglass(0, angle));
    return frames;
}

int ClampToInt(qint64 value) {
    return int(std::clamp<qint64>(value, INT_MIN, INT_MAX));
}

} // namespace

frmMessage& frmMessage::Instance() {
    if (!g_instance) {
        g_instance = new frmMessage;
        // Top-level widgets outlive nothing of their own accord; drop ours with the application.
        qAddPostRoutine([] {
            delete g_instance;
            g_instance = nullptr;
        });
    }
    return *g_instance;
}

void frmMessage::Unload() {
    if (g_instance) g_instance->UnloadWindow();
}

frmMessage::frmMessage()
    // Not a child of the owner: a disabled owner would disable this window and its stop button.
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("frmMessage");
    setWindowTitle("Tessarin");
    setModal(false);

    imgHourglass = new QLabel(this);
    imgHourglass->setObjectName("imgHourglass");
    imgHourglass->setFixedSize(32, 32);
    lblMessage = new QLabel(this);
    lblMessage->setObjectName("lblMessage");
    lblMessage->setMinimumWidth(340);
    lblMessage->setMaximumWidth(560); // a long table name wraps instead of widening the window
    lblMessage->setWordWrap(true);
    shpProgress = new QFrame(this);
    shpProgress->setObjectName("shpProgress");
    shpProgress->setFrameShape(QFrame::Box);
    pbNotify = new QProgressBar(shpProgress);
    pbNotify->setObjectName("pbNotify");
    pbNotify->setTextVisible(false);
    lblCount = new QLabel(this);
    lblCount->setObjectName("lblCount");
    lblCount->setMinimumWidth(90);
    lblCount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    cmdStop = new QPushButton("Interrompi", this);
    cmdStop->setObjectName("cmdStop");
    cmdStop->setAutoDefault(false);
    tmHourglass = new QTimer(this);
    tmHourglass->setObjectName("tmHourglass");
    tmHourglass->setInterval(kHourglassInterval);
    m_imlHourglass = HourglassFrames();

    auto* frameLayout = new QHBoxLayout(shpProgress);
    frameLayout->setContentsMargins(2, 2, 2, 2);
    frameLayout->addWidget(pbNotify);

    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(shpProgress, 1);
    progressRow->addWidget(lblCount);
    auto* stopRow = new QHBoxLayout;
    stopRow->addStretch();
    stopRow->addWidget(cmdStop);

    auto* text = new QVBoxLayout;
    text->addWidget(lblMessage);
    text->addLayout(progressRow);
    text->addLayout(stopRow);
    auto* top = new QHBoxLayout(this);
    top->addWidget(imgHourglass, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    top->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdStop, &QPushButton::clicked, this, &frmMessage::cmdStop_Click);
    connect(tmHourglass, &QTimer::timeout, this, &frmMessage::tmHourglass_Timer);
    Load();
}

frmMessage::~frmMessage() {
    ReleaseOwner();
}

void frmMessage::Load() {
    SetProgressShown(false);
    cmdStop->hide();
    lblCount->clear();
    m_intFrame = 1;
    imgHourglass->setPixmap(m_imlHourglass.front());
    tmHourglass->start();
    m_blnLoaded = true;
}

void frmMessage::UnloadWindow() {
    ReleaseOwner();
    tmHourglass->stop();
    hide();
    // The stop request survives: the operation that was stopped reads it at its next report.
    m_blnLoaded = false;
}

void frmMessage::ShowMsg(const QString& text, QWidget* owner, int left, int top) {
    if (!m_blnLoaded) Load();
    if (owner != m_owner) {
        ReleaseOwner();
        RememberOwner(owner);
    }
    lblMessage->setText(text);

    if (!isVisible()) {
        if (m_owner) m_owner->repaint();
        winId(); // the native window must exist to be kept over the owner's
        windowHandle()->setTransientParent(m_owner ? m_owner->window()->windowHandle() : nullptr);
        adjustSize();
        const QRect over = m_owner ? m_owner->window()->frameGeometry()
                                   : QApplication::primaryScreen()->availableGeometry();
        QRect placed = rect();
        placed.moveCenter(over.center());
        move(left != -1 ? left : placed.left(), top != -1 ? top : placed.top());
        show();
        if (!isVisible()) {
            ReleaseOwner();
            return;
        }
        if (!pbNotify->isHidden() && pbNotify->value() >= pbNotify->maximum()) EndProgress();
    } else {
        if (left != -1 || top != -1) move(left != -1 ? left : x(), top != -1 ? top : y());
        DisableOwner(); // a new owner is kept disabled like the first one
    }
    repaint();
}

void frmMessage::StartProgress(qint64 maximum, bool stopAllowed) {
    if (!m_blnLoaded) Load();
    // A bar needs a span: an empty (or nonsensical) maximum still gives one step.
    pbNotify->setRange(0, maximum > 0 ? ClampToInt(maximum) : 1);
    pbNotify->setValue(0);
    SetProgressShown(true);
    cmdStop->setVisible(stopAllowed);
    m_blnStopRequested = false;
    lblCount->clear();
}

bool frmMessage::Progress(qint64 position, bool showStop) {
    if (showStop) {
        cmdStop->show();
    } else {
        if (position != 0) {
            if (position > 0 && position <= pbNotify->maximum()) pbNotify->setValue(int(position));
        } else if (pbNotify->value() < pbNotify->maximum()) {
            pbNotify->setValue(pbNotify->value() + 1);
        }
    }
    UpdateCounter();
    // Here the user gets to press the stop button during the engine's work.
    QCoreApplication::processEvents();
    return !m_blnStopRequested;
}

qint64 frmMessage::MaxProgress() const {
    return pbNotify->isHidden() ? 0 : pbNotify->maximum();
}

void frmMessage::EndProgress() {
    SetProgressShown(false);
    cmdStop->hide();
}

void frmMessage::OnStart(const QString&, qint64 p_lngMax) {
    StartProgress(p_lngMax, true);
}

void frmMessage::OnProgress(const QString&, qint64 p_lngPosition, bool& p_blnContinue) {
    p_blnContinue = Progress(p_lngPosition, false);
}

void frmMessage::OnEnd(const QString&) {
    EndProgress();
}

void frmMessage::OnStopped(bool& p_blnStopped) {
    p_blnStopped = m_blnStopRequested;
}

void frmMessage::UpdateCounter() {
    const int value = pbNotify->value();
    const int maximum = pbNotify->maximum();
    if (maximum >= kCounterPercentFrom)
        lblCount->setText(QString::number(qRound(100.0 * value / maximum)) + " %");
    else
        lblCount->setText(QString::number(value) + " / " + QString::number(maximum));
}

void frmMessage::SetProgressShown(bool shown) {
    pbNotify->setVisible(shown);
    shpProgress->setVisible(shown);
    lblCount->setVisible(shown);
}

void frmMessage::RememberOwner(QWidget* owner) {
    m_owner = owner;
    // The owner's own setting, not the one inherited from a disabled parent.
    m_blnOwnerEnabled = owner && !owner->testAttribute(Qt::WA_ForceDisabled);
}

void frmMessage::DisableOwner() {
    if (!m_owner) return;
    m_owner->setEnabled(false);
    m_owner->update();
}

void frmMessage::ReleaseOwner() {
    QWidget* owner = m_owner;
    m_owner = nullptr;
    if (!owner) return;
    owner->setEnabled(m_blnOwnerEnabled);
    if (owner->isEnabled() && owner->isVisible()) {
        owner->activateWindow();
        owner->setFocus();
    }
}

void frmMessage::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) DisableOwner();
    QDialog::changeEvent(event);
}

void frmMessage::showEvent(QShowEvent* event) {
    // Not every platform activates a modeless window; the owner is disabled all the same.
    DisableOwner();
    QDialog::showEvent(event);
}

void frmMessage::reject() {
    // Esc (and closing from the title bar) stand for the stop button, and only while it is
    // offered; a plain message cannot be dismissed by the user.
    if (!cmdStop->isHidden()) cmdStop_Click();
}

void frmMessage::cmdStop_Click() {
    if (ShowMessage(this, "Confermi l'interruzione ?", PromptIcon::Question, PromptButtons::YesNo,
                    PromptAnswer::Yes) != PromptAnswer::Yes)
        return;
    if (m_blnStopRequested)
        UnloadWindow();
    else
        m_blnStopRequested = true;
}

void frmMessage::tmHourglass_Timer() {
    m_intFrame = m_intFrame >= int(m_imlHourglass.size()) ? 1 : m_intFrame + 1;
    imgHourglass->setPixmap(m_imlHourglass[m_intFrame - 1]);
}
