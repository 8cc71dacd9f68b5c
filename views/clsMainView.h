#pragma once
// The view of the section chosen in the main window's tree: read through clsSectionView after
// its predefined selections, bound to the grids by clsGridRows, with the title, the status
// line, the menus that follow it and the section buttons. The tree's changes come here, since
// only one view is built at a time.

#include "DbmsDataSource.h"
#include "DbmsGridLayout.h"
#include "clsGridRows.h"
#include "clsPredefinedSelections.h"

#include <functional>
#include <memory>

class QTreeWidgetItem;
class clsArchiveSession;
class clsDateSelector;
class clsMainLayout;
class clsMenuSet;
class clsSettings;
class frmMain;

class clsMainView {
public:
    // Takes the tree's signals; `menus`, `panes` and `dates` are the window's.
    clsMainView(frmMain& window, clsArchiveSession& session, clsSettings& settings,
                clsMenuSet& menus, clsMainLayout& panes, clsDateSelector& dates);
    // The tree outlives this class in the window: its signals stop here.
    ~clsMainView();

    const std::shared_ptr<DbmsDataSource>& DataSource() const { return m_ds; }
    clsPredefinedSelections& Selections() { return m_selections; }
    clsGridRows& Rows() { return m_rows; }
    // The grid layout of the table shown, nullptr before the first view.
    const std::shared_ptr<DbmsGridLayout>& Layout() const { return m_layout; }
    // Told after every refresh of the view: the commands that follow it start afresh.
    std::function<void()> OnRefreshed;

    // Reads and shows the view of the current node; `order` is the order asked, if any.
    void Refresh(const QString& order = {});
    // Reads the rows again after a change, the grid staying on its row.
    void Reload();
    // Binds the data source to its grid again with the layout as it is now, on the same row.
    void Rebind();
    // Lets go of the view, its selections and layout: nothing keeps the archive open.
    void Release();
    // The status line names the section shown: while its rows are read and once they are.
    void ShowStatus();
    // The date selection's caption, and the rows read again when it `changed`.
    void DatesChosen(bool changed);

    // A mouse press on the tree comes before the node change it causes.
    void TreePressed() { m_intNodeChangesAtPress = m_intNodeChanges; }

    // The selections dialog on `set` and the Yes/No questions of the rules, put to the user.
    bool ChooseSelections(DbmsSelectionSet& set);
    bool Ask(const clsQuestion& q);

private:
    void NodeChanged();
    void TreeClicked();
    void ShowSection(const QTreeWidgetItem* node, const QString& order);
    void Drop();
    void SetSectionItems();
    void SectionItemClick(int index);

    frmMain& w;
    clsArchiveSession& m_session;
    clsSettings& m_settings;
    clsMenuSet& m_menus;
    clsMainLayout& m_panes;
    clsDateSelector& m_dates;
    clsGridRows m_rows;
    std::shared_ptr<DbmsDataSource> m_ds;
    clsPredefinedSelections m_selections;
    std::shared_ptr<DbmsGridLayout> m_layout;
    // Tree changes: how many so far, how many at the last mouse press on the tree, and one
    // that came while a view was being built.
    int m_intNodeChanges = 0;
    int m_intNodeChangesAtPress = 0;
    bool m_blnNodePending = false;
    bool m_blnBusy = false;
};
