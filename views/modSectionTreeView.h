#pragma once
// The section tree on screen: its nodes made from SectionNodes, found by position or key, and
// the buttons a group node shows for its child sections.

#include <QString>
#include <functional>
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
int NodeIndex(const QTreeWidgetItem* item); // 0 for none
// Makes `item` current without the tree's signals (the caller shows the view); nullptr
// leaves no node current.
void SetCurrentNode(QTreeWidget* tree, QTreeWidgetItem* item);
QString NodeKey(const QTreeWidgetItem* item);
// The header and one button per child of `node` (none for a node without children), shown;
// each button's tag is its node's key, or its index for a group. `clicked` gets the index.
std::vector<QPushButton*> MakeSectionItems(QWidget* parent, const QTreeWidgetItem* node,
                                           const std::function<void(int)>& clicked);
// The node a section button's tag names, or nullptr.
QTreeWidgetItem* NodeOfTag(const QTreeWidget* tree, const QString& tag);
