#pragma once
// The program's icon in the desktop's notification area. The main window owns one; while the
// window is hidden it is the way back (double-click) and the way out (its menu).

#include <QIcon>
#include <QObject>
#include <QString>

class QMenu;
class QSystemTrayIcon;
class QWidget;

class clsOSTNA : public QObject {
    Q_OBJECT
public:
    // The platform's mouse messages the icon reports.
    static constexpr int WM_LBUTTONDOWN = 513, WM_LBUTTONDBLCLK = 515, WM_RBUTTONDOWN = 516;
    static constexpr int WM_MBUTTONDOWN = 519;

    explicit clsOSTNA(QObject* parent = nullptr);
    ~clsOSTNA() override;

    // Removes a shown icon first; hides `receiver` (the main window's hidden text box that stands
    // for the receiving window; may be nullptr); shows the icon with `tip` (cut to 63
    // characters). Returns 1 when the icon is shown, 0 when the desktop has no notification area.
    int IconStart(QWidget* receiver, const QIcon& icon, const QString& tip);
    // When shown: removes the icon; otherwise does nothing.
    void IconStop();
    void ChangeIcon(const QIcon& icon);
    void ChangeTip(const QString& tip); // 63 characters at most
    bool IsShown() const { return m_blnShown; }
    QString Tip() const { return m_strTip; } // as stored, cut

    static bool IsLeftButton(int message) { return message == WM_LBUTTONDOWN; }
    static bool IsRightButton(int message) { return message == WM_RBUTTONDOWN; }
    static bool IsDoubleClick(int message) { return message == WM_LBUTTONDBLCLK; }
    // The message as it once travelled: the X value of a mouse move in twips, 15 per pixel.
    // The rounded value's low four bits tell the message: 15 → 513, 12 → 516, 13 → 515;
    // anything else (moves, releases) is 0.
    static int MessageFromX(double x);

    // The icon's context menu, which the platform shows on a right click.
    void SetMenu(QMenu* menu);

signals:
    // Each click on the icon, as the platform's mouse message.
    void MouseMessage(int message);

private:
    QSystemTrayIcon* m_Tray; // child of this object
    QString m_strTip;
    bool m_blnShown = false;
};
