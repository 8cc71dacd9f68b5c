#include "clsVenditaClerk.h"

#include "DbmsFormService.h"
#include "frmSearchText.h"
#include "itfPrompter.h"

QVariant clsVenditaClerk::EditRow(DbmsDataSource& rows, bool newRow,
                                  const DbmsFieldValues& values) {
    return FormService().ShowRowEditor(m_owner, rows, newRow, values);
}

QVariant clsVenditaClerk::ChooseRow(DbmsDataSource& rows) {
    return FormService().ShowSelectionList(m_owner, rows);
}

bool clsVenditaClerk::Ask(const QString& question) {
    return ShowMessage(m_owner, question, PromptIcon::Question, PromptButtons::YesNo,
                       PromptAnswer::Yes) == PromptAnswer::Yes;
}

void clsVenditaClerk::Say(const QString& text) {
    ShowMessage(m_owner, text, PromptIcon::Exclamation);
}

void clsVenditaClerk::Beep() {
    Prompter().Beep();
}

bool clsVenditaClerk::SearchText(QString& text, bool& anywhere) {
    frmSearchText& search = frmSearchText::Instance();
    bool confirmed = false;
    search.setWindowTitle("Cerca");
    if (!search.GetSelection(m_owner, "Descrizione", true, false, confirmed)) return false;
    text = search.ResultText();
    anywhere = search.Internal();
    return true;
}
