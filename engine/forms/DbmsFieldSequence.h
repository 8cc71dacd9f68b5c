#pragma once
// Which fields a grid shows and in which order: the fields left out on the left, the ones
// shown on the right. OK gives the shown ones as a field sequence, "Codice,Descrizione".
//
// Keys: Enter is OK, Esc cancels; on the lists Ins/Del (or a double click) move a field
// across, Ctrl+Up / Ctrl+Down move the shown field.
// Controls: lstAvailable, lstShown, cmdAdd, cmdRemove, cmdUp, cmdDown, cmdOK, cmdCancel.

#include "DbmsConfirmDialog.h"
#include "DbmsDataSource.h"

class QListWidget;

class DbmsFieldSequence : public DbmsConfirmDialog {
    Q_OBJECT
public:
    // `sequence` empty: every field is shown, in the data source's order.
    DbmsFieldSequence(QWidget* owner, DbmsDataSource& ds, const QString& caption,
                      const QString& sequence);

    // The confirmed sequence.
    const QString& Sequence() const { return m_sequence; }

    void AddField();
    void RemoveField();
    void MoveField(int step);

protected:
    bool Store() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QListWidget* MakeList(const QString& name);
    void Move(QListWidget* from, QListWidget* to);

    QListWidget* m_available;
    QListWidget* m_shown;
    QString m_sequence;
};
