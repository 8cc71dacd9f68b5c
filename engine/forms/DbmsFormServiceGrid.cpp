// DbmsFormService: binding data sources to grids and trees.
#include "DbmsFormService.h"
#include "DbmsGridModel.h"
#include "DbmsTreeModel.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
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

// A column nobody has sized yet is as wide as a typical value of its type (measured on a
// sample, not on the rows: a million rows are never read to size a column) or its heading.
int NaturalWidth(const QHeaderView* header, const DbmsGridColumn& column) {
    QString sample;
    switch (column.Type) {
    case DbmsType::Date:
        sample = "00/00/0000 00:00";
        break;
    case DbmsType::Money:
        sample = "0.000.000,00";
        break;
    case DbmsType::Integer:
        sample = "0000000";
        break;
    case DbmsType::Boolean:
        sample = "No";
        break;
    default:
        sample = "Xxxxxxxx Xxxxxxxxx";
        break;
    }
    const QFontMetrics metrics(header->font());
    const int margin = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin) + 12;
    return std::max(metrics.horizontalAdvance(sample), metrics.horizontalAdvance(column.Caption)) +
           margin;
}

// Widths are kept in twips; a field with none gets its natural width. A header keeps hidden
// and resized sections across models, so every column starts shown and fresh here.
void ApplyLayout(QHeaderView* header, const std::vector<DbmsGridColumn>& columns,
                 const DbmsGridLayout* layout) {
    for (int c = 0; c < header->count(); ++c) {
        header->setSectionHidden(c, false);
        const bool known = size_t(c) < columns.size();
        const int twips = layout && known ? layout->ColumnWidth(columns[size_t(c)].Field) : -1;
        header->resizeSection(c, twips >= 0 ? qRound(twips / TwipsPerPixel)
                                 : known    ? NaturalWidth(header, columns[size_t(c)])
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
    // The first column also holds the tree's indentation and expand arrow.
    if (view->header()->count() > 0 && !(layout && layout->ColumnWidth(model->Field(0)) >= 0))
        view->header()->resizeSection(0, view->header()->sectionSize(0) + view->indentation());
    return model;
}
