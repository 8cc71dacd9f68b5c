#pragma once
// The section tree on screen: its nodes made from SectionNodes, found by position or key, and
// the buttons a group node shows for its child sections.

#include <QString>
#include <vector>

class DbmsDatabase;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

// Fills `tree` with the twenty nodes; a table node is named by its table's caption in `db`.
void FillSectionTree(QTreeWidget* tree, DbmsDatabase* db);
QTreeWidgetItem* FindNode(const QTreeWidget* tree, int index); // 1-based
QTreeWidgetItem* FindNode(const QTreeWidget* tree, const QString& key);
int NodeIndex(const QTreeWidgetItem* item);
QString NodeKey(const QTreeWidgetItem* item);
// The header and one button per child of `node` (none for a node without children); each
// button's tag is its node's key, or its index for a group.
std::vector<QPushButton*> MakeSectionItems(QWidget* parent, const QTreeWidgetItem* node);
