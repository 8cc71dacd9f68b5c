#include "ScriptedPrompter.h"

#include <QDialog>

ScriptedPrompter::ScriptedPrompter() {
    OnFailure = [this](const QString& text) { m_failures << text; };
    SetPrompter(this);
}

ScriptedPrompter::~ScriptedPrompter() {
    SetPrompter(nullptr);
}

QStringList ScriptedPrompter::Messages() const {
    QStringList out;
    for (const auto& a : m_history)
        if (a.Kind == "message") out << a.Message.Text;
    return out;
}

const PromptMessage& ScriptedPrompter::LastMessage() const {
    static const PromptMessage none;
    for (auto it = m_history.rbegin(); it != m_history.rend(); ++it)
        if (it->Kind == "message") return it->Message;
    return none;
}

bool ScriptedPrompter::Take(Step::Kind kind, const QString& what, Step& out) {
    if (m_script.empty() || m_script.front().What != kind) {
        OnFailure("Domanda non prevista dal test: " + what);
        return false;
    }
    out = std::move(m_script.front());
    m_script.pop_front();
    return true;
}

PromptAnswer ScriptedPrompter::Message(QWidget*, const PromptMessage& message) {
    m_history.push_back({"message", message, {}});
    Step step;
    if (!Take(Step::Answer, message.Text, step))
        // An unscripted question takes the safe way out: the non-destructive answer.
        return message.Buttons == PromptButtons::YesNo      ? PromptAnswer::No
               : message.Buttons == PromptButtons::OkCancel ? PromptAnswer::Cancel
                                                            : PromptAnswer::Ok;
    return step.Reply;
}

void ScriptedPrompter::Beep() {
    m_history.push_back({"beep", {}, {}});
    ++m_beeps;
}

QString ScriptedPrompter::AskFile(const QString& kind, const QString& caption) {
    m_history.push_back({kind, {}, caption});
    Step step;
    return Take(Step::File, kind + " " + caption, step) ? step.Path : QString();
}

int ScriptedPrompter::Exec(QDialog& dialog) {
    m_history.push_back({"dialog", {}, dialog.objectName()});
    Step step;
    if (!Take(Step::Dialog, "finestra " + dialog.objectName(), step)) return QDialog::Rejected;
    return step.Fill(dialog);
}
