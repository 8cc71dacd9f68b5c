#pragma once
// The main window's commands on the grid of its view: ordering (menu, column heading and the
// combined order dialog), the grid layout (field sequence, all fields, reset, column widths),
// column totals and the grid's right-button menus.

#include <QString>

class QAbstractItemView;
class QEvent;
class QHeaderView;
class QObject;
class clsMainView;
class frmMain;

class clsGridCommands {
public:
    // Follows the headings of the window's two grids.
    clsGridCommands(frmMain& window, clsMainView& view);

    // --- order ---
    // mnuOrderItems(index): that field, its direction turned when the view is ordered by it.
    void OrderItem(int index);
    // Orders by `text` as the order routine does; empty removes the order.
    void Order(const QString& text);
    // The combined order dialog, at tmFunc's tick (the menu closes first).
    void OrderComplex();
    void RunOrderComplex();

    // --- layout ---
    void FieldSequence();
    void FieldsAll();
    void GridCancel();
    // mnuTotalItems(index): the field's total over the view's rows.
    void Total(int index);

    // The mouse on a grid: the right button's menus. True when the event was taken.
    bool GridMouse(QObject* watched, QEvent* event);

private:
    void Follow(QAbstractItemView* grid, QHeaderView* header);
    bool LayoutShown() const;

    frmMain& w;
    clsMainView& m_view;
};
