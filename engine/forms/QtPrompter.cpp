#include "QtPrompter.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>

namespace {
QtPrompter g_qt;
itfPrompter* g_current = nullptr;

QMessageBox::StandardButton ToButton(PromptAnswer a) {
    switch (a) {
    case PromptAnswer::Ok:
        return QMessageBox::Ok;
    case PromptAnswer::Cancel:
        return QMessageBox::Cancel;
    case PromptAnswer::Yes:
        return QMessageBox::Yes;
    case PromptAnswer::No:
        return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon ToIcon(PromptIcon i) {
    switch (i) {
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::Exclamation:
        return QMessageBox::Warning;
    case PromptIcon::Critical:
        return QMessageBox::Critical;
    case PromptIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// Without a window manager (a counter PC in kiosk mode) nobody gives the keyboard back when a
// modal window closes; the window that was active before takes it again, so a clerk can go
// on typing or reading cards.
class KeepActiveWindow {
public:
    // The owner's window when there is one (the active one may not be known yet while an
    // earlier modal window is still handing the focus back), else the active window.
    explicit KeepActiveWindow(QWidget* owner)
        : m_previous(owner ? owner->window() : QApplication::activeWindow()) {}
    ~KeepActiveWindow() {
        if (m_previous && m_previous->isVisible() && QApplication::activeWindow() != m_previous)
            m_previous->activateWindow();
    }
    KeepActiveWindow(const KeepActiveWindow&) = delete;
    KeepActiveWindow& operator=(const KeepActiveWindow&) = delete;

private:
    QPointer<QWidget> m_previous;
};

// Messages keep the program's carriage returns as line breaks.
QString Lines(QString text) {
    text.replace("\r\n", "\n");
    text.replace('\r', '\n');
    return text;
}
} // namespace

itfPrompter& Prompter() {
    return g_current ? *g_current : g_qt;
}
void SetPrompter(itfPrompter* prompter) {
    g_current = prompter;
}

PromptAnswer ShowMessage(QWidget* owner, const QString& text, PromptIcon icon,
                         PromptButtons buttons, PromptAnswer defaultAnswer,
                         const QString& caption) {
    return Prompter().Message(owner, PromptMessage{text, caption, icon, buttons, defaultAnswer});
}

bool ConfirmReplace(QWidget* owner, const QString& path) {
    return !QFileInfo::exists(path) ||
           ShowMessage(owner, "Il file esiste già...\r\rVuoi sostituirlo ?",
                       PromptIcon::Exclamation, PromptButtons::YesNo, PromptAnswer::No,
                       "ATTENZIONE") == PromptAnswer::Yes;
}

PromptAnswer QtPrompter::Message(QWidget* owner, const PromptMessage& m) {
    QMessageBox box(ToIcon(m.Icon), m.Caption, Lines(m.Text), QMessageBox::NoButton, owner);
    switch (m.Buttons) {
    case PromptButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case PromptButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case PromptButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    }
    box.setDefaultButton(ToButton(m.Default));
    const KeepActiveWindow keep(owner);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    case QMessageBox::Cancel:
        return PromptAnswer::Cancel;
    default:
        // Esc on a Yes/No box answers No, on OK/Cancel it answers Cancel.
        return m.Buttons == PromptButtons::YesNo ? PromptAnswer::No
               : m.Buttons == PromptButtons::OkCancel && box.clickedButton() == nullptr
                   ? PromptAnswer::Cancel
                   : PromptAnswer::Ok;
    }
}

QString QtFileFilter(const QString& filter) {
    if (!filter.contains('|')) return filter;
    // "Name|*.a;*.b|Other|*.c": names and patterns take turns.
    const QStringList parts = filter.split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i] + " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
    return filters.join(";;");
}

void QtPrompter::Beep() {
    QApplication::beep();
}

QString QtPrompter::OpenFileName(QWidget* owner, const QString& caption, const QString& folder,
                                 const QString& filter) {
    return QFileDialog::getOpenFileName(owner, caption, folder, QtFileFilter(filter));
}

QString QtPrompter::SaveFileName(QWidget* owner, const QString& caption, const QString& path,
                                 const QString& filter) {
    return QFileDialog::getSaveFileName(owner, caption, path, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString QtPrompter::ExistingFolder(QWidget* owner, const QString& caption, const QString& folder) {
    return QFileDialog::getExistingDirectory(owner, caption, folder);
}

int QtPrompter::Exec(QDialog& dialog) {
    const KeepActiveWindow keep(dialog.parentWidget());
    return dialog.exec();
}
