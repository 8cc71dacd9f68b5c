#include "frmReportPreview.h"

#include "DbmsTypes.h"
#include "ReportDocument.h"
#include "itfPrompter.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
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
    resize(860, 900);

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

    // Page keys turn pages wherever the focus is (the page box would step by ten).
    const auto key = [this](QKeySequence keys, auto slot) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, slot);
    };
    key(Qt::Key_PageDown, [this] { ShowPage(CurrentPage() + 1); });
    key(Qt::Key_PageUp, [this] { ShowPage(CurrentPage() - 1); });
    key(Qt::CTRL | Qt::Key_Home, [this] { ShowPage(1); });
    key(Qt::CTRL | Qt::Key_End, [this] { ShowPage(m_report.PageCount()); });
    m_scroll->setFocus();

    // The page's width follows the viewport's, known only once the layout has placed it.
    m_scroll->viewport()->installEventFilter(this);
    connect(m_page, &QSpinBox::valueChanged, this, [this] {
        Redraw();
        m_scroll->verticalScrollBar()->setValue(0); // a new page is read from its top
    });
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
    const int room = m_scroll->viewport()->width() - 20; // a margin around the sheet
    return std::max(24.0, room / inches);
}

void frmReportPreview::Redraw() {
    m_shownWidth = m_scroll->viewport()->width();
    try {
        m_sheet->setPixmap(QPixmap::fromImage(m_report.PageImage(CurrentPage(), Dpi())));
    } catch (const DbmsError& e) {
        m_sheet->clear();
        ShowMessage(this, "Stampa non riuscita.\r\r" + e.Description(), PromptIcon::Critical);
    }
}

bool frmReportPreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_scroll->viewport() && event->type() == QEvent::Resize &&
        m_zoom->currentData().toInt() == 0 && m_shownWidth != m_scroll->viewport()->width())
        Redraw();
    return QDialog::eventFilter(watched, event);
}
