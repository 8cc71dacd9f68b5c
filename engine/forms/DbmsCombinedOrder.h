#pragma once
// "Ordinamento Complesso": the fields to order by, in sequence, each ascending or descending;
// the fields left out on the left. OK gives an order text, "Data DESC, Codice" (the direction
// written only when descending); no field gives an empty order.
//
// Keys: Enter is OK, Esc cancels; on the lists Ins/Del (or a double click) move a field
// across; on the order Space (or cmdDirection) turns the direction, Ctrl+Up / Ctrl+Down move
// the field.
// Controls: lstCampi, lstOrdine, cmdAdd, cmdRemove, cmdUp, cmdDown, cmdDirection, cmdOK,
// cmdCancel.

#include "DbmsConfirmDialog.h"
#include "DbmsDataSource.h"

class QListWidget;
class QListWidgetItem;

class DbmsCombinedOrder : public DbmsConfirmDialog {
    Q_OBJECT
public:
    // A name of `order` the data source does not have is left out.
    DbmsCombinedOrder(QWidget* owner, DbmsDataSource& ds, const QString& caption,
                      const QString& order);

    // The confirmed order.
    const QString& Order() const { return m_order; }

    void AddField();
    void RemoveField();
    void MoveField(int step);
    void ToggleDirection();

protected:
    bool Store() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QListWidget* MakeList(const QString& name);
    QListWidgetItem* Item(const DbmsFieldInfo& f, QListWidget* list);
    void Show(QListWidgetItem* item, bool descending);
    void Move(QListWidget* from, QListWidget* to);

    QListWidget* m_fields;
    QListWidget* m_list;
    QString m_order;
};
