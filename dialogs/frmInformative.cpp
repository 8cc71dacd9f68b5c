#include "frmInformative.h"

#include "itfPrompter.h"
#include "modAppInfo.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* Paragraph(QWidget* owner, const char* name, const QString& text) {
    auto* label = new QLabel(text, owner);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignJustify | Qt::AlignTop);
    return label;
}

QString NoTransferClause() {
    return "Il presente programma è concesso in licenza d'uso non esclusiva e non trasferibile: "
           "non può essere ceduto, noleggiato, prestato o copiato, in tutto o in parte, senza "
           "il consenso scritto del titolare dei diritti.";
}

// Two paragraphs: the holder is named twice in the first and once in the second.
QString Disclaimer(const QString& holder) {
    return QString("Il programma viene fornito così com'è: %1 non risponde di danni diretti o "
                   "indiretti, perdite di dati o mancati guadagni derivanti dall'uso o dal "
                   "mancato uso del programma, né garantisce che esso sia adatto a uno scopo "
                   "particolare. In nessun caso la responsabilità di %1 potrà superare il "
                   "corrispettivo pagato per la licenza.\n"
                   "L'utente resta il solo responsabile della correttezza dei dati inseriti e "
                   "della conservazione delle copie di salvataggio dei propri archivi; le "
                   "segnalazioni di malfunzionamento vanno indirizzate a %1.")
        .arg(holder);
}

QString DataNotice() {
    return "Informativa ai sensi dell'art. 10 della Legge 31 dicembre 1996, n. 675: i dati "
           "personali dei clienti registrati con questo programma sono trattati dall'agenzia, "
           "titolare del trattamento, al solo fine di gestire la carta fedeltà e i relativi "
           "premi, con strumenti informatici e nel rispetto delle misure di sicurezza previste. "
           "Il conferimento dei dati è facoltativo, ma senza di essi la carta non può essere "
           "rilasciata. I dati non sono comunicati né diffusi a terzi.";
}

QString DataSubjectRights() {
    return "Ai sensi dell'art. 13 della stessa legge l'interessato ha diritto di conoscere "
           "l'esistenza di trattamenti di dati che lo riguardano, di ottenerne senza ritardo la "
           "conferma, l'aggiornamento, la rettificazione, l'integrazione o la cancellazione, e "
           "di opporsi per motivi legittimi al loro trattamento, rivolgendosi al titolare.";
}

QPushButton* Button(QWidget* owner, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, owner);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

} // namespace

frmInformative::frmInformative(QWidget* owner, const QString& holder)
    : QDialog(owner), m_strHolder(holder.trimmed().isEmpty() ? modAppInfo::VendorName() : holder) {
    setObjectName("frmInformative");
    setWindowTitle("Informativa");

    lblDescription = Paragraph(this, "lblDescription", NoTransferClause());
    QFont bold = lblDescription->font();
    bold.setBold(true);
    lblDescription->setFont(bold);
    lblResponsability = Paragraph(this, "lblResponsability", Disclaimer(m_strHolder));
    lblInformation1 = Paragraph(this, "lblInformation1", DataNotice());
    lblInformation2 = Paragraph(this, "lblInformation2", DataSubjectRights());

    cmdOk = Button(this, "cmdOk", "&Accetto");
    cmdCancel = Button(this, "cmdCancel", "&Non accetto");
    cmdClose = Button(this, "cmdClose", "&Chiudi");
    cmdClose->hide();
    cmdPrint = Button(this, "cmdPrint", "&Stampa...");

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdPrint);
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    for (QLabel* label : {lblDescription, lblResponsability, lblInformation1, lblInformation2})
        layout->addWidget(label);
    layout->addStretch();
    layout->addLayout(buttons);
    setMinimumWidth(560);

    connect(cmdOk, &QPushButton::clicked, this, &frmInformative::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmInformative::cmdCancel_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdPrint, &QPushButton::clicked, this, &frmInformative::cmdPrint_Click);
}

bool frmInformative::AcceptInformative() {
    m_blnAccepted = false;
    Prompter().Exec(*this);
    return m_blnAccepted;
}

void frmInformative::SetReadOnly() {
    cmdOk->hide();
    cmdCancel->hide();
    cmdClose->show();
}

void frmInformative::cmdOk_Click() {
    m_blnAccepted = true;
    accept();
}

// Escape and the close box reject as well, leaving the flag false.
void frmInformative::cmdCancel_Click() {
    m_blnAccepted = false;
    reject();
}

void frmInformative::cmdPrint_Click() {
    const QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
    if (printers.isEmpty()) {
        ShowMessage(this, "Nessuna stampante definita", PromptIcon::Exclamation);
        return;
    }
    QPrinterInfo target = QPrinterInfo::defaultPrinter();
    if (target.isNull()) target = printers.front();
    if (ShowMessage(this, "Stampa della videata in <" + target.printerName() + ">\r\rConfermi ?",
                    PromptIcon::Question, PromptButtons::YesNo,
                    PromptAnswer::Yes) != PromptAnswer::Yes)
        return;

    const QPixmap image = grab();
    QPrinter printer(target);
    QPainter painter;
    if (image.isNull() || !painter.begin(&printer)) return; // a printer that fails stays quiet
    const QRect page = painter.viewport();
    const QSize fitted = image.size().scaled(page.size(), Qt::KeepAspectRatio);
    painter.drawPixmap(QRect(page.topLeft(), fitted), image);
    painter.end();
}
