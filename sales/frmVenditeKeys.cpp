// The keys of the sale window: it sees them before its controls, so a reader that types like
// a keyboard (Ctrl down, the code, Ctrl up) adds an article from wherever the focus is.
#include "frmVendite.h"

#include "modVenditeLayout.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

namespace {

// Focus that moves to another window (a message box, a menu) is not the user leaving the field.
bool LeavesWithinWindow(const QEvent* event) {
    const auto reason = static_cast<const QFocusEvent*>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

void SelectAllLater(QLineEdit* edit) {
    // After a click the line edit places the cursor itself; select once it has.
    QTimer::singleShot(0, edit, &QLineEdit::selectAll);
}

} // namespace

bool frmVendite::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this &&
            HandleKey(watched, static_cast<QKeyEvent*>(event)))
            return true;
        return QDialog::eventFilter(watched, event);
    }
    if (watched == txtCode_Cliente) {
        if (type == QEvent::FocusIn) {
            SelectAllLater(txtCode_Cliente);
            cmdConfirm->setDefault(false); // Enter here ends a code, it does not confirm
        } else if (type == QEvent::FocusOut && LeavesWithinWindow(event)) {
            txtCode_Cliente_LostFocus();
        } else if (type == QEvent::MouseButtonDblClick) {
            txtCliente_DblClick();
            return true;
        }
    } else if (watched == txtCliente) {
        if (type == QEvent::FocusIn && txtCliente->text().isEmpty())
            QTimer::singleShot(0, this, [this] {
                if (txtCliente->hasFocus() && txtCliente->text().isEmpty()) cmdSet_Cliente_Click();
            });
        else if (type == QEvent::MouseButtonDblClick) {
            txtCliente_DblClick();
            return true;
        }
    } else if (watched == txtCode_Articolo) {
        if (type == QEvent::FocusIn) {
            SetBarcodeField(txtCode_Articolo);
            SelectAllLater(txtCode_Articolo);
        } else if (type == QEvent::FocusOut && LeavesWithinWindow(event)) {
            SetBarcodeField(txtCode_Cliente);
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool frmVendite::HandleKey(QObject* watched, QKeyEvent* event) {
    const int key = event->key();
    const bool press = event->type() == QEvent::KeyPress;

    // Capture mode: Ctrl down starts a code in the article field, Ctrl up adds it.
    if (key == Qt::Key_Control) {
        if (press && !event->isAutoRepeat() && txtCode_Articolo->isEnabled()) {
            txtCode_Articolo->clear();
            txtCode_Articolo->setFocus(Qt::ShortcutFocusReason);
            m_blnCapture = true;
        } else if (!press && !event->isAutoRepeat()) {
            m_blnCapture = false;
            if (txtCode_Articolo->hasFocus() && !txtCode_Articolo->text().isEmpty())
                cmdAutoAdd_Click();
        }
        return false;
    }
    if (!press) return false;
    if (m_blnCapture) {
        if (txtCode_Articolo->isEnabled() && txtCode_Articolo->hasFocus() && key > 32 &&
            key < 128) {
            txtCode_Articolo->setText(txtCode_Articolo->text() + QChar(key));
            return true;
        }
        return false;
    }

    const QString text = event->text();
    // A full voucher refuses a key whole, with a beep, as the line does itself: a character
    // written in two halves would otherwise be cut between them.
    if (watched == txtRiferimento && !text.isEmpty() &&
        (text[0].isPrint() || text[0].isHighSurrogate()) &&
        txtRiferimento->text().size() - txtRiferimento->selectedText().size() + text.size() >
            txtRiferimento->maxLength()) {
        m_clerk.Beep();
        return true;
    }

    // "+" and "-" change the quantity of the current line from the lines' own places only:
    // the grid, or the article field before a code is typed. Every other field keeps them
    // (a voucher "VCH-7", a note).
    const bool onLines = watched == dgArticoli ||
                         (watched == txtCode_Articolo && txtCode_Articolo->text().isEmpty());
    if ((text == "+" || text == "-") && onLines && IsSaleOpen() && CurrentRow(dgArticoli) != 0) {
        Guarded([&] {
            ShowRows(m_vendita.ChangeQuantity(CurrentRow(dgArticoli), text == "+" ? 1 : -1));
        });
        return true;
    }

    if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter, f2 = key == Qt::Key_F2;
    // Enter after a code typed by hand reads that code; only elsewhere does it confirm. F2 in
    // the article field looks for an article by its description.
    if (watched == txtCode_Articolo && (f2 || (enter && !txtCode_Articolo->text().isEmpty()))) {
        if (f2) txtCode_Articolo->clear();
        cmdAutoAdd_Click();
    } else if (watched == txtCode_Cliente && (enter || f2)) {
        txtCliente->setFocus(Qt::TabFocusReason);
    } else if (watched == txtCliente && f2) {
        txtCliente_DblClick();
    } else if (watched == txtNote && enter) {
        cmdConfirm->click(); // the notes keep Ctrl+Enter... which the reader's Ctrl takes first
    } else {
        return false;
    }
    return true;
}
