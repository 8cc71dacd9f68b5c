#pragma once
// The sale window's controls: built (each with its objectName) into the window's members and
// laid out once; and its grids bound to the sale's rows.

#include "DbmsDataSource.h"

class QTableView;
class clsArchiveSession;
class clsSettings;
class frmVendite;

void BuildVenditeLayout(frmVendite& w);
// Empties what the controls show of a sale; the switches as `settings` keep them, the other
// currency's name as the archive gives it.
void ClearVenditeControls(frmVendite& w, clsArchiveSession& session, const clsSettings& settings);

// Every control but the customer choice and cancel usable, or not (no sale open).
void EnableSaleControls(frmVendite& w, bool enabled);
// The sale's lines in `grid`, on `line` (0: the last), unless it shows them already.
void ShowLines(QTableView* grid, const std::shared_ptr<DbmsDataSource>& lines, OID line);
// The assigned prizes or bonuses in `grid`, unless it shows them already.
void ShowAssigned(QTableView* grid, const std::shared_ptr<DbmsDataSource>& rows);
// The OID of the grid's current row; 0 when none.
OID CurrentRow(QTableView* grid);
