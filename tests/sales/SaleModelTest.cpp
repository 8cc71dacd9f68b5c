// A clerk at the sale window for a long random run, offscreen, every question answered by the
// scripted prompter. After every action the window and the archive are compared with a plain
// reference of the sale, worked out here from the catalogue's prices, points schemes, prizes
// and bonuses. ctest runs three fixed seeds; TESSARIN_MODEL_SEEDS=<n> runs n random ones and
// TESSARIN_MODEL_SEED=<s> replays one (TESSARIN_MODEL_ACTIONS: actions per seed).
#include "SaleWindowRun.h"
#include "frmMessage.h"

#include <iostream>

namespace {

// One run of a clerk's random actions at the window.
class ClerkRun : public SaleWindowRun {
public:
    ClerkRun(quint64 seed, int actions) : SaleWindowRun(seed), m_actions(actions) {}

    // Empty when the window and the archive followed the reference throughout.
    QString Go() {
        a.Create();
        session.SetStorage(a.storage);
        session.SetDatabase(a.db);
        Catalogue();
        OpenWindow();
        for (int i = 0; i < m_actions && m_error.isEmpty(); ++i) {
            Act();
            QApplication::processEvents();
            if (m_error.isEmpty()) Check();
        }
        if (m_error.isEmpty()) CheckArchive();
        w.reset();
        frmMessage::Unload();
        session.Release();
        if (m_error.isEmpty())
            std::cout << QString("%1 azioni, %2 rifiuti o avvisi, %3 vendite confermate\n")
                             .arg(m_log.size())
                             .arg(m_refusals)
                             .arg(ref.confirmed)
                             .toStdString();
        return m_error.isEmpty() ? QString() : m_error + "\nazioni:\n" + m_log.join('\n');
    }

    // --- values near and past the limits ---
    QString AmountText() {
        return OneOf<QString>({"12,5", "250", "0", "-30", "1999,9999", "99999999999999",
                               "922337203685477", "999999999999999", "1000000000000000",
                               QString::number(1 + Pick(5000)), "abc"});
    }
    QString QuantityText() {
        return OneOf<QString>(
            {"1", "2", "3", "0", "-2", "1000", "2147483647", "2147483648", "-2147483648", "x"});
    }
    QString FreeText(int longest) {
        const QString pieces[] = {"Nota",  " ",    "VCH-7", "àèìòù", "€",
                                  "Ωμέγα", "漢字", "😀",     "'\"",   "ß"};
        QString text;
        const int target = Chance(20) ? longest + 1 + Pick(40) : Pick(30);
        while (text.size() < target)
            text += pieces[Pick(10)];
        return text;
    }
    static std::optional<qint64> Whole(const QString& text) {
        bool ok = false;
        const qint64 v = text.toLongLong(&ok);
        return ok ? std::optional(v) : std::nullopt;
    }

    // Runs one step of the reference on a copy; on a refusal the window must say so (an
    // answered warning) and the reference stays as it was.
    template <typename F> bool Expect(F step) {
        Reference next = ref;
        try {
            step(next);
        } catch (const Refused&) {
            Ok();
            return false;
        }
        ref = next;
        return true;
    }

    void Act() {
        const bool open = ref.open;
        const int action = open ? Pick(100) : OneOf({0, 0, 0, 1, 2, 3, 95});
        if (action < 4) return Customer(open && Chance(20));
        if (action < 6) return ChooseCustomer();
        if (action < 8) return EditCustomer();
        if (action < 27) return AddArticle();
        if (action < 30) return SearchArticle();
        if (action < 42) return PlusMinus();
        if (action < 50) return EditLine();
        if (action < 55) return DeleteLine();
        if (action < 58) return DefineLine();
        if (action < 64) return AddAssigned(Chance(50));
        if (action < 70) return RemoveAssigned(Chance(50));
        if (action < 75) return Switch(Chance(50));
        if (action < 79) return Identify(Chance(50));
        if (action < 86) return NoteAndVoucher();
        if (action < 95) return Confirm();
        return Cancel();
    }

    void Customer(bool again) {
        // A known card (perhaps in other letters), an unknown one, one longer than a card.
        const int kind = again ? 3 : Pick(4);
        QString code = kind == 0   ? QString(33 + Pick(10), 'K')
                       : kind == 1 ? OneOf<QString>({"X'1", "Nuovo€", "Ünï", "😀"}) +
                                         QString::number(Pick(1000))
                                   : ref.customers[size_t(Pick(int(ref.customers.size())))].code;
        if (kind == 3 && ref.open) code = ref.customers[size_t(ref.customer)].code;
        if (kind == 2 && Chance(30)) code = code.toLower();
        Log("cliente " + code);
        const int found = ref.CustomerByCode(code);
        if (kind == 0) {
            Ok(); // no card is that long
        } else if (ref.open && code == ref.customers[size_t(ref.customer)].code) {
            // the same card again: nothing happens
        } else if (found >= 0) {
            Expect([&](Reference& r) { r.Open(found); });
        } else {
            const bool add = Chance(50);
            Answer(add);
            if (add) {
                Editor({{"Cognome", "Nuovo"}});
                const OID oid = a.Scalar("SELECT IFNULL(MAX(OID), 0) + 1 FROM Clienti");
                ref.customers.push_back({oid, code, 0});
                Expect([&](Reference& r) { r.Open(int(r.customers.size()) - 1); });
            }
        }
        w->txtCode_Cliente->setText(code + "\r"); // as the card reader writes it
    }

    // The customer chosen from the list ("..."), or none.
    void ChooseCustomer() {
        const int who = Chance(85) ? Pick(int(ref.customers.size())) : -1;
        Log(QString("scegli cliente %1").arg(who));
        if (who < 0) {
            prompter->Dialog([](QDialog&) { return int(QDialog::Rejected); });
        } else {
            Choose(ref.customers[size_t(who)].oid);
            Expect([&](Reference& r) { r.Open(who); });
        }
        w->cmdSet_Cliente->click();
    }

    // F2 in the article field: the articles whose description holds a text, one chosen.
    void SearchArticle() {
        const int article = Chance(85) ? Pick(int(ref.articles.size())) : -1;
        const bool ours = article >= 0 && article < 8; // described "Articolo <n>"
        Log(QString("cerca articolo %1").arg(article));
        prompter->Dialog([article, ours](QDialog& search) {
            if (article < 0) return int(QDialog::Rejected);
            Child<QLineEdit>(search, "txtSearch")->setText(ours ? "rticolo" : "");
            Child<QCheckBox>(search, "chkInternal")->setChecked(true);
            Child<QPushButton>(search, "cmdOk")->click();
            return int(QDialog::Accepted);
        });
        if (article >= 0) {
            Choose(ref.articles[size_t(article)].oid);
            AddLineOf(article);
        }
        w->txtCode_Articolo->setFocus();
        QTest::keyClick(w->txtCode_Articolo, Qt::Key_F2);
    }

    // The customer's card edited from the sale (F2): his points typed, near and past the limits.
    void EditCustomer() {
        const QString points = OneOf<QString>({"0", "-50", "1000", "2147483647", "-2147483648",
                                               "2147483648", "abc", QString::number(Pick(500))});
        const bool save = Chance(80);
        Log("scheda cliente, punti " + points + (save ? "" : " annullata"));
        Editor({{"Punti", points}}, save);
        auto& c = ref.customers[size_t(ref.customer)];
        const auto value = Whole(points);
        if (save && (!value || !Fits32(*value))) {
            Ok(); // the editor refuses them, and nothing changes
        } else if (save) {
            // Stored by the editor, then the sale takes the customer as he now is.
            if (points != QString::number(c.points)) c.points = *value;
            const int who = ref.customer;
            Expect([&](Reference& r) { r.Open(who); });
        }
        w->txtCliente->setFocus();
        QTest::keyClick(w->txtCliente, Qt::Key_F2);
    }

    void AddArticle() {
        // Read, typed or unknown; the unknown ones added on the spot or not.
        const int kind = Pick(10);
        QString code = kind == 0   ? QString(33 + Pick(20), 'Z')
                       : kind == 1 ? "N" + QString::number(Pick(100000))
                                   : ref.articles[size_t(Pick(int(ref.articles.size())))].code;
        if (kind == 2) code = code.toLower();
        Log("articolo " + code);
        int article = ref.ArticleByCode(code);
        bool created = false;
        if (kind == 0) {
            Ok(); // no article code is that long
        } else if (article < 0) {
            const bool add = Chance(70);
            const QString price = add ? AmountText() : QString();
            Log("  nuovo articolo, prezzo " + price);
            const auto units = Typed(price);
            Editor({{"Descrizione", "Nuovo"}, {"Importo", price}}, add);
            if (add && !units) {
                Ok(); // the editor refuses the price, and nothing is added
            } else if (add) {
                const OID oid = a.Scalar("SELECT IFNULL(MAX(OID), 0) + 1 FROM Articoli");
                ref.articles.push_back({oid, code, qint64(*units), -1});
                created = true;
                article = int(ref.articles.size()) - 1;
            }
        }
        if (article >= 0 && !AddLineOf(article) && created)
            ref.articles.pop_back(); // the new article goes with the action undone
        if (Chance(50) && code.size() < 30 && !code.contains(QRegularExpression("[^A-Z0-9]")))
            ReadArticle(code);
        else
            w->txtCode_Articolo->setText(code + "\r");
    }
    // False when the whole action is undone (a new article with it).
    bool AddLineOf(int article) {
        const qint64 price = ref.Price(article);
        auto same = std::find_if(ref.lines.begin(), ref.lines.end(),
                                 [&](const Line& l) { return l.article == article; });
        if (price == 0) {
            // No list price: the clerk types the line's amount, or gives up.
            const bool save = Chance(85);
            const QString amount = AmountText();
            Log("  importo della riga " + amount);
            Editor({{"ImportoVendita", amount}}, save);
            return !save || NewLine(article, amount, {});
        }
        const size_t at = size_t(same - ref.lines.begin());
        return Expect([&](Reference& r) {
            if (at < r.lines.size()) {
                r.Quantity(r.lines[at], Big(r.lines[at].quantity) + 1);
            } else {
                Line l{article, 0, 0, 0};
                r.Quantity(l, 1);
                r.lines.push_back(l);
            }
            r.Totalize();
        });
    }
    // A line made in the editor: the amount typed, then the quantity (which prices it again).
    // An editor that refuses a value is said so and stores nothing; false when the line was
    // stored and the action then undone whole.
    bool NewLine(int article, const QString& amount, const QString& quantity) {
        Line l{article, 1, 0, 0};
        const auto units = Typed(amount);
        const auto pieces = Whole(quantity);
        try {
            Reference::Require(units.has_value() && (quantity.isEmpty() || pieces.has_value()));
            l.amount = qint64(*units);
            ref.Points(l);
            // The editor applies only what differs from what it shows.
            if (!quantity.isEmpty() && quantity != "1") ref.Quantity(l, *pieces);
        } catch (const Refused&) {
            Ok();
            return true;
        }
        return Expect([&](Reference& r) {
            r.lines.push_back(l);
            r.Totalize();
        });
    }
    void ReadArticle(const QString& code) {
        // The reader that types like a keyboard: Ctrl down, the code, Ctrl up.
        const auto send = [](QEvent::Type type, int key, Qt::KeyboardModifiers modifiers) {
            QKeyEvent event(type, key, modifiers);
            QApplication::sendEvent(QApplication::focusWidget(), &event);
        };
        send(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
        for (QChar c : code)
            send(QEvent::KeyPress, c.unicode(), Qt::ControlModifier);
        send(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
    }

    // The grid's row `row` made current (-1: none); its index in the reference's rows.
    static void Select(QTableView* grid, int row) {
        grid->setCurrentIndex(row < 0 ? QModelIndex() : grid->model()->index(row, 0));
    }
    int PickRow(QTableView* grid, size_t rows) {
        const int row = rows == 0 || Chance(5) ? -1 : Pick(int(rows));
        if (grid->model()) Select(grid, row);
        return row;
    }

    void PlusMinus() {
        const int row = PickRow(w->dgArticoli, ref.lines.size());
        if (row < 0) return;
        const bool plus = Chance(60);
        Log(QString("%1 sulla riga %2").arg(plus ? "+" : "-").arg(row));
        Expect([&](Reference& r) {
            Line& l = r.lines[size_t(row)];
            if (r.Price(l.article) > 0) r.Quantity(l, Big(l.quantity) + (plus ? 1 : -1));
            if (!plus && l.quantity <= 0) r.lines.erase(r.lines.begin() + row);
            r.Totalize();
        });
        w->dgArticoli->setFocus();
        QTest::keyClick(w->dgArticoli, plus ? '+' : '-');
    }

    void EditLine() {
        const int row = PickRow(w->dgArticoli, ref.lines.size());
        std::vector<std::pair<QString, QString>> typed;
        if (Chance(60)) typed.push_back({"ImportoVendita", AmountText()});
        if (Chance(60)) typed.push_back({"Quantita", QuantityText()});
        const bool save = Chance(85);
        Log(QString("modifica riga %1 (%2)%3")
                .arg(row)
                .arg(typed.empty() ? "" : typed[0].first + " " + typed[0].second + " ...")
                .arg(save ? "" : " annullata"));
        if (row >= 0) {
            Editor(typed, save);
            if (save)
                Expect([&](Reference& r) {
                    Line& l = r.lines[size_t(row)];
                    for (const auto& [field, text] : typed) {
                        if (field == "ImportoVendita") {
                            const auto units = Typed(text);
                            r.Require(units.has_value());
                            l.amount = qint64(*units);
                            r.Points(l);
                        } else if (text != QString::number(l.quantity)) {
                            const auto pieces = Whole(text);
                            r.Require(pieces.has_value());
                            r.Quantity(l, *pieces);
                        }
                    }
                    r.Totalize();
                });
        }
        w->cmdEdit->click();
    }

    void DeleteLine() {
        const int row = PickRow(w->dgArticoli, ref.lines.size());
        Log(QString("elimina riga %1").arg(row));
        if (row >= 0)
            Expect([&](Reference& r) {
                r.lines.erase(r.lines.begin() + row);
                r.Totalize();
            });
        w->cmdDeleteItem->click();
    }

    // "Definisci": a line typed from nothing, without an article.
    void DefineLine() {
        const QString amount = AmountText();
        const QString quantity = Chance(30) ? QuantityText() : QString();
        std::vector<std::pair<QString, QString>> typed{{"ImportoVendita", amount}};
        if (!quantity.isEmpty()) typed.push_back({"Quantita", quantity});
        const bool save = Chance(80);
        Log("definisci riga " + amount + " x " + quantity);
        Editor(typed, save);
        if (save) NewLine(-1, amount, quantity);
        w->cmdAddItem->click();
    }

    void AddAssigned(bool bonus) {
        const int chosen = Pick(bonus ? int(ref.bonuses.size()) : int(ref.prizes.size()));
        const QString quantity = OneOf<QString>({"1", "1", "2", "0", "-1", "100", "2147483647"});
        Log(QString("%1 %2 a mano, quantita' %3")
                .arg(bonus ? "bonus" : "premio")
                .arg(chosen)
                .arg(quantity));
        Choose(bonus ? ref.bonuses[size_t(chosen)].oid : ref.prizes[size_t(chosen)].oid);
        Editor({{"Quantita", quantity}});
        const qint64 pieces = *Whole(quantity);
        Expect([&](Reference& r) {
            // Pieces are whole and at least one; their points fit a balance.
            r.Require(pieces >= 1);
            const qint64 each =
                bonus ? r.bonuses[size_t(chosen)].points : r.prizes[size_t(chosen)].needed;
            r.Require(Fits32(Big(each) * pieces));
            if (bonus) {
                r.given.push_back({chosen, pieces});
                r.IdentifyBonus(false);
            } else {
                r.taken.push_back({chosen, pieces});
                Big wanted = 0;
                for (const Given& g : r.taken)
                    if (g.definition == chosen) wanted += g.quantity;
                r.Require(wanted <= r.prizes[size_t(chosen)].stock);
                r.IdentifyPrizes(false);
            }
        });
        (bonus ? w->cmdAdd_Bonus : w->cmdAdd_Premi)->click();
    }

    void RemoveAssigned(bool bonus) {
        QTableView* grid = bonus ? w->dgBonus : w->dgPremi;
        const int row = PickRow(grid, bonus ? ref.given.size() : ref.taken.size());
        Log(QString("togli %1 riga %2").arg(bonus ? "bonus" : "premio").arg(row));
        if (row >= 0)
            Expect([&](Reference& r) {
                auto& rows = bonus ? r.given : r.taken;
                rows.erase(rows.begin() + row);
                bonus ? r.IdentifyBonus(false) : r.IdentifyPrizes(false);
            });
        (bonus ? w->cmdDel_Bonus : w->cmdDel_Premi)->click();
    }

    void Switch(bool bonus) {
        QCheckBox* box = bonus ? w->chkAutoIdentify_Bonus : w->chkAutoIdentify_Premi;
        const bool on = !box->isChecked();
        Log(QString("automatico %1 %2").arg(bonus ? "bonus" : "premi").arg(on));
        Expect([&](Reference& r) {
            (bonus ? r.autoBonus : r.autoPrizes) = on;
            if (on) bonus ? r.IdentifyBonus(true) : r.IdentifyPrizes(true);
        });
        // The switch is kept even when the identification it starts is refused.
        (bonus ? ref.autoBonus : ref.autoPrizes) = on;
        box->click();
    }

    void Identify(bool bonus) {
        Log(QString("calcola %1").arg(bonus ? "bonus" : "premi"));
        Expect([&](Reference& r) { bonus ? r.IdentifyBonus(true) : r.IdentifyPrizes(true); });
        (bonus ? w->cmdIdentify_Bonus : w->cmdIdentify_Premi)->click();
    }

    void NoteAndVoucher() {
        const bool note = Chance(50);
        const QString text = FreeText(note ? 255 : 64);
        Log(QString("%1 (%2 caratteri)").arg(note ? "note" : "riferimento").arg(text.size()));
        // What the field held is selected and typed over, as the clerk does.
        QWidget* field = note ? static_cast<QWidget*>(w->txtNote) : w->txtRiferimento;
        field->setFocus();
        note ? w->txtNote->selectAll() : w->txtRiferimento->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        TypeText(field, text);
        // The field takes no more than it holds, each key whole; each key beyond it beeps.
        QString& kept = note ? m_note : m_voucher;
        kept.clear();
        for (int i = 0; i < text.size(); ++i) {
            const int n = text[i].isHighSurrogate() ? 2 : 1;
            if (kept.size() + n <= (note ? 255 : 64)) kept += text.mid(i, n);
            i += n - 1;
        }
    }

    void Confirm() {
        const bool lines = !ref.lines.empty();
        const bool pay = Chance(85), another = Chance(80);
        Log(QString("conferma%1%2")
                .arg(pay ? "" : ", pagamento annullato")
                .arg(another ? "" : ", basta"));
        if (!lines && ref.given.empty() && ref.taken.empty()) {
            Ok(); // nothing to confirm
        } else {
            const auto& c = ref.customers[size_t(ref.customer)];
            const Big balance = Big(c.points) + ref.bonusPoints + ref.LinePoints() - ref.spent;
            std::map<int, Big> pieces;
            bool stock = true;
            for (const Given& g : ref.taken)
                stock &=
                    (pieces[g.definition] += g.quantity) <= ref.prizes[size_t(g.definition)].stock;
            if (m_note.size() > 255 || !Fits32(balance) || !stock) {
                Ok();
            } else if (lines && !pay) {
                Editor({}, false);
            } else {
                if (lines) Editor({});
                Answer(another);
                m_saleOid = w->Vendita().Sale()->CurrentOID();
                m_expectSale = QString("%1|%2|%3|%4|%5|%6|%7")
                                   .arg(qint64(ref.Amount()))
                                   .arg(qint64(ref.LinePoints()))
                                   .arg(ref.bonusPoints)
                                   .arg(ref.spent)
                                   .arg(c.oid)
                                   .arg(m_note, m_voucher);
                ref.customers[size_t(ref.customer)].points = qint64(balance);
                for (const auto& [prize, taken] : pieces)
                    ref.prizes[size_t(prize)].stock -= qint64(taken);
                ++ref.confirmed;
                ref.Close();
                m_note.clear();
                m_voucher.clear();
                m_paid = lines;
            }
        }
        w->cmdConfirm->click();
        if (!m_expectSale.isEmpty()) CheckConfirmed();
        if (!another && !w->isVisible()) OpenWindow();
    }

    // Annulla asks only about lines and keeps the window; Esc asks about anything the sale
    // holds and leaves the window when it goes.
    void Cancel() {
        // 0 Annulla, 1 Esc, 2 the close box (which asks nothing).
        const int how = OneOf({0, 0, 1, 2});
        const bool yes = Chance(60);
        Log(QString("%1 (%2)").arg(QStringList{"annulla", "esc", "chiudi"}[how]).arg(yes));
        bool closes = true;
        if (how == 2   ? false
            : how == 1 ? !(ref.lines.empty() && ref.given.empty() && ref.taken.empty())
                       : !ref.lines.empty()) {
            Answer(yes);
            closes = how == 1 && yes;
            if (yes) ref.Close();
        }
        if (closes) ref.Close();
        if (!ref.open) m_note.clear(), m_voucher.clear();
        if (how == 1)
            QTest::keyClick(w->focusWidget() ? w->focusWidget() : w.get(), Qt::Key_Escape);
        else
            how == 0 ? w->cmdCancel->click() : (void)w->close();
        if (closes) {
            Same(w->isVisible(), false, "finestra chiusa");
            OpenWindow();
        }
    }

    int m_actions;
};

class SaleModelTest : public TempEnvironment {};

TEST_F(SaleModelTest, TheWindowFollowsTheRulesThroughLongRandomRuns) {
    const QByteArray one = qgetenv("TESSARIN_MODEL_SEED");
    const int seeds = qEnvironmentVariableIntValue("TESSARIN_MODEL_SEEDS");
    int actions = qEnvironmentVariableIntValue("TESSARIN_MODEL_ACTIONS");
    std::vector<quint64> run;
    if (!one.isEmpty())
        run.push_back(one.toULongLong());
    else if (seeds > 0)
        for (int i = 0; i < seeds; ++i)
            run.push_back(std::random_device{}() * 65536ULL + quint64(i));
    else
        run = {20261207, 4242, 1966}; // the fixed seeds of every ctest run
    if (actions <= 0) actions = 400;
    for (quint64 seed : run) {
        const QString error = ClerkRun(seed, actions).Go();
        ASSERT_TRUE(error.isEmpty())
            << "seme " << seed << " (TESSARIN_MODEL_SEED=" << seed << " per ripeterlo)\n"
            << error.toStdString();
    }
}

} // namespace
