#include "frmReportPreview.h"

#include "DbmsTypes.h"
#include "ReportDocument.h"
#include "itfPrompter.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// Zoom choices: a share of the real size, or 0 for the page's width fitted to the window.
const struct {
    const char* Text;
    int Percent;
} Zooms[] = {{"Larghezza pagina", 0}, {"50%", 50},   {"75%", 75},
             {"100%", 100},           {"150%", 150}, {"200%", 200}};
} // namespace

frmReportPreview::frmReportPreview(ReportDocument& report, std::function<void()> print,
                                   QWidget* parent)
    : QDialog(parent), m_report(report) {
    setObjectName("ReportPreview");
    setWindowTitle("Anteprima di stampa - " + report.Title());
    resize(900, 1000);

    const auto button = [this](const QString& name, const QString& text, auto slot) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setText(text);
        b->setAutoRaise(true);
        connect(b, &QToolButton::clicked, this, slot);
        return b;
    };
    m_page = new QSpinBox(this);
    m_page->setObjectName("txtPage");
    m_page->setRange(1, report.PageCount());
    m_page->setKeyboardTracking(false);
    m_zoom = new QComboBox(this);
    m_zoom->setObjectName("cboZoom");
    for (const auto& z : Zooms)
        m_zoom->addItem(z.Text, z.Percent);

    auto* bar = new QHBoxLayout;
    bar->addWidget(button("cmdPrint", "Stampa...", [this, print] {
        if (print) print();
    }));
    bar->addSpacing(12);
    bar->addWidget(button("cmdFirst", "|<", [this] { ShowPage(1); }));
    bar->addWidget(button("cmdPrevious", "<", [this] { ShowPage(CurrentPage() - 1); }));
    bar->addWidget(new QLabel("Pagina", this));
    bar->addWidget(m_page);
    bar->addWidget(new QLabel(QString("di %1").arg(report.PageCount()), this));
    bar->addWidget(button("cmdNext", ">", [this] { ShowPage(CurrentPage() + 1); }));
    bar->addWidget(button("cmdLast", ">|", [this] { ShowPage(m_report.PageCount()); }));
    bar->addSpacing(12);
    bar->addWidget(m_zoom);
    bar->addStretch();
    auto* close = new QPushButton("Chiudi", this);
    close->setObjectName("cmdClose");
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    bar->addWidget(close);

    m_sheet = new QLabel(this);
    m_sheet->setObjectName("imgPage");
    m_sheet->setAlignment(Qt::AlignCenter);
    m_scroll = new QScrollArea(this);
    m_scroll->setWidget(m_sheet);
    m_scroll->setWidgetResizable(true);
    m_scroll->setAlignment(Qt::AlignCenter);
    m_scroll->setBackgroundRole(QPalette::Dark);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_scroll, 1);

    connect(m_page, &QSpinBox::valueChanged, this, [this] { Redraw(); });
    connect(m_zoom, &QComboBox::currentIndexChanged, this, [this] { Redraw(); });
    Redraw();
}

int frmReportPreview::CurrentPage() const {
    return m_page->value();
}

void frmReportPreview::ShowPage(int page) {
    // The spin box keeps the page within the report and redraws when it changes.
    m_page->setValue(page);
}

qreal frmReportPreview::Dpi() const {
    const int percent = m_zoom->currentData().toInt();
    if (percent > 0) return logicalDpiX() * percent / 100.0;
    const qreal inches = m_report.PageLayout().fullRect(QPageLayout::Inch).width();
    const int room = m_scroll->viewport()->width() - 2 * m_scroll->verticalScrollBar()->width();
    return std::max(24.0, room / inches);
}

void frmReportPreview::Redraw() {
    try {
        m_sheet->setPixmap(QPixmap::fromImage(m_report.PageImage(CurrentPage(), Dpi())));
    } catch (const DbmsError& e) {
        m_sheet->clear();
        ShowMessage(this, "Stampa non riuscita.\r\r" + e.Description(), PromptIcon::Critical);
    }
}

void frmReportPreview::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_PageDown:
        ShowPage(CurrentPage() + 1);
        break;
    case Qt::Key_PageUp:
        ShowPage(CurrentPage() - 1);
        break;
    case Qt::Key_Home:
        if (event->modifiers() & Qt::ControlModifier) ShowPage(1);
        break;
    case Qt::Key_End:
        if (event->modifiers() & Qt::ControlModifier) ShowPage(m_report.PageCount());
        break;
    default:
        QDialog::keyPressEvent(event);
    }
}

void frmReportPreview::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (m_zoom->currentData().toInt() == 0) Redraw();
}
