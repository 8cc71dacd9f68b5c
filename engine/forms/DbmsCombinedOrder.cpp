#include "DbmsCombinedOrder.h"

#include "DbmsFieldEditor.h"
#include "itfPrompter.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// Item roles: the field's name as the data source gives it, its caption, its direction.
constexpr int NameRole = Qt::UserRole;
constexpr int CaptionRole = Qt::UserRole + 1;
constexpr int DescendingRole = Qt::UserRole + 2;
} // namespace

DbmsCombinedOrder::DbmsCombinedOrder(QWidget* owner, DbmsDataSource& ds, const QString& caption,
                                     const QString& order)
    : DbmsConfirmDialog(owner) {
    setObjectName("DbmsCombinedOrder");
    setWindowTitle(caption);
    m_fields = MakeList("lstCampi");
    m_list = MakeList("lstOrdine");

    QStringList ordered;
    for (const QString& part : order.split(',', Qt::SkipEmptyParts)) {
        const QStringList words = part.simplified().split(' ');
        QString name = words.front();
        const DbmsFieldInfo* f = ds.FieldInfo(name);
        // "Table.Field" names the same column as "Field".
        if (!f && name.contains('.')) f = ds.FieldInfo(name.mid(name.lastIndexOf('.') + 1));
        if (!f || ordered.contains(f->Name)) continue;
        ordered << f->Name;
        const bool descending =
            words.size() > 1 && words[1].compare("DESC", Qt::CaseInsensitive) == 0;
        Show(Item(*f, m_list), descending);
    }
    // Keys and links are not offered, as in the order menu; one given in the text stays.
    for (const DbmsFieldInfo& f : ds.Fields())
        if (!f.Excluded && !ordered.contains(f.Name)) Show(Item(f, m_fields), false);
    if (m_fields->count() > 0) m_fields->setCurrentRow(0);
    if (m_list->count() > 0) m_list->setCurrentRow(0);

    auto button = [this](const QString& text, const QString& name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    QPushButton* add = button("&Aggiungi >", "cmdAdd");
    QPushButton* remove = button("< &Togli", "cmdRemove");
    QPushButton* up = button("S&u", "cmdUp");
    QPushButton* down = button("&Giù", "cmdDown");
    QPushButton* direction = button("C&rescente/Decrescente", "cmdDirection");
    connect(add, &QPushButton::clicked, this, &DbmsCombinedOrder::AddField);
    connect(remove, &QPushButton::clicked, this, &DbmsCombinedOrder::RemoveField);
    connect(up, &QPushButton::clicked, this, [this] { MoveField(-1); });
    connect(down, &QPushButton::clicked, this, [this] { MoveField(1); });
    connect(direction, &QPushButton::clicked, this, &DbmsCombinedOrder::ToggleDirection);
    connect(m_fields, &QListWidget::itemDoubleClicked, this, &DbmsCombinedOrder::AddField);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &DbmsCombinedOrder::RemoveField);

    auto* middle = new QVBoxLayout;
    middle->addStretch(1);
    middle->addWidget(add);
    middle->addWidget(remove);
    middle->addStretch(1);
    auto* side = new QVBoxLayout;
    side->addStretch(1);
    side->addWidget(up);
    side->addWidget(down);
    side->addSpacing(12);
    side->addWidget(direction);
    side->addStretch(1);
    auto* fieldsLabel = new QLabel("&Campi:", this);
    fieldsLabel->setBuddy(m_fields);
    auto* orderLabel = new QLabel("&Ordina per:", this);
    orderLabel->setBuddy(m_list);
    auto* grid = new QGridLayout;
    grid->addWidget(fieldsLabel, 0, 0);
    grid->addWidget(orderLabel, 0, 2);
    grid->addWidget(m_fields, 1, 0);
    grid->addLayout(middle, 1, 1);
    grid->addWidget(m_list, 1, 2);
    grid->addLayout(side, 1, 3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addWidget(MakeButtons("OK", "Annulla"));
    resize(640, 360);
    if (m_list->count() > 0)
        m_list->setFocus();
    else
        m_fields->setFocus();
}

QListWidget* DbmsCombinedOrder::MakeList(const QString& name) {
    auto* list = new QListWidget(this);
    list->setObjectName(name);
    list->installEventFilter(this);
    return list;
}

QListWidgetItem* DbmsCombinedOrder::Item(const DbmsFieldInfo& f, QListWidget* list) {
    auto* item = new QListWidgetItem(list);
    item->setData(NameRole, f.Name);
    item->setData(CaptionRole, DbmsFieldEditor::Label(f.Caption));
    return item;
}

void DbmsCombinedOrder::Show(QListWidgetItem* item, bool descending) {
    item->setData(DescendingRole, descending);
    const QString caption = item->data(CaptionRole).toString();
    // Only the order list says the direction; a field left out has none.
    if (item->listWidget() == m_list)
        item->setText(caption + (descending ? "  (decrescente)" : "  (crescente)"));
    else
        item->setText(caption);
}

void DbmsCombinedOrder::Move(QListWidget* from, QListWidget* to) {
    const int row = from->currentRow();
    if (row < 0) {
        Prompter().Beep();
        return;
    }
    QListWidgetItem* item = from->takeItem(row);
    // A field goes in after the current one of the other list, so it lands where it is wanted.
    const int at = to->currentRow() < 0 ? to->count() : to->currentRow() + 1;
    to->insertItem(at, item);
    Show(item, to == m_list && item->data(DescendingRole).toBool());
    to->setCurrentRow(at);
    if (from->count() > 0) from->setCurrentRow(std::min(row, from->count() - 1));
}

void DbmsCombinedOrder::AddField() {
    Move(m_fields, m_list);
}

void DbmsCombinedOrder::RemoveField() {
    Move(m_list, m_fields);
}

void DbmsCombinedOrder::MoveField(int step) {
    const int row = m_list->currentRow();
    const int to = row + step;
    if (row < 0 || to < 0 || to >= m_list->count()) {
        Prompter().Beep();
        return;
    }
    m_list->insertItem(to, m_list->takeItem(row));
    m_list->setCurrentRow(to);
}

void DbmsCombinedOrder::ToggleDirection() {
    QListWidgetItem* item = m_list->currentItem();
    if (!item) {
        Prompter().Beep();
        return;
    }
    Show(item, !item->data(DescendingRole).toBool());
}

bool DbmsCombinedOrder::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == m_fields || watched == m_list)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool ctrl = key->modifiers() & Qt::ControlModifier;
        if (key->key() == Qt::Key_Insert && watched == m_fields) {
            AddField();
            return true;
        }
        if (key->key() == Qt::Key_Delete && watched == m_list) {
            RemoveField();
            return true;
        }
        if (key->key() == Qt::Key_Space && watched == m_list) {
            ToggleDirection();
            return true;
        }
        if (ctrl && watched == m_list && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
            MoveField(key->key() == Qt::Key_Up ? -1 : 1);
            return true;
        }
    }
    return DbmsConfirmDialog::eventFilter(watched, event);
}

bool DbmsCombinedOrder::Store() {
    QStringList parts;
    for (int i = 0; i < m_list->count(); ++i) {
        const QListWidgetItem* item = m_list->item(i);
        parts << item->data(NameRole).toString() +
                     (item->data(DescendingRole).toBool() ? " DESC" : "");
    }
    m_order = parts.join(", ");
    return true;
}
