#pragma once
// The main window's hold on the archive: opened when the window is activated (the first time,
// and again after a release), let go when it closes; and what the engine says meanwhile, on
// the status line or to the user.

#include <QString>
#include <functional>

class QEvent;
class clsArchiveSession;
class clsMainView;
class clsMenuSet;
class clsSettings;
class frmMain;

class clsMainArchive {
public:
    // `open` opens or creates the archive; its flag tells whether the window was activated
    // before.
    clsMainArchive(frmMain& window, clsArchiveSession& session, clsSettings& settings,
                   clsMenuSet& menus, clsMainView& view, std::function<void(bool)> open)
        : w(window), m_session(session), m_settings(settings), m_menus(menus), m_view(view),
          m_open(std::move(open)) {}

    // The window's own events: a show or an activation runs Activate once it is painted.
    void WindowEvent(const QEvent& event);
    // Opens the archive when needed, then sets the barcode reader and the backup menus.
    void Activate();
    void Release();
    // While the options window is open, activations wait for it.
    void SetOptionFormVisible(bool visible) { m_blnOptionFormVisible = visible; }

    // The engine's progress on the status line, its messages and questions to the user.
    void ShowEvent(int code, const QString& detail);
    void Inform(const QString& message);
    void Query(int kind, const QString& message, bool& cancel);

private:
    frmMain& w;
    clsArchiveSession& m_session;
    clsSettings& m_settings;
    clsMenuSet& m_menus;
    clsMainView& m_view;
    std::function<void(bool)> m_open;
    bool m_blnOptionFormVisible = false;
    bool m_blnActivated = false;
    bool m_blnActivating = false;
};
