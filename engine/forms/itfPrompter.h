#pragma once
// Every message box, question and dialog the program shows is asked through one prompter.
// The process installs the Qt one; tests install a scripted one that records each question
// with its exact text and answers from a script.

#include <QString>

class QDialog;
class QWidget;

enum class PromptIcon { None, Information, Question, Exclamation, Critical };
enum class PromptButtons { Ok, OkCancel, YesNo };
enum class PromptAnswer { Ok, Cancel, Yes, No };

struct PromptMessage {
    QString Text;
    QString Caption = "Tessarin"; // the application's title unless a window names another
    PromptIcon Icon = PromptIcon::None;
    PromptButtons Buttons = PromptButtons::Ok;
    PromptAnswer Default = PromptAnswer::Ok; // the button Enter presses
};

class itfPrompter {
public:
    virtual ~itfPrompter() = default;

    virtual PromptAnswer Message(QWidget* owner, const PromptMessage& message) = 0;
    virtual void Beep() = 0;

    // File and folder choosers; an empty result means the user cancelled. The save chooser
    // never asks about replacing a file: the caller asks once, with ConfirmReplace.
    virtual QString OpenFileName(QWidget* owner, const QString& caption, const QString& folder,
                                 const QString& filter) = 0;
    virtual QString SaveFileName(QWidget* owner, const QString& caption, const QString& path,
                                 const QString& filter) = 0;
    virtual QString ExistingFolder(QWidget* owner, const QString& caption,
                                   const QString& folder) = 0;

    // Runs a modal dialog the program has built and returns its result (QDialog::Accepted or
    // Rejected). The Qt prompter calls exec(); a scripted one lets the test fill the dialog in.
    virtual int Exec(QDialog& dialog) = 0;
};

// The process-wide prompter. Until one is installed, the Qt prompter is used.
itfPrompter& Prompter();
// Installs `prompter` (not owned); nullptr goes back to the Qt prompter.
void SetPrompter(itfPrompter* prompter);

// Shortcuts for the common cases.
PromptAnswer ShowMessage(QWidget* owner, const QString& text, PromptIcon icon = PromptIcon::None,
                         PromptButtons buttons = PromptButtons::Ok,
                         PromptAnswer defaultAnswer = PromptAnswer::Ok,
                         const QString& caption = "Tessarin");
// True when nothing is at `path` or the user agrees to replace it: "Il file esiste già..."
// (Yes/No, exclamation, No the default, caption "ATTENZIONE").
bool ConfirmReplace(QWidget* owner, const QString& path);
