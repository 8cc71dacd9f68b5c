#pragma once
// The clerk's answers to a sale, asked in the program's dialogs over the sale window: through
// the prompter and the engine's row windows, so tests script them.

#include "clsVendita.h"

class QWidget;

class clsVenditaClerk : public itfVenditaClerk {
public:
    explicit clsVenditaClerk(QWidget* owner) : m_owner(owner) {}

    QVariant EditRow(DbmsDataSource& rows, bool newRow, const DbmsFieldValues& values) override;
    QVariant ChooseRow(DbmsDataSource& rows) override;
    bool Ask(const QString& question) override;
    void Say(const QString& text) override;
    void Beep() override;
    bool SearchText(QString& text, bool& anywhere) override;

private:
    QWidget* m_owner;
};
