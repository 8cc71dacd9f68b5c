#pragma once
// A prompter for tests: every question is recorded with its exact text, icon, buttons and
// default, and answered from a script queued beforehand. A question nobody scripted is a
// test failure (reported through the failure hook), never a hang.

#include "itfPrompter.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <ostream>
#include <tuple>
#include <vector>

// A message compares whole (text, caption, icon, buttons, default) and prints readably, in
// GoogleTest and QtTest alike: `EXPECT_EQ(prompter.LastMessage(), (PromptMessage{...}))`.
inline bool operator==(const PromptMessage& a, const PromptMessage& b) {
    return std::tie(a.Text, a.Caption, a.Icon, a.Buttons, a.Default) ==
           std::tie(b.Text, b.Caption, b.Icon, b.Buttons, b.Default);
}
inline void PrintTo(const PromptMessage& m, std::ostream* out) {
    *out << m.Caption.toStdString() << " icon " << int(m.Icon) << " buttons " << int(m.Buttons)
         << " default " << int(m.Default) << ": " << m.Text.toStdString();
}

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
    ScriptedPrompter& Answer(PromptAnswer answer) { return Add({Step::Answer, answer, {}, {}}); }
    // The next file or folder chooser ("" = cancel); the next dialog: fill it, give its result.
    ScriptedPrompter& File(const QString& path) { return Add({Step::File, {}, path, {}}); }
    ScriptedPrompter& Dialog(std::function<int(QDialog&)> f) {
        return Add({Step::Dialog, {}, {}, std::move(f)});
    }

    const std::vector<Asked>& History() const { return m_history; }
    QStringList Messages() const; // the texts of every message asked so far
    const PromptMessage& LastMessage() const;
    int Beeps() const { return m_beeps; }
    size_t Pending() const { return m_script.size(); } // script entries not yet used

    // Told what the program asked unscripted or of another kind; by default kept in Failures().
    std::function<void(const QString&)> OnFailure;
    const QStringList& Failures() const { return m_failures; }

    PromptAnswer Message(QWidget* owner, const PromptMessage& message) override;
    void Beep() override;
    QString OpenFileName(QWidget*, const QString& caption, const QString&,
                         const QString&) override {
        return AskFile("open", caption);
    }
    QString SaveFileName(QWidget*, const QString& caption, const QString&,
                         const QString&) override {
        return AskFile("save", caption);
    }
    QString ExistingFolder(QWidget*, const QString& caption, const QString&) override {
        return AskFile("folder", caption);
    }
    int Exec(QDialog& dialog) override;

private:
    struct Step {
        enum Kind { Answer, File, Dialog } What;
        PromptAnswer Reply = PromptAnswer::Ok;
        QString Path;
        std::function<int(QDialog&)> Fill;
    };
    ScriptedPrompter& Add(Step step) {
        m_script.push_back(std::move(step));
        return *this;
    }
    bool Take(Step::Kind kind, const QString& what, Step& out);
    QString AskFile(const QString& kind, const QString& caption);

    std::deque<Step> m_script;
    std::vector<Asked> m_history;
    QStringList m_failures;
    int m_beeps = 0;
};
