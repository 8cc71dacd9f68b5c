#include "modSectionTreeView.h"

#include "DbmsDatabase.h"
#include "DbmsTable.h"
#include "modImages.h"
#include "modSectionTree.h"
#include "modTag.h"

#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace {

constexpr int NodeIndexRole = Qt::UserRole;
constexpr int NodeKeyRole = Qt::UserRole + 1;

} // namespace

void FillSectionTree(QTreeWidget* tree, DbmsDatabase* db) {
    tree->clear();
    std::vector<QTreeWidgetItem*> items;
    int index = 0;
    for (const SectionNode& node : SectionNodes()) {
        ++index;
        QString text = node.Text;
        if (text.isEmpty()) {
            const auto table = db ? db->Find(node.Key) : nullptr;
            text = table ? table->Caption() : node.Key;
        }
        auto* item = node.Parent == 0 ? new QTreeWidgetItem(tree)
                                      : new QTreeWidgetItem(items[node.Parent - 1]);
        item->setText(0, text);
        item->setIcon(0, SectionImage(node.Image));
        item->setData(0, NodeIndexRole, index);
        item->setData(0, NodeKeyRole, node.Key);
        items.push_back(item);
    }
    items.front()->setExpanded(true);
}

QTreeWidgetItem* FindNode(const QTreeWidget* tree, int index) {
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(tree)); *it; ++it)
        if (NodeIndex(*it) == index) return *it;
    return nullptr;
}

QTreeWidgetItem* FindNode(const QTreeWidget* tree, const QString& key) {
    if (key.isEmpty()) return nullptr;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(tree)); *it; ++it)
        if (NodeKey(*it) == key) return *it;
    return nullptr;
}

int NodeIndex(const QTreeWidgetItem* item) {
    return item ? item->data(0, NodeIndexRole).toInt() : 0;
}

void SetCurrentNode(QTreeWidget* tree, QTreeWidgetItem* item) {
    const QSignalBlocker quiet(tree);
    tree->setCurrentItem(item);
}

QTreeWidgetItem* NodeOfTag(const QTreeWidget* tree, const QString& tag) {
    bool numeric = false;
    const int index = tag.toInt(&numeric);
    return numeric ? FindNode(tree, index) : FindNode(tree, tag);
}

QString NodeKey(const QTreeWidgetItem* item) {
    return item->data(0, NodeKeyRole).toString();
}

std::vector<QPushButton*> MakeSectionItems(QWidget* parent, const QTreeWidgetItem* node,
                                           const std::function<void(int)>& clicked) {
    std::vector<QPushButton*> buttons;
    if (!node || node->childCount() == 0) return buttons;
    auto* header =
        new QPushButton("VOCI PRINCIPALI PER LA SEZIONE " + node->text(0).toUpper() + " :", parent);
    header->setObjectName("acmdSectionItem0");
    QFont bold = header->font();
    bold.setBold(true);
    header->setFont(bold);
    header->setEnabled(false);
    buttons.push_back(header);
    for (int i = 0; i < node->childCount(); ++i) {
        const QTreeWidgetItem* child = node->child(i);
        auto* button = new QPushButton(child->icon(0), child->text(0), parent);
        button->setObjectName(QString("acmdSectionItem%1").arg(buttons.size()));
        const QString key = NodeKey(child);
        SetTag(button, key.isEmpty() ? QString::number(NodeIndex(child)) : key);
        button->setToolTip("Apre la sezione <" + child->text(0) +
                           "> per la Visualizzazione/Modifica dei dati oppure per la Stampa...");
        const int index = int(buttons.size());
        QObject::connect(button, &QPushButton::clicked, parent,
                         [clicked, index] { clicked(index); });
        buttons.push_back(button);
    }
    for (QPushButton* button : buttons)
        button->show();
    return buttons;
}
