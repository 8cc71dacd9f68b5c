#include "clsOSTNA.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

#include <cmath>

namespace {

// The tooltip field held 64 8-bit characters including the closing zero.
constexpr qsizetype kTipLength = 63;

// What the platform's click would have been; 0 for none.
int MessageOf(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return clsOSTNA::WM_LBUTTONDOWN;
    case QSystemTrayIcon::DoubleClick:
        return clsOSTNA::WM_LBUTTONDBLCLK;
    case QSystemTrayIcon::Context:
        return clsOSTNA::WM_RBUTTONDOWN;
    case QSystemTrayIcon::MiddleClick:
        return clsOSTNA::WM_MBUTTONDOWN;
    case QSystemTrayIcon::Unknown:
        break;
    }
    return 0;
}

} // namespace

clsOSTNA::clsOSTNA(QObject* parent) : QObject(parent), m_Tray(new QSystemTrayIcon(this)) {
    connect(m_Tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (const int message = MessageOf(reason)) emit MouseMessage(message);
            });
}

clsOSTNA::~clsOSTNA() {
    IconStop();
}

int clsOSTNA::IconStart(QWidget* receiver, const QIcon& icon, const QString& tip) {
    IconStop();
    if (receiver) receiver->hide();
    ChangeIcon(icon);
    ChangeTip(tip);
    // Without a notification area (offscreen, a bare X server) there is simply no icon.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return 0;
    m_Tray->show();
    m_blnShown = true;
    return 1;
}

void clsOSTNA::IconStop() {
    if (!m_blnShown) return;
    m_Tray->hide();
    m_blnShown = false;
}

void clsOSTNA::ChangeIcon(const QIcon& icon) {
    m_Tray->setIcon(icon);
}

void clsOSTNA::ChangeTip(const QString& tip) {
    m_strTip = tip.left(kTipLength);
    m_Tray->setToolTip(m_strTip);
}

int clsOSTNA::MessageFromX(double x) {
    switch (std::lround(x) & 15) {
    case 15:
        return WM_LBUTTONDOWN;
    case 12:
        return WM_RBUTTONDOWN;
    case 13:
        return WM_LBUTTONDBLCLK;
    default:
        return 0;
    }
}

void clsOSTNA::SetMenu(QMenu* menu) {
    m_Tray->setContextMenu(menu);
}
