// DbmsFormService: binding data sources to grids and trees.
#include "DbmsFormService.h"
#include "DbmsGridModel.h"
#include "DbmsTreeModel.h"

#include <QHeaderView>
#include <QTableView>
#include <QTreeView>

namespace {
constexpr double TwipsPerPixel = 15.0;

// Puts `next` on the view. The model we bound before goes with it; a model somebody else set
// is theirs to keep.
void Replace(QAbstractItemView* view, QAbstractItemModel* next) {
    QAbstractItemModel* old = view->model();
    view->setModel(next);
    if (old && old != next && old->parent() == view &&
        (qobject_cast<DbmsGridModel*>(old) || qobject_cast<DbmsTreeModel*>(old)))
        delete old;
}

// Widths are kept in twips; a field with none gets the header's default width. A header keeps
// hidden and resized sections across models, so every column starts shown and fresh here.
void ApplyLayout(QHeaderView* header, const std::vector<DbmsGridColumn>& columns,
                 const DbmsGridLayout* layout) {
    for (int c = 0; c < header->count(); ++c) {
        header->setSectionHidden(c, false);
        const int twips = layout && size_t(c) < columns.size()
                              ? layout->ColumnWidth(columns[size_t(c)].Field)
                              : -1;
        header->resizeSection(c, twips >= 0 ? qRound(twips / TwipsPerPixel)
                                            : header->defaultSectionSize());
    }
}
} // namespace

DbmsGridModel* DbmsFormService::BindGrid(QTableView* view, std::shared_ptr<DbmsDataSource> ds,
                                         std::shared_ptr<DbmsGridLayout> layout) {
    Q_ASSERT(view);
    if (!ds) {
        Replace(view, nullptr);
        return nullptr;
    }
    auto* model = new DbmsGridModel(std::move(ds), layout.get(), view);
    Replace(view, model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Rows all have the same height: a million of them are never measured one by one.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ApplyLayout(view->horizontalHeader(), model->Columns(), layout.get());
    return model;
}

DbmsTreeModel* DbmsFormService::BindTree(QTreeView* view, std::shared_ptr<DbmsDataSource> ds,
                                         std::shared_ptr<DbmsGridLayout> layout) {
    Q_ASSERT(view);
    if (!ds) {
        Replace(view, nullptr);
        return nullptr;
    }
    auto* model = new DbmsTreeModel(std::move(ds), layout.get(), view);
    Replace(view, model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setUniformRowHeights(true);
    ApplyLayout(view->header(), model->Columns(), layout.get());
    return model;
}
