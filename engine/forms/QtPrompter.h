#pragma once
// The prompter that shows real windows.

#include "itfPrompter.h"

// A file filter in either form Qt's dialogs take ("Name (*.a *.b)") or the "Name|*.a;*.b" form
// the program's commands are written with, in Qt's form.
QString QtFileFilter(const QString& filter);

class QtPrompter : public itfPrompter {
public:
    PromptAnswer Message(QWidget* owner, const PromptMessage& message) override;
    void Beep() override;
    QString OpenFileName(QWidget* owner, const QString& caption, const QString& folder,
                         const QString& filter) override;
    QString SaveFileName(QWidget* owner, const QString& caption, const QString& path,
                         const QString& filter) override;
    QString ExistingFolder(QWidget* owner, const QString& caption, const QString& folder) override;
    int Exec(QDialog& dialog) override;
};
