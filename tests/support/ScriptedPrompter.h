#pragma once
// A prompter for tests: every question is recorded with its exact text, icon, buttons and
// default, and answered from a script queued beforehand. A question nobody scripted is a
// test failure (reported through the failure hook), never a hang.

#include "itfPrompter.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

class ScriptedPrompter : public itfPrompter {
public:
    // What the program asked, in order.
    struct Asked {
        QString Kind; // "message", "beep", "open", "save", "folder", "dialog"
        PromptMessage Message;
        QString DialogName; // objectName of a dialog, caption of a file chooser
    };

    ScriptedPrompter();           // installs itself as the process prompter
    ~ScriptedPrompter() override; // puts the Qt prompter back

    // Script, consumed in order.
    ScriptedPrompter& Answer(PromptAnswer answer); // next message box
    ScriptedPrompter& File(const QString& path);   // next file/folder chooser ("" = cancel)
    ScriptedPrompter&
    Dialog(std::function<int(QDialog&)> f); // next dialog: fill it in, return result

    const std::vector<Asked>& History() const { return m_history; }
    // The texts of every message asked so far.
    QStringList Messages() const;
    const PromptMessage& LastMessage() const;
    int Beeps() const { return m_beeps; }
    // Script entries not yet used.
    size_t Pending() const { return m_script.size(); }

    // Called with a description when the program asks something unscripted or of another kind;
    // by default it records the text in Failures().
    std::function<void(const QString&)> OnFailure;
    const QStringList& Failures() const { return m_failures; }

    PromptAnswer Message(QWidget* owner, const PromptMessage& message) override;
    void Beep() override;
    QString OpenFileName(QWidget* owner, const QString& caption, const QString& folder,
                         const QString& filter) override;
    QString SaveFileName(QWidget* owner, const QString& caption, const QString& path,
                         const QString& filter) override;
    QString ExistingFolder(QWidget* owner, const QString& caption, const QString& folder) override;
    int Exec(QDialog& dialog) override;

private:
    struct Step {
        enum Kind { Answer, File, Dialog } What;
        PromptAnswer Reply = PromptAnswer::Ok;
        QString Path;
        std::function<int(QDialog&)> Fill;
    };
    bool Take(Step::Kind kind, const QString& what, Step& out);
    QString AskFile(const QString& kind, const QString& caption);

    std::deque<Step> m_script;
    std::vector<Asked> m_history;
    QStringList m_failures;
    int m_beeps = 0;
};
