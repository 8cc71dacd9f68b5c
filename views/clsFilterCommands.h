#pragma once
// The main window's search and filter commands on the view shown: per-field filters asked in
// the text dialog, filters on the current cell's value, the named complex filters kept by the
// engine, and the search that moves the grid to the next matching row.

#include "clsFieldFilters.h"

#include <QString>
#include <memory>

class DbmsSelectionSet;
class clsMainView;
class clsMenuSet;
class frmMain;

class clsFilterCommands {
public:
    clsFilterCommands(frmMain& window, clsMainView& view, clsMenuSet& menus)
        : w(window), m_view(view), m_menus(menus) {}

    // A view was bound: its filters start off, listed from its filter menu.
    void Refreshed();

    // --- search ---
    // mnuSearchItems(index) and the Find drop-down's entry `index`: asks the text, then searches.
    void SearchItem(int index);
    // Searches the field of mnuSearchItems(index) for the dialog's last text.
    void ExecuteSearch(int index);
    // F3: the last search again, or its dialog when there is no text yet, or the search menu.
    void SearchNext();
    // The current cell's value, from the row after the current one.
    void FieldSearchNext();
    // A character typed over the grid: the last search opens with it already typed.
    bool TypeAhead(const QString& typed);

    // --- filters ---
    // mnuFilterItems(index): asks the text of that field's filter.
    void FilterItem(int index);
    // Filters the current column on the current cell's value.
    void FieldFilter();
    // Removes the current column's filter, or every filter.
    void FieldFilterCancel();
    void FilterCancel();
    // The complex filter's dialog, at tmFunc's tick (the menu closes first).
    void FilterComplex();
    void RunFilterComplex();
    // mnuFilterComplexItems(index): the named complex filter in the dialog.
    void FilterComplexItem(int index);

    const clsFieldFilters& FieldFilters() const { return m_filters; }

private:
    void Found(bool found, const QString& text, const QString& caption);
    void ApplyFieldFilters();
    void ApplyComplex();
    bool Apply(const QString& filter);
    void EnsureComplex();
    void FillComplexItems();
    void Defer(const QString& command);

    frmMain& w;
    clsMainView& m_view;
    clsMenuSet& m_menus;
    clsFieldFilters m_filters;
    std::shared_ptr<DbmsSelectionSet> m_complex;
    bool m_blnComplexActive = false;
};
