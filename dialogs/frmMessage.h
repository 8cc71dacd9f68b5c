#pragma once
// The one modeless waiting window of the program: a line of text over an owner window,
// optionally with a progress bar, a counter and a stop button. While it is shown its owner is
// disabled, so nothing else touches the archive during long work. The engine reports progress
// to it directly through itfProgress.

#include "DbmsInterfaces.h"

#include <QDialog>
#include <QPixmap>
#include <QPointer>
#include <vector>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

class frmMessage : public QDialog, public itfProgress {
    Q_OBJECT
public:
    // The process's message window, loaded on first use.
    static frmMessage& Instance();
    // Hides the window and gives the owner back its enabled state. The object itself stays:
    // an engine operation may still hold it as its progress sink and must go on reading the
    // stop request from it.
    static void Unload();

    // Shows `text` over `owner`; a `left` or `top` other than -1 moves the window there.
    void ShowMsg(const QString& text, QWidget* owner, int left = -1, int top = -1);
    void StartProgress(qint64 maximum, bool stopAllowed);
    // Advances the bar to `position` (0: one step) and lets pending events run; false once a
    // stop was requested. With `showStop` it only makes the stop button visible.
    bool Progress(qint64 position, bool showStop);
    // The bar's maximum while the bar is shown, 0 otherwise.
    qint64 MaxProgress() const;
    void EndProgress();
    bool Stopped() const { return m_blnStopRequested; }

    void OnStart(const QString& p_strOperation, qint64 p_lngMax) override;
    void OnProgress(const QString& p_strOperation, qint64 p_lngPosition,
                    bool& p_blnContinue) override;
    void OnEnd(const QString& p_strOperation) override;
    void OnStopped(bool& p_blnStopped) override;

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    frmMessage();
    ~frmMessage() override;

    void Load();
    void UnloadWindow();
    void RememberOwner(QWidget* owner);
    void DisableOwner();
    void ReleaseOwner();
    void UpdateCounter();
    void SetProgressShown(bool shown);
    void cmdStop_Click();
    void tmHourglass_Timer();

    QLabel* imgHourglass;
    QLabel* lblMessage;
    QFrame* shpProgress; // the frame drawn around the bar, shown exactly when the bar is
    QProgressBar* pbNotify;
    QLabel* lblCount;
    QPushButton* cmdStop;
    QTimer* tmHourglass;
    std::vector<QPixmap> m_imlHourglass;

    QPointer<QWidget> m_owner;
    bool m_blnOwnerEnabled = true;
    bool m_blnStopRequested = false;
    bool m_blnLoaded = false;
    int m_intFrame = 1; // 1-based into m_imlHourglass
};
