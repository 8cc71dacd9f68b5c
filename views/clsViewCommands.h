#pragma once
// The main window's commands on the rows of its view: new, edit and delete through the row
// editor and clsRowCommands, the predefined selections kept by clsPredefinedSelections, and
// the related data of the association menus. The glue between the menus and those rules.

#include <QString>

class clsMainView;
class clsSettings;
class frmMain;

class clsViewCommands {
public:
    clsViewCommands(frmMain& window, clsMainView& view, clsSettings& settings)
        : w(window), m_view(view), m_settings(settings) {}

    void NewRow();
    void EditRow();
    void DeleteRows();
    // Asks the section's predefined selections and stores them, to be asked before its rows
    // are read; the menu's check mark shows what is stored.
    void StoreSelections();
    void RemoveSelections();
    // Element `element` of association menu `menu`: its rows open at tmFunc's tick, once the
    // menu has closed.
    void Association(const QString& menu, int element);
    // tmFunc's tick: runs the command waiting in its tag.
    void RunDeferred();

private:
    void OpenRelated(const QString& menu, int number);

    frmMain& w;
    clsMainView& m_view;
    clsSettings& m_settings;
    bool m_blnFuncBusy = false;
};
