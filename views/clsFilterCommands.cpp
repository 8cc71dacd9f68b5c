#include "clsFilterCommands.h"

#include "DbmsFormService.h"
#include "DbmsSelectionSet.h"
#include "ReportError.h"
#include "clsMainView.h"
#include "clsMenuSet.h"
#include "frmMain.h"
#include "frmSearchText.h"
#include "itfPrompter.h"
#include "modLumoFormUtility.h"
#include "modMainMenus.h"
#include "modTag.h"

#include <QAction>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

namespace {

// The element of a menu array, nullptr for element 0 and beyond the last.
QAction* Element(const frmMain& w, const QString& array, int index) {
    const auto& elements = w.MenuArray(array);
    return index >= 1 && index < int(elements.size()) ? elements[size_t(index)] : nullptr;
}

// The element of a menu array whose tag is `field` (case ignored), 0 for none.
int ElementOf(const frmMain& w, const QString& array, const QString& field) {
    const auto& elements = w.MenuArray(array);
    for (size_t i = 1; i < elements.size(); ++i)
        if (Tag(elements[i]).toString().compare(field, Qt::CaseInsensitive) == 0) return int(i);
    return 0;
}

const QString FilterError = "Errore nell'impostazione del filtro: \n\n";

// Runs `step`; an error of the engine is told to the user and ends the command there.
template <typename F> bool Guarded(QWidget* owner, const QString& prefix, F step) {
    try {
        step();
        return true;
    } catch (const std::exception& e) {
        ShowMessage(owner, prefix + ErrorDescription(e));
        return false;
    }
}

} // namespace

void clsFilterCommands::Refreshed() {
    QStringList fields;
    const auto& elements = w.MenuArray("mnuFilterItems");
    for (size_t i = 1; i < elements.size(); ++i)
        fields << Tag(elements[i]).toString();
    m_filters.Reset(fields);
    m_blnComplexActive = false;
}

// --- search ---

void clsFilterCommands::SearchItem(int index) {
    QAction* element = Element(w, "mnuSearchItems", index);
    if (!element || !m_view.DataSource()) return;
    bool confirmed = false;
    frmSearchText::Instance().GetSelection(&w, element->text(), true, true, confirmed);
    if (confirmed) ExecuteSearch(index);
}

void clsFilterCommands::ExecuteSearch(int index) {
    QAction* element = Element(w, "mnuSearchItems", index);
    const auto& ds = m_view.DataSource();
    if (!element || !ds) return;
    const frmSearchText& dialog = frmSearchText::Instance();
    const QString text = dialog.LastText();
    const QString condition =
        LikeCondition(Tag(element).toString(), SearchPattern(text, dialog.Internal()));
    const qint64 current = m_view.Rows().CurrentPosition();
    // Without a current row the next match is the first one.
    const bool fromCurrent = dialog.Next() && current >= 0;
    bool found = false;
    if (!Guarded(&w, {}, [&] {
            if (fromCurrent) ds->MoveTo(current);
            found = ds->FindNext(condition, 0, fromCurrent);
        }))
        return;
    Found(found, text, element->text());
    SetTag(w.ToolButton("Find"), index);
}

void clsFilterCommands::Found(bool found, const QString& text, const QString& caption) {
    if (found) {
        m_view.Rows().GoTo(m_view.DataSource()->Position());
        return;
    }
    ShowMessage(&w, " '" + text + "' non trovato", PromptIcon::Information, PromptButtons::Ok,
                PromptAnswer::Ok, "Ricerca in " + caption);
}

void clsFilterCommands::SearchNext() {
    bool numeric = false;
    QToolButton* find = w.ToolButton("Find");
    const int index = Tag(find).toString().toInt(&numeric);
    if (!numeric) {
        if (QMenu* menu = w.PopupMenu("mnuSearch"))
            menu->popup(find->mapToGlobal(QPoint(0, find->height())));
        return;
    }
    frmSearchText& dialog = frmSearchText::Instance();
    if (dialog.LastText().isEmpty()) return SearchItem(index);
    dialog.SetNext(true);
    ExecuteSearch(index);
}

void clsFilterCommands::FieldSearchNext() {
    const auto& ds = m_view.DataSource();
    const QString field = m_view.Rows().CurrentField();
    if (!ds || field.isEmpty()) return;
    const QString text = m_view.Rows().CurrentText();
    frmSearchText& dialog = frmSearchText::Instance();
    if (const int index = ElementOf(w, "mnuSearchItems", field)) {
        dialog.SetLast(Element(w, "mnuSearchItems", index)->text(), text);
        dialog.SetNext(true);
        return ExecuteSearch(index);
    }
    const qint64 current = m_view.Rows().CurrentPosition();
    bool found = false;
    if (Guarded(&w, {}, [&] {
            if (current >= 0) ds->MoveTo(current);
            found = ds->FindNext(ds->Table()->MakeCondition(field, text), 0, current >= 0);
        }))
        Found(found, text, field);
}

bool clsFilterCommands::TypeAhead(const QString& typed) {
    bool numeric = false;
    const int index = Tag(w.ToolButton("Find")).toString().toInt(&numeric);
    if (!numeric || !m_view.DataSource()) return false;
    frmSearchText::Instance().TypeAhead(typed);
    SearchItem(index);
    frmSearchText::Instance().TypeAhead(QString());
    return true;
}

// --- per-field filters ---

void clsFilterCommands::FilterItem(int index) {
    QAction* element = Element(w, "mnuFilterItems", index);
    if (!element || !m_view.DataSource()) return;
    frmSearchText& dialog = frmSearchText::Instance();
    dialog.setWindowTitle("Filtra");
    bool confirmed = false;
    dialog.GetSelection(&w, Tag(element).toString(), true, false, confirmed);
    // Cancelling leaves the filters as they were.
    if (!confirmed) return;
    m_filters.Set(index - 1, dialog.ResultText(), dialog.Internal());
    ApplyFieldFilters();
}

void clsFilterCommands::ApplyFieldFilters() {
    const auto& elements = w.MenuArray("mnuFilterItems");
    for (size_t i = 1; i < elements.size(); ++i)
        elements[i]->setText(m_filters.Caption(int(i) - 1));
    const QString shown = m_filters.Shown();
    w.ToolButton("Filter")->setChecked(!shown.isEmpty());
    w.SetStatusMsg(clsFieldFilters::StatusText(shown));
    Apply(m_filters.Applied());
}

bool clsFilterCommands::Apply(const QString& filter) {
    const auto& ds = m_view.DataSource();
    if (!ds) return false;
    bool applied = true;
    try {
        ds->ApplyFilter(filter); // on an error the filter in force stays
    } catch (const std::exception& e) {
        ShowMessage(&w, FilterError + ErrorDescription(e));
        applied = false;
    }
    m_view.Rows().Reset();
    return applied;
}

void clsFilterCommands::FieldFilter() {
    const auto& ds = m_view.DataSource();
    const QString field = m_view.Rows().CurrentField();
    if (!ds || field.isEmpty()) return;
    const QString text = m_view.Rows().CurrentText();
    const int index = ElementOf(w, "mnuFilterItems", field);
    if (index > 0 && !m_blnComplexActive) {
        // The dialog opens on the value, as if it had been typed there last.
        frmSearchText::Instance().SetLast(field, text);
        return FilterItem(index);
    }
    if (Guarded(&w, FilterError, [&] {
            EnsureComplex();
            if (!text.isEmpty()) m_complex->AddCondition(field, text);
        }))
        ApplyComplex();
}

void clsFilterCommands::FieldFilterCancel() {
    const QString field = m_view.Rows().CurrentField();
    if (!m_view.DataSource() || field.isEmpty()) return;
    const int index = ElementOf(w, "mnuFilterItems", field);
    if (index > 0 && !m_blnComplexActive) {
        m_filters.Set(index - 1, QString(), false);
        return ApplyFieldFilters();
    }
    if (!m_complex) return;
    m_complex->RemoveField(field);
    ApplyComplex();
}

void clsFilterCommands::FilterCancel() {
    m_filters.Clear();
    for (QAction* element : w.MenuArray("mnuFilterItems"))
        if (element != w.MenuArray("mnuFilterItems").front()) {
            element->setText(Tag(element).toString());
            element->setChecked(false);
            element->setEnabled(true);
        }
    Apply(QString());
    m_blnComplexActive = false;
    w.Menu("mnuFilterComplex")->setChecked(false);
    w.Menu("mnuFilterShort")->setEnabled(true);
    w.ToolButton("Filter")->setChecked(false);
    w.SetStatusMsg(clsFieldFilters::CancelledText());
}

// --- complex filters ---

void clsFilterCommands::EnsureComplex() {
    const auto& ds = m_view.DataSource();
    if (!m_complex || m_complex->TableName() != ds->Table()->Name())
        m_complex = DbmsSelectionSet::FromDataSource(*ds, DbmsSelectionSet::Complex);
}

void clsFilterCommands::ApplyComplex() {
    const QString condition = m_complex->Condition();
    m_blnComplexActive = !condition.isEmpty();
    w.Menu("mnuFilterShort")->setEnabled(!m_blnComplexActive);
    w.ToolButton("Filter")->setChecked(m_blnComplexActive);
    w.Menu("mnuFilterComplex")->setChecked(m_blnComplexActive);
    Apply(condition);
}

void clsFilterCommands::Defer(const QString& command) {
    SetTag(w.tmFunc, command);
    w.tmFunc->start();
}

void clsFilterCommands::FilterComplex() {
    // The check mark follows the filter in force, not the click.
    w.Menu("mnuFilterComplex")->setChecked(m_blnComplexActive);
    if (m_view.DataSource()) Defer("mnuFilterComplex");
}

void clsFilterCommands::RunFilterComplex() {
    const auto& ds = m_view.DataSource();
    if (!ds) return;
    bool confirmed = false;
    Guarded(&w, FilterError, [&] {
        EnsureComplex();
        confirmed = FormService().ShowComplexFilter(&w, *ds, *m_complex, "FILTRO COMPLESSO");
    });
    if (confirmed) ApplyComplex();
    Guarded(&w, {}, [this] { FillComplexItems(); });
}

void clsFilterCommands::FillComplexItems() {
    const auto& ds = m_view.DataSource();
    const bool ours = m_complex && ds && m_complex->TableName() == ds->Table()->Name();
    FillComplexFilterItems(w, m_menus, ours ? m_complex->StoredNames() : QString());
}

void clsFilterCommands::FilterComplexItem(int index) {
    QAction* element = Element(w, "mnuFilterComplexItems", index);
    if (!element || !m_view.DataSource()) return;
    bool found = false;
    if (!Guarded(&w, FilterError, [&] {
            EnsureComplex();
            found = m_complex->Load(element->text());
        }))
        return;
    if (!found) return (void)ShowMessage(&w, "Un filtro con questo nome non è presente!");
    Defer("mnuFilterComplex");
}
