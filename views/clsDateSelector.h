#pragma once
// The date selection of the dated sections, as the main window shows it: the button over the
// grid with its caption and tooltip, the selection menu with its check marks, and the
// commands that choose all rows, a day or a month.

class DbmsDataSource;
class clsArchiveSession;
class clsSettings;
class frmMain;

class clsDateSelector {
public:
    clsDateSelector(frmMain& window, clsArchiveSession& session, clsSettings& settings)
        : w(window), m_session(session), m_settings(settings) {}

    // Caption and tooltip of cmdDateSel from the caption of its field in `ds`, and the check
    // marks of the selection menu.
    void Refresh(const DbmsDataSource* ds);
    // Drops the selection; false when there was none, and nothing is to be read again.
    bool SelectAll();
    // A day (or the month of a day) chosen with the date picker; false when cancelled.
    bool Choose(bool month);
    // The selection menu under its button.
    void Popup();

private:
    frmMain& w;
    clsArchiveSession& m_session;
    clsSettings& m_settings;
};
