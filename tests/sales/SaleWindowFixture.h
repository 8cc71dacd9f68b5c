#pragma once
// The sale window on a real archive, shown offscreen and driven from the keyboard, the scripted
// prompter answering: the archive, the customer C001 with 40 points, two articles (A1 at 100,
// A2 at 250, one point every 10) and cash as the default payment.
#include "DbmsClock.h"
#include "InitDatabase.h"
#include "ScriptedPrompter.h"
#include "clsArchiveSession.h"
#include "clsSettings.h"
#include "frmMessage.h"
#include "frmVendite.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

inline int Accept(QDialog&) {
    return QDialog::Accepted;
}

class SaleWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.filePath("config"));
        qputenv("TESSARIN_HOME", m_dir.filePath("home").toUtf8());
        DbmsClock::SetFixed(QDateTime(QDate(2024, 3, 15), QTime(10, 30)));
        settings.Load();
        settings.RootDir = m_dir.filePath("data");
        settings.AutoIdentify_Bonus = true;
        settings.AutoIdentify_Premi = true;
        ASSERT_TRUE(modGlobal::InitDatabase(session, settings, true, nullptr, nullptr, nullptr));
        ASSERT_TRUE(session.IsOpen());
        // Only the prizes and bonuses a test makes: the archive's samples would take points.
        Exec("DELETE FROM TabellaPremi");
        Exec("DELETE FROM TabellaBonus");
        scheme =
            Add("TabellaPunti", {{"Descrizione", "Un punto ogni 10"}, {"ValorePunto", Amount(10)}});
        cash = Add("TipiPagamento", {{"Descrizione", "Contanti"}});
        settings.WriteSetting("OperazioniVendite", "PagamentoDefault", QString::number(cash));
        customer = Add("Clienti",
                       {{"Codice", "C001"}, {"Cognome", "Rossi"}, {"Nome", "Ada"}, {"Punti", 40}});
        flight = Article("A1", 100);
        hotel = Article("A2", 250);
    }
    void TearDown() override {
        window.reset();
        frmMessage::Unload();
        session.Release();
        DbmsClock::Reset();
        EXPECT_TRUE(prompter.Failures().isEmpty()) << prompter.Failures().join("\n").toStdString();
    }

    static QVariant Amount(qint64 whole) { return QVariant::fromValue(Money::FromWhole(whole)); }
    OID Add(const QString& table, const DbmsFieldValues& values) {
        return session.Database()->Item(table)->OpenDataSource()->AddRow(values);
    }
    OID Article(const QString& code, qint64 price) {
        return Add("Articoli", {{"Codice", code},
                                {"Descrizione", "Articolo " + code},
                                {"Importo", Amount(price)},
                                {"Punti", scheme}});
    }
    OID Prize(const QString& name, int needed, int stock, bool cumulative) {
        return Add("TabellaPremi", {{"Descrizione", name},
                                    {"PuntiNecessari", needed},
                                    {"Disponibilita", stock},
                                    {"Cumulabile", cumulative}});
    }
    void Exec(const QString& sql) { session.Storage()->Execute(sql); }
    qint64 Scalar(const QString& sql) {
        SQLite::Statement st(session.Storage()->Connection(), sql.toStdString());
        return st.executeStep() ? st.getColumn(0).getInt64() : -1;
    }
    QString Text(const QString& sql) {
        SQLite::Statement st(session.Storage()->Connection(), sql.toStdString());
        return st.executeStep() ? QString::fromStdString(st.getColumn(0).getString()) : "?";
    }
    // Through a connection of its own: what is on disk, not what a transaction holds.
    qint64 Committed(const QString& sql) {
        SQLite::Database other(session.Storage()->Path().toStdString(), SQLite::OPEN_READONLY);
        SQLite::Statement st(other, sql.toStdString());
        return st.executeStep() ? st.getColumn(0).getInt64() : -1;
    }

    frmVendite& Open() {
        window = std::make_unique<frmVendite>(
            session, settings, nullptr, [this](QLineEdit* target) { barcodeTarget = target; });
        window->show();
        QApplication::setActiveWindow(window.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        return *window;
    }
    // The card or code typed into the customer field over what it shows, ended by Enter.
    void TypeCustomer(const QString& code) {
        window->txtCode_Cliente->setFocus();
        window->txtCode_Cliente->selectAll();
        QTest::keyClicks(window->txtCode_Cliente, code);
        QTest::keyClick(window->txtCode_Cliente, Qt::Key_Return);
    }
    // One key event to the focused control, as the keyboard sends it (QTest's own clicks
    // would press and release Ctrl around every key).
    static void Send(QEvent::Type type, int key, Qt::KeyboardModifiers modifiers,
                     const QString& text = {}) {
        QKeyEvent event(type, key, modifiers, text);
        QApplication::sendEvent(QApplication::focusWidget(), &event);
    }
    // A reader that types like a keyboard: Ctrl down, the code, Ctrl up, wherever the focus.
    void ReadArticle(const QString& code) {
        Send(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
        for (QChar c : code) {
            const int key = c.toUpper().unicode();
            Send(QEvent::KeyPress, key, Qt::ControlModifier);
            Send(QEvent::KeyRelease, key, Qt::ControlModifier);
        }
        Send(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
    }
    void Key(const QString& text) {
        QTest::keyClick(QApplication::focusWidget(), text.at(0).toLatin1());
    }

    QTemporaryDir m_dir;
    ScriptedPrompter prompter;
    // What the program's start makes once and hands to the window, which they outlive.
    clsSettings settings;
    clsArchiveSession session;
    std::unique_ptr<frmVendite> window;
    QLineEdit* barcodeTarget = nullptr;
    OID scheme = 0, cash = 0, customer = 0, flight = 0, hotel = 0;
};
