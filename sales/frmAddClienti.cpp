#include "frmAddClienti.h"

#include "DbmsFormService.h"
#include "ReportError.h"
#include "clsArchiveSession.h"
#include "itfPrompter.h"
#include "modCode.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

frmAddClienti::frmAddClienti(clsArchiveSession& session, const clsSettings& settings,
                             QWidget* owner, BarcodeTarget setBarcodeControl)
    : QDialog(owner), m_session(session), m_settings(settings),
      m_setBarcodeControl(std::move(setBarcodeControl)) {
    setObjectName("frmAddClienti");
    setWindowTitle("Aggiunta Clienti");

    auto* lblCliente = new QLabel("Cliente:", this);
    lblCliente->setObjectName("lblCliente");
    txtCode_Cliente = new QLineEdit(this);
    txtCode_Cliente->setObjectName("txtCode_Cliente");
    txtCode_Cliente->setMinimumWidth(200);
    lblCliente->setBuddy(txtCode_Cliente);
    cmdAutoAdd = new QPushButton("&Aggiungi", this);
    cmdAutoAdd->setObjectName("cmdAutoAdd");
    cmdAutoAdd->setDefault(true);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(lblCliente);
    layout->addWidget(txtCode_Cliente);
    layout->addWidget(cmdAutoAdd);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    txtCode_Cliente->installEventFilter(this);
    connect(txtCode_Cliente, &QLineEdit::textChanged, this, &frmAddClienti::CodeChanged);
    connect(cmdAutoAdd, &QPushButton::clicked, this, &frmAddClienti::AutoAdd);
}

frmAddClienti::~frmAddClienti() = default;

void frmAddClienti::ShowModal(QWidget* owner, clsArchiveSession& session,
                              const clsSettings& settings, BarcodeTarget setBarcodeControl) {
    frmAddClienti window(session, settings, owner, std::move(setBarcodeControl));
    Prompter().Exec(window);
}

void frmAddClienti::done(int result) {
    // However the window closes, the reader must stop writing into it.
    if (m_setBarcodeControl) m_setBarcodeControl(nullptr);
    QDialog::done(result);
}

void frmAddClienti::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Activate();
}

void frmAddClienti::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) Activate();
}

bool frmAddClienti::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtCode_Cliente && event->type() == QEvent::FocusIn)
        txtCode_Cliente->selectAll();
    return QDialog::eventFilter(watched, event);
}

void frmAddClienti::Activate() {
    // Another window may have taken the reader meanwhile: take it back.
    if (m_setBarcodeControl) m_setBarcodeControl(txtCode_Cliente);
    txtCode_Cliente->setFocus();
}

void frmAddClienti::CodeChanged(const QString& text) {
    const QString code = ExtractCode(text);
    if (code.isEmpty()) return;
    // Without its line break the text changes once more and finds nothing to do.
    txtCode_Cliente->setText(code);
    AutoAdd();
}

void frmAddClienti::AutoAdd() {
    const QString code = txtCode_Cliente->text();
    if (code.isEmpty()) {
        ShowMessage(this, "Devi inserire il codice del cliente da aggiungere",
                    PromptIcon::Information);
    } else {
        try {
            AddCode(code);
        } catch (const std::exception& e) {
            ReportError(m_settings, QString(), e, this);
        }
    }
    // Ready for the next card.
    txtCode_Cliente->setFocus();
}

void frmAddClienti::AddCode(const QString& code) {
    // The code is quoted as a literal: a code such as O'Brien is a value, not filter syntax.
    const auto clienti = m_session.Database()->Item("Clienti")->OpenDataSource(
        "Codice=" + DbmsDatabase::TextLiteral(code));
    if (!clienti->IsEmpty()) {
        ShowMessage(this, "Il cliente esiste in archivio", PromptIcon::Information);
        txtCode_Cliente->clear();
        return;
    }
    // A cancelled card keeps its code, to be tried again.
    if (FormService().ShowRowEditor(this, *clienti, true, {{"Codice", code}}).isValid())
        txtCode_Cliente->clear();
}
