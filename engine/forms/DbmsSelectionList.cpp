#include "DbmsSelectionList.h"

#include "DbmsGridModel.h"
#include "itfPrompter.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>

DbmsSelectionList::DbmsSelectionList(QWidget* owner, DbmsDataSource& ds, const QString& caption,
                                     Mode mode)
    : DbmsConfirmDialog(owner), m_ds(ds) {
    setObjectName(mode == Choose ? "DbmsSelectionList" : "DbmsRowList");
    setWindowTitle(caption.isEmpty() ? ds.TableDef().Caption : caption);

    m_model = new DbmsGridModel(ds.shared_from_this(), nullptr, this);
    m_view = new QTableView(this);
    m_view->setObjectName("dgRows");
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setTabKeyNavigation(false);
    m_view->setAlternatingRowColors(true);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 6);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setHighlightSections(false);
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->installEventFilter(this);
    connect(m_view, &QTableView::doubleClicked, this, &DbmsSelectionList::accept);

    m_search = new QLineEdit(this);
    m_search->setObjectName("txtSearch");
    m_search->installEventFilter(this);
    ChooseSearchField();
    auto* label = new QLabel("&Cerca:", this);
    label->setBuddy(m_search);
    if (m_searchField.isEmpty()) {
        m_search->setEnabled(false);
    } else {
        const DbmsFieldInfo* info = ds.FieldInfo(m_searchField);
        m_search->setPlaceholderText("Scrivi l'inizio di " +
                                     (info ? info->Caption : m_searchField));
    }
    connect(m_search, &QLineEdit::textEdited, this, [this](const QString& text) { Search(text); });

    auto* top = new QHBoxLayout;
    top->addWidget(label);
    top->addWidget(m_search, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_view, 1);
    if (mode == Choose)
        layout->addWidget(MakeButtons("&Scegli", "Annulla"));
    else
        layout->addWidget(MakeButtons("&Chiudi", QString()));

    m_view->resizeColumnsToContents();
    int width = 40;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        m_view->setColumnWidth(c, std::min(m_view->columnWidth(c) + 12, 320));
        width += m_view->columnWidth(c);
    }
    const QRect screen = QGuiApplication::primaryScreen()
                             ? QGuiApplication::primaryScreen()->availableGeometry()
                             : QRect(0, 0, 1024, 768);
    resize(std::clamp(width, 360, screen.width() * 9 / 10),
           std::min(440, screen.height() * 8 / 10));

    SelectRow(ds.HasCurrentRow() && !ds.IsNewRow() ? std::max<qint64>(ds.Position(), 0) : 0);
    m_view->setFocus();
}

void DbmsSelectionList::ChooseSearchField() {
    auto isText = [&](const QString& name) {
        const int column = m_model->ColumnOf(name);
        return column >= 0 && m_model->Columns()[size_t(column)].Type == DbmsType::Text;
    };
    // "Articoli.Descrizione DESC, Codice" → "Descrizione"
    QString first = m_ds.Order().section(',', 0, 0).trimmed().section(' ', 0, 0);
    first = first.mid(first.lastIndexOf('.') + 1);
    if (!first.isEmpty() && isText(first)) {
        m_searchField = m_ds.FieldInfo(first)->Name;
        return;
    }
    for (const DbmsGridColumn& c : m_model->Columns())
        if (c.Type == DbmsType::Text) {
            m_searchField = c.Field;
            return;
        }
}

bool DbmsSelectionList::Search(const QString& text) {
    if (text.isEmpty() || m_searchField.isEmpty()) return false;
    try {
        // The typed text becomes a quoted pattern; it never reaches the filter text raw.
        if (m_ds.FindNext(m_searchField + " Like " + DbmsDatabase::PatternLiteral(text + "*"))) {
            SelectRow(m_ds.Position());
            return true;
        }
    } catch (const DbmsError&) {
        // A pattern the dialect cannot read finds nothing, like any other miss.
    }
    Prompter().Beep();
    return false;
}

void DbmsSelectionList::SelectRow(qint64 row) {
    if (row < 0 || row >= m_model->rowCount()) return;
    const QModelIndex index = m_model->index(int(row), 0);
    m_view->setCurrentIndex(index);
    m_view->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

bool DbmsSelectionList::Store() {
    const QModelIndex current = m_view->currentIndex();
    m_chosen = current.isValid() ? m_model->OIDAt(current.row()) : 0;
    if (m_chosen) m_ds.MoveTo(current.row());
    return true;
}

bool DbmsSelectionList::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return DbmsConfirmDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == m_view && m_search->isEnabled()) {
        // Typing on the list goes into the search line, which stays where it is.
        const bool command = key->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
        const bool printable = !key->text().isEmpty() && key->text()[0].isPrint();
        const bool erase = key->key() == Qt::Key_Backspace && !m_search->text().isEmpty();
        if (!command && (printable || erase)) {
            // Both count as edits of the line, which then searches.
            if (erase)
                m_search->backspace();
            else
                m_search->insert(key->text());
            return true;
        }
    }
    if (watched == m_search) {
        // The arrows of the search line move the list.
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            QApplication::sendEvent(m_view, event);
            return true;
        default:
            break;
        }
    }
    return DbmsConfirmDialog::eventFilter(watched, event);
}
