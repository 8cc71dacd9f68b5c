// The form service's windows and commands; the grids are bound in DbmsFormServiceGrid.cpp.
#include "DbmsFormService.h"

#include "DbmsCombinedOrder.h"
#include "DbmsComplexFilter.h"
#include "DbmsCsvExport.h"
#include "DbmsExport.h"
#include "DbmsFieldEditorDialog.h"
#include "DbmsFieldSequence.h"
#include "DbmsPredefinedSelections.h"
#include "DbmsRowEditor.h"
#include "DbmsSelectionList.h"
#include "DbmsTextBinding.h"
#include "itfPrompter.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
// The wait cursor for as long as a command works, whatever way it ends.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Everything a row window writes (links, owned rows, rules' side effects) stays or goes as
// one: cancelling rolls it back, so a cancelled window leaves nothing behind.
class WindowTransaction {
public:
    explicit WindowTransaction(DbmsDatabase& db) : m_db(db) { m_db.BeginTrans(); }
    ~WindowTransaction() {
        if (m_open) {
            try {
                m_db.Rollback();
            } catch (const DbmsError&) {
                // Nothing more can be undone; the error that got here is the one to report.
            }
        }
    }
    WindowTransaction(const WindowTransaction&) = delete;
    WindowTransaction& operator=(const WindowTransaction&) = delete;
    void Commit() {
        m_db.CommitTrans();
        m_open = false;
    }

private:
    DbmsDatabase& m_db;
    bool m_open = true;
};
} // namespace

DbmsFormService& FormService() {
    static DbmsFormService service;
    return service;
}

void DbmsFormService::BindTextBox(QLineEdit* edit, std::shared_ptr<DbmsDataSource> ds,
                                  const QString& field) {
    DbmsTextBinding::Bind(edit, ds, field);
}

QVariant DbmsFormService::ShowRowEditor(QWidget* owner, DbmsDataSource& ds, bool newRow,
                                        const DbmsFieldValues& values) {
    try {
        QSet<QString> prefilled;
        // A new row is started before the window's transaction: a pending change of the row
        // the data source was on is stored by AddNew and must not go with a cancel.
        if (newRow)
            ds.AddNew();
        else if (!ds.HasCurrentRow())
            throw DbmsError(DbmsError::NoCurrentRow, "Nessuna riga da modificare");
        WindowTransaction transaction(*ds.Database());
        try {
            for (const auto& [field, value] : values) {
                ds.SetValue(field, value);
                prefilled.insert(field.toLower());
            }
            DbmsRowEditor editor(owner, ds, prefilled);
            if (editor.Run() == QDialog::Accepted) {
                transaction.Commit();
                return QVariant(qint64(editor.SavedOID()));
            }
        } catch (...) {
            ds.CancelUpdate();
            throw;
        }
        ds.CancelUpdate();
    } catch (const DbmsError& e) {
        ShowMessage(owner, e.Description(), PromptIcon::Exclamation);
    }
    return QVariant();
}

QVariant DbmsFormService::ShowSelectionList(QWidget* owner, DbmsDataSource& ds,
                                            const QString& caption) {
    try {
        DbmsSelectionList list(owner, ds, caption, DbmsSelectionList::Choose);
        if (list.Run() == QDialog::Accepted && list.Chosen())
            return QVariant(qint64(list.Chosen()));
    } catch (const DbmsError& e) {
        ShowMessage(owner, e.Description(), PromptIcon::Exclamation);
    }
    return QVariant();
}

bool DbmsFormService::ShowFieldEditor(QWidget* owner, DbmsDataSource& ds, const QString& field) {
    try {
        const DbmsFieldInfo* info = ds.FieldInfo(field);
        if (!info)
            throw DbmsError(
                DbmsError::UnknownField,
                QString("Campo sconosciuto nella tabella %1: %2").arg(ds.TableDef().Name, field));
        DbmsFieldEditorDialog editor(owner, ds, *info);
        if (editor.Run() == QDialog::Accepted) return editor.ChangedValue();
        // An OK that failed left the value in the row; a cancel takes it back.
        if (editor.Touched()) ds.CancelUpdate();
    } catch (const DbmsError& e) {
        ShowMessage(owner, e.Description(), PromptIcon::Exclamation);
    }
    return false;
}

void DbmsFormService::ShowRowList(QWidget* owner, DbmsDataSource& ds, const QString& caption) {
    try {
        DbmsSelectionList list(owner, ds, caption, DbmsSelectionList::Browse);
        list.Run();
    } catch (const DbmsError& e) {
        ShowMessage(owner, e.Description(), PromptIcon::Exclamation);
    }
}

QString DbmsFormService::DuplicateRefusal(DbmsDatabase& db, const QString& table,
                                          const QString& field, const QVariant& value, OID except) {
    const DbmsTableDef* def = db.TableDef(table);
    const DbmsFieldDef* f = def ? def->Field(field) : nullptr;
    if (!f || f->Duplicate.isEmpty() || value.toString().trimmed().isEmpty()) return QString();
    const auto rows = db.Item(table);
    QString condition = rows->MakeCondition(field, value.toString());
    if (except) condition = "(" + condition + ") AND OID <> " + DbmsDatabase::NumberLiteral(except);
    return rows->OpenDataSource(condition)->IsEmpty() ? QString() : f->Duplicate;
}

bool DbmsFormService::ShowPredefinedSelections(QWidget* owner, DbmsSelectionSet& set,
                                               const QString& caption) {
    DbmsPredefinedSelections dialog(owner, set, caption);
    return dialog.Run() == QDialog::Accepted;
}

bool DbmsFormService::ShowFieldSequence(QWidget* owner, DbmsDataSource& ds, const QString& caption,
                                        QString& sequence) {
    DbmsFieldSequence dialog(owner, ds, caption, sequence);
    if (dialog.Run() != QDialog::Accepted) return false;
    sequence = dialog.Sequence();
    return true;
}

bool DbmsFormService::ShowComplexFilter(QWidget* owner, DbmsDataSource& ds, DbmsSelectionSet& set,
                                        const QString& caption) {
    try {
        DbmsComplexFilter dialog(owner, ds, set, caption);
        return dialog.Run() == QDialog::Accepted;
    } catch (const DbmsError& e) {
        ShowMessage(owner, e.Description(), PromptIcon::Exclamation);
    }
    return false;
}

bool DbmsFormService::ShowCombinedOrder(QWidget* owner, DbmsDataSource& ds, const QString& caption,
                                        QString& order) {
    DbmsCombinedOrder dialog(owner, ds, caption, order);
    if (dialog.Run() != QDialog::Accepted) return false;
    order = dialog.Order();
    return true;
}

void DbmsFormService::ExportData(QWidget* owner, DbmsDataSource& ds) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QString path = Prompter().SaveFileName(owner, "Esporta dati",
                                           QDir(folder).filePath(ds.TableDef().Name + ".htm"),
                                           "File HTML (*.htm *.html);;File CSV (*.csv)");
    if (path.isEmpty()) return;
    // The chooser gives back a path only: the name's extension says the format.
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool csv = suffix == "csv";
    if (!csv && suffix != "htm" && suffix != "html") path += ".htm";
    if (!ConfirmReplace(owner, path)) return;
    try {
        const WaitCursor wait;
        if (csv)
            DbmsCsvExport(ds, path);
        else
            DbmsExport(ds, path, DbmsExportFormat::Html);
    } catch (const DbmsError& e) {
        ShowMessage(owner, "Esportazione dei dati non riuscita:\n\n" + e.Description(),
                    PromptIcon::Critical);
    }
}
