#pragma once
// The main window's menus and toolbar, built from the tables in modMainMenus.cpp, and the
// menu arrays that follow the view shown. A new command is a row in a table and a handler.

#include "frmMain.h"

class DbmsDataSource;
class DbmsDatabase;
class QKeyEvent;
class QObject;
class clsMenuSet;
class QString;

// The menus, their commands, and the windows `hooks` open from them.
void BuildMainMenus(frmMain& window, clsMenuSet& menus, const frmMain::Hooks& hooks);
void BuildMainToolBar(frmMain& window, clsMenuSet& menus);
// What the toolbar button `key` does when clicked.
void MainToolbarClick(frmMain& window, const QString& key);
// Menus and buttons that act on a view are enabled only while one is shown.
void ApplyViewRules(const clsMenuSet& menus, bool shown);
// Empties the arrays that list the view's fields, filters and related data.
void ResetViewMenus(clsMenuSet& menus);
// Fills the arrays and the Find drop-down with the fields of `ds` and its stored filters.
// Their elements run the window's commands.
void FillFieldMenus(frmMain& window, clsMenuSet& menus, DbmsDataSource& ds);
// The complex filter menu lists the filter `names` ("|" between them).
void FillComplexFilterItems(frmMain& window, clsMenuSet& menus, const QString& names);
// The association menus for the current row of `ds` (nullptr: empty).
void FillAssociationMenus(frmMain& window, clsMenuSet& menus, DbmsDataSource* ds);
// The conversion menu, shown when the archive has a conversion currency.
void ShowCurrencyMenu(const clsMenuSet& menus, DbmsDatabase* db, bool conversion);
// The keys the window takes before its controls (Insert, keypad +, Delete, Enter, and letters
// and digits over the grid); `target` is the control they are meant for. True when taken.
bool MainKeyPress(frmMain& window, QObject* target, QKeyEvent* event);
