#pragma once
// The text asked for a search or a filter on one field: begins with, or contains when
// "Ricerca interna" is checked. It remembers the field and text of the last confirmation for
// the whole run, so asking again on the same field offers the same text and "Successivo".

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmSearchText : public QDialog {
    Q_OBJECT
public:
    // The one dialog of the program: it keeps its last field and text for the whole run.
    static frmSearchText& Instance();

    // Sets lblFieldName, shows or hides chkInternal and cmdNext and runs the dialog modally over
    // `owner`; returns whether the user confirmed (also in `confirmed`). A caption set by the
    // caller holds for this run only; the next one starts from "Cerca" again.
    bool GetSelection(QWidget* owner, const QString& fieldCaption, bool internalVisible,
                      bool nextVisible, bool& confirmed);

    QString ResultText() const { return m_strResultText; } // empty after loading or cancelling
    bool Internal() const { return m_blnInternal; }        // contains instead of begins with
    bool Next() const { return m_blnNext; }                // the next occurrence was asked
    bool Confirmed() const { return m_blnConfirmed; }
    // The main window's "search again" asks for the next occurrence without the dialog.
    void SetNext(bool next) { m_blnNext = next; }

    QString LastFieldCaption() const { return m_strLastFieldCaption; }
    QString LastText() const { return m_strLastText; }
    // Searching or filtering on a cell's value remembers it as if it had been confirmed here.
    void SetLast(const QString& fieldCaption, const QString& text);
    // Text typed before the dialog opened (a key pressed over a grid): typed into txtSearch
    // when it shows, over what it offers.
    void TypeAhead(const QString& typed) { m_strTypedAhead = typed; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    frmSearchText();
    ~frmSearchText() override;

    void Load();
    void Confirm(bool next);

    QLabel* lblFieldName;
    QLineEdit* txtSearch;
    QCheckBox* chkInternal;
    QPushButton* cmdOk;
    QPushButton* cmdNext;
    QPushButton* cmdCancel;

    QString m_strLastFieldCaption;
    QString m_strLastText;
    QString m_strResultText;
    QString m_strTypedAhead;
    bool m_blnInternal = false;
    bool m_blnConfirmed = false;
    bool m_blnNext = false;
};
