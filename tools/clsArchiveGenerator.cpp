#include "clsArchiveGenerator.h"

#include "DB.h"
#include "DbmsClock.h"
#include "DbmsDataSource.h"
#include "DbmsEngine.h"
#include "modSampleData.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

using namespace modSampleData;

namespace {
// Points are 16-bit on the card: balances are kept well below the limit, spending prizes
// when a customer gets close.
constexpr int kBalanceCeiling = 20000;
constexpr int kBalanceAfterSpending = 15000;
constexpr int kSalePointsCeiling = 10000;
// Without prizes to spend on, lines stop before a balance could leave the 16-bit range.
constexpr int kBalanceLimit = 30000;

QVariant Euro(qint64 cents) {
    return QVariant::fromValue(Money::FromUnits(cents * 100));
}

QString Digits(std::mt19937_64& rng, int count) {
    QString s;
    for (int i = 0; i < count; ++i)
        s += QChar('0' + int(rng() % 10));
    return s;
}

// EAN-13, the way fidelity cards are printed: in-store prefix 29, a sequence, a check digit.
QString CardCode(int sequence) {
    const QString body = "29" + QString::number(sequence).rightJustified(10, '0');
    int sum = 0;
    for (int i = 0; i < body.size(); ++i)
        sum += body[i].digitValue() * (i % 2 ? 3 : 1);
    return body + QChar('0' + (10 - sum % 10) % 10);
}

QString Letters(const QString& text) {
    QString out;
    for (QChar c : text.toUpper())
        if (c >= 'A' && c <= 'Z') out += c;
    return out;
}

bool IsVowel(QChar c) {
    return QStringLiteral("AEIOU").contains(c);
}

// The three letters a tax code takes from a surname or (with `firstName`) a first name.
QString NameLetters(const QString& text, bool firstName) {
    QString consonants, vowels;
    for (QChar c : Letters(text))
        (IsVowel(c) ? vowels : consonants) += c;
    if (firstName && consonants.size() >= 4)
        return QString(consonants[0]) + consonants[2] + consonants[3];
    return (consonants + vowels + "XXX").left(3);
}

// An Italian tax code, check letter included.
QString TaxCode(const QString& surname, const QString& name, const QDate& birth, bool female,
                const char* town) {
    static constexpr int kOdd[] = {1,  0,  5, 7, 9, 13, 15, 17, 19, 21, 2,  4,  18,
                                   20, 11, 3, 6, 8, 12, 14, 16, 10, 22, 25, 24, 23};
    const QString code = NameLetters(surname, false) + NameLetters(name, true) +
                         QString::number(birth.year() % 100).rightJustified(2, '0') +
                         QChar("ABCDEHLMPRST"[birth.month() - 1]) +
                         QString::number(birth.day() + (female ? 40 : 0)).rightJustified(2, '0') +
                         town;
    int sum = 0;
    for (int i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        const int value = c.isDigit() ? c.digitValue() : c.unicode() - 'A';
        sum += i % 2 == 0 ? kOdd[value] : value;
    }
    return code + QChar('A' + sum % 26);
}
} // namespace

clsArchiveGenerator::clsArchiveGenerator(const GeneratorSizes& p_objSizes)
    : m_sizes(p_objSizes), m_rng(p_objSizes.Seed) {}

std::vector<std::pair<QString, qint64>> clsArchiveGenerator::Generate(const QString& p_strPath,
                                                                      const Reporter& p_objReport) {
    m_now = DbmsClock::Now();
    QElapsedTimer clock;
    clock.start();
    auto report = [&](const QString& phase) {
        if (p_objReport) p_objReport(phase, clock.restart());
    };

    if (QFileInfo::exists(p_strPath))
        throw DbmsError(
            DbmsError::FileExists,
            QString("Impossibile creare l'archivio: il file esiste già (%1)").arg(p_strPath));
    // The rows go into a file of their own name, put in place only when all are there: a run
    // that fails or is killed leaves nothing at the path to stop the next one.
    const QString partial = p_strPath + ".partial";
    QFile::remove(partial + "-journal");
    QFile::remove(partial);
    auto storage = std::make_shared<DbmsStorage>();
    std::vector<std::pair<QString, qint64>> counts;
    try {
        storage->CreateFile(DbmsStorage::FormatSQLite, partial, 0, 0);
        DbmsEngine engine;
        DB definition;
        m_db = engine.DefineDatabase(definition, "Tessarin", nullptr, nullptr, 0);
        m_db->Attach(storage, true, false, false, 0, nullptr);
        report("new archive with its default rows");
        counts = Fill(report);
        m_db.reset();
        storage.reset();
    } catch (...) {
        m_db.reset();
        storage.reset();
        QFile::remove(partial);
        throw;
    }
    if (!QFile::rename(partial, p_strPath)) {
        QFile::remove(partial);
        throw DbmsError(DbmsError::FileExists,
                        QString("Impossibile creare l'archivio %1: il file non può essere messo "
                                "al suo posto")
                            .arg(p_strPath));
    }
    return counts;
}

std::vector<std::pair<QString, qint64>>
clsArchiveGenerator::Fill(const std::function<void(const QString&)>& report) {
    std::vector<std::pair<QString, qint64>> counts;
    m_db->BeginTrans();
    try {
        MakeCustomers();
        report("customers");
        MakeSuppliers();
        MakeArticles();
        report("suppliers and articles");
        MakePrizes();
        MakeBonuses();
        report("prizes and bonuses");
        MakeSales();
        report("sales with their lines, bonuses, prizes and payments");
        StoreBalancesAndStock();
        m_db->CommitTrans();
        report("customer balances and prize stock, commit");
        for (const auto& table : m_db->Tables())
            counts.emplace_back(table->Name(), table->OpenDataSource()->RowCount());
    } catch (...) {
        m_db->Rollback();
        throw;
    }
    return counts;
}

void clsArchiveGenerator::MakeCustomers() {
    auto ds = m_db->Item("Clienti")->OpenDataSource();
    m_customers.reserve(size_t(m_sizes.Customers));
    for (int i = 1; i <= m_sizes.Customers; ++i) {
        const bool female = Chance(0.5);
        const QString surname = Pick(Surnames());
        const QString name = female ? Pick(FemaleNames()) : Pick(MaleNames());
        const Town& town = Pick(Towns());
        const QDate birth = QDate(1940, 1, 1).addDays(Uniform(0, 65 * 365));
        QString title = female ? "Sig.ra" : "Sig";
        if (Chance(0.08)) title = female ? "Dott.ssa" : "Dott.";
        DbmsFieldValues row{
            {"Codice", CardCode(i)},
            {"Titolo", title},
            {"Cognome", surname},
            {"Nome", name},
            {"Indirizzo", QString("%1, %2").arg(Pick(Streets())).arg(Uniform(1, 180))},
            {"CAP", town.Cap},
            {"Citta", QString(town.Name)},
            {"Provincia", QString(town.Province)},
            {"CodiceFiscale", TaxCode(surname, name, birth, female, town.CadastralCode)},
        };
        if (Chance(0.7))
            row.push_back({"Telefono", QString(town.PhonePrefix) + ' ' + Digits(m_rng, 7)});
        if (Chance(0.8))
            row.push_back({"Cellulare", "3" + Digits(m_rng, 2) + ' ' + Digits(m_rng, 7)});
        if (Chance(0.03))
            row.push_back({"Fax", QString(town.PhonePrefix) + ' ' + Digits(m_rng, 7)});
        if (Chance(0.05))
            row.push_back({"Note", QString("Preferisce essere contattato via e-mail")});
        m_customers.push_back(ds->AddRow(row));
    }
    m_balances.assign(m_customers.size(), 0);
}

void clsArchiveGenerator::MakeSuppliers() {
    auto ds = m_db->Item("Fornitori")->OpenDataSource();
    for (ds->MoveFirst(); !ds->EOF_(); ds->MoveNext())
        m_suppliers.push_back(ds->CurrentOID());
    for (int i = 1; i <= m_sizes.Suppliers; ++i) {
        const QString word = Pick(SupplierWords());
        const Town& town = Pick(Towns());
        const QString suffix = Chance(0.5) ? " S.r.l." : (Chance(0.5) ? " S.p.A." : "");
        m_suppliers.push_back(ds->AddRow({
            {"Codice", QString("F%1").arg(i, 4, 10, QChar('0'))},
            {"Descrizione", QString(Pick(SupplierForms())) + ' ' + word + suffix},
            {"Indirizzo", QString("%1, %2 - %3 %4 (%5)")
                              .arg(Pick(Streets()))
                              .arg(Uniform(1, 180))
                              .arg(town.Cap, 5, 10, QChar('0'))
                              .arg(town.Name, town.Province)},
            {"Telefono", QString(town.PhonePrefix) + ' ' + Digits(m_rng, 7)},
            {"EMail", "info@" + Letters(word).toLower() + QString::number(i) + ".it"},
        }));
    }
}

void clsArchiveGenerator::MakeArticles() {
    // Prices are in euro: the generator's own schemes give points on euro amounts.
    auto schemes = m_db->Item("TabellaPunti")->OpenDataSource();
    for (schemes->MoveFirst(); !schemes->EOF_(); schemes->MoveNext())
        if (ToMoney(schemes->GetValue("ValorePunto")) == Money{})
            m_noPoints = schemes->CurrentOID();
    for (const auto& [text, euro] : {std::pair{"Punteggio viaggi - ogni 10 euro", 10},
                                     std::pair{"Punteggio servizi - ogni 25 euro", 25},
                                     std::pair{"Punteggio promozioni - ogni 50 euro", 50}})
        m_schemes.push_back(
            schemes->AddRow({{"Descrizione", QString(text)}, {"ValorePunto", Euro(euro * 100)}}));

    auto ds = m_db->Item("Articoli")->OpenDataSource();
    for (int i = 1; i <= m_sizes.Articles; ++i) {
        const bool trip = Chance(0.85);
        QString description;
        qint64 cents = 0;
        OID scheme = 0;
        if (trip) {
            description = QString(Pick(TripKinds())) + ' ' + Pick(Destinations());
            cents = (qint64(Uniform(15, 350)) * 10 - 1) * 100; // 149,00 .. 3.499,00
            const int kind = Uniform(0, 9);
            scheme = m_schemes[kind < 7 ? 0 : (kind < 9 ? 1 : 2)];
        } else {
            description = Pick(Services());
            cents = Uniform(1000, 15000);
            scheme = Chance(0.5) ? m_noPoints : m_schemes[1];
        }
        const Money price = Money::FromUnits(cents * 100);
        DbmsFieldValues row{
            {"Codice", QString("A%1").arg(i, 5, 10, QChar('0'))},
            {"Descrizione", description},
            {"Importo", QVariant::fromValue(price)},
            {"Fornitore", m_suppliers[size_t(Uniform(0, int(m_suppliers.size()) - 1))]}};
        if (scheme) row.push_back({"Punti", scheme});
        m_articles.push_back({ds->AddRow(row), price});
    }
}

void clsArchiveGenerator::MakePrizes() {
    auto ds = m_db->Item("TabellaPremi")->OpenDataSource();
    const std::span<const char* const> names = Prizes();
    for (int i = 0; i < m_sizes.Prizes; ++i) {
        Prize p{};
        QString description;
        if (i == 0) {
            // Always on offer, cumulative and plentiful: customers close to the points
            // ceiling spend on it.
            description = "Buono viaggio 500 punti";
            p = {0, 500, true, m_now.addYears(2), 30000};
        } else {
            description = names[size_t(i - 1) % names.size()];
            if (i - 1 >= int(names.size()))
                description += QString(" (serie %1)").arg((i - 1) / int(names.size()) + 1);
            static constexpr int kPoints[] = {200, 300, 500, 800, 1000, 1500, 2000, 3000, 5000};
            p = {0, kPoints[Uniform(0, int(std::size(kPoints)) - 1)], Chance(0.3),
                 m_now.addDays(Uniform(-365, 730)), Uniform(10, 500)};
        }
        p.Oid = ds->AddRow({{"Descrizione", description},
                            {"PuntiNecessari", p.Points},
                            {"Disponibilita", p.Stock},
                            {"Cumulabile", p.Cumulative},
                            {"Scadenza", p.Expiry}});
        m_prizes.push_back(p);
    }
}

void clsArchiveGenerator::MakeBonuses() {
    auto ds = m_db->Item("TabellaBonus")->OpenDataSource();
    const std::span<const char* const> names = Bonuses();
    for (int i = 0; i < m_sizes.Bonuses; ++i) {
        static constexpr int kPoints[] = {10, 20, 25, 50, 100, 150, 200};
        static constexpr int kMinimum[] = {0, 0, 200, 500, 1000, 2000};
        Bonus b{0,
                Money::FromWhole(kMinimum[Uniform(0, int(std::size(kMinimum)) - 1)]),
                Chance(0.3),
                m_now.addDays(Uniform(-365, 730)),
                {}};
        QString description = names[size_t(i) % names.size()];
        if (i >= int(names.size())) description += QString(" %1").arg(i / int(names.size()) + 1);
        b.Oid = ds->AddRow({{"Descrizione", description},
                            {"Punti", kPoints[Uniform(0, int(std::size(kPoints)) - 1)]},
                            {"ImportoMinimo", QVariant::fromValue(b.Minimum)},
                            {"Cumulabile", b.Cumulative},
                            {"Scadenza", b.Expiry}});
        // Without a minimum a bonus needs articles to be granted on.
        if (!m_articles.empty() && (b.Minimum == Money{} || Chance(0.3))) {
            for (int n = Uniform(1, 5); n > 0; --n) {
                const OID article = m_articles[size_t(Uniform(0, int(m_articles.size()) - 1))].Oid;
                if (std::find(b.Articles.begin(), b.Articles.end(), article) != b.Articles.end())
                    continue;
                ds->SetReference("Articoli", article);
                b.Articles.push_back(article);
            }
        }
        m_bonuses.push_back(std::move(b));
    }
}

std::vector<QDateTime> clsArchiveGenerator::SaleDates() {
    // Opening hours over the last three years, Monday to Saturday, oldest first.
    const QDate first = m_now.date().addYears(-3);
    const int days = int(first.daysTo(m_now.date()));
    std::vector<qint64> stamps(size_t(m_sizes.Sales));
    for (auto& s : stamps) {
        QDate day = first.addDays(Uniform(0, days));
        if (day.dayOfWeek() == Qt::Sunday) day = day.addDays(-1);
        s = qint64(first.daysTo(day)) * 86400 + 9 * 3600 + Uniform(0, 10 * 3600 + 1799);
    }
    std::sort(stamps.begin(), stamps.end());
    std::vector<QDateTime> dates;
    dates.reserve(stamps.size());
    for (qint64 s : stamps)
        dates.emplace_back(first.addDays(s / 86400), QTime(0, 0).addSecs(int(s % 86400)));
    // Today's sales must not lie in the future.
    for (auto& d : dates)
        d = std::min(d, m_now);
    return dates;
}

int clsArchiveGenerator::PickCustomer() {
    // Some customers come back far more often than others.
    const double u = std::uniform_real_distribution<double>(0.0, 1.0)(m_rng);
    return std::min(int(m_customers.size()) - 1,
                    int(std::pow(u, 1.5) * double(m_customers.size())));
}

void clsArchiveGenerator::MakeSales() {
    auto types = m_db->Item("TipiPagamento")->OpenDataSource();
    for (types->MoveFirst(); !types->EOF_(); types->MoveNext())
        m_paymentTypes.push_back(types->CurrentOID());
    auto sales = m_db->Item("OperazioniVendite")->OpenDataSource();
    auto payments = m_db->Item("Pagamenti")->OpenDataSource();
    // Lines per sale: one plus a Poisson number, so the average is the one asked for.
    std::poisson_distribution<int> extraLines(std::max(1, m_sizes.Lines - 1));
    for (const QDateTime& when : SaleDates()) {
        const int customer = PickCustomer();
        int& balance = m_balances[size_t(customer)];
        sales->AddRow(
            {{"Data", when}, {"Cliente", m_customers[size_t(customer)]}, {"Importo", Euro(0)}});

        // A few operations only hand out prizes.
        int spent = 0;
        if (balance >= 1000 && Chance(0.03)) spent = AssignPrizes(*sales, when, balance, false);
        Money amount;
        qint64 earned = 0;
        int bonus = 0;
        std::vector<std::pair<OID, qint64>> sold; // article, quantity
        if (spent == 0) {
            auto lines = sales->GetReference("Articoli");
            const int count = 1 + (m_sizes.Lines > 1 ? extraLines(m_rng) : 0);
            for (int n = count; n > 0 && !m_articles.empty(); --n) {
                if (earned > kSalePointsCeiling || balance + earned > kBalanceLimit) break;
                const Article& article = m_articles[size_t(Uniform(0, int(m_articles.size()) - 1))];
                const qint64 quantity = Chance(0.6) ? Uniform(1, 2) : Uniform(1, 4);
                lines->AddRow({{"Data", when},
                               {"Quantita", quantity},
                               {"ImportoVendita", QVariant::fromValue(article.Price * quantity)},
                               {"OID_Articoli", article.Oid}});
                // What the rules stored, not what we would have computed.
                amount = amount + ToMoney(lines->GetValue("ImportoVendita"));
                earned += lines->GetValue("PuntiAssegnati").toLongLong();
                sold.emplace_back(article.Oid, quantity);
            }
            if (!sold.empty()) bonus = GrantBonus(*sales, when, amount, sold);
            const int available = balance + int(earned) + bonus;
            const bool force = available > kBalanceCeiling;
            if (force || Chance(0.08)) spent = AssignPrizes(*sales, when, available, force);
        }
        sales->SetValue("Importo", QVariant::fromValue(amount));
        sales->SetValue("PuntiAssegnati", earned);
        sales->SetValue("PuntiBonus", bonus);
        sales->SetValue("PuntiSpesi", spent);
        if (Chance(0.05)) sales->SetValue("RiferimentoVoucher", "V" + Digits(m_rng, 8));
        sales->Update();
        if (!sold.empty()) {
            // Cash most of the time, then bank transfers, the rest spread.
            static constexpr int kTypeWeights[] = {40, 10, 25, 10, 15};
            int pick = Uniform(0, 99), type = 0;
            while (type + 1 < int(m_paymentTypes.size()) && pick >= kTypeWeights[type])
                pick -= kTypeWeights[type++];
            const OID payment = payments->AddRow(
                {{"Data", when},
                 {"Importo", QVariant::fromValue(amount)},
                 {"Cliente", m_customers[size_t(customer)]},
                 {"Pagamento", m_paymentTypes.empty() ? 0 : m_paymentTypes[size_t(type)]}});
            sales->SetReference("Pagamento", payment);
        }
        // The new balance as the sale form computes it on confirmation.
        balance += int(earned) + bonus - spent;
    }
}

int clsArchiveGenerator::GrantBonus(DbmsDataSource& p_objSale, const QDateTime& when, Money amount,
                                    const std::vector<std::pair<OID, qint64>>& lines) {
    if (m_bonuses.empty() || !Chance(0.2)) return 0;
    const size_t start = size_t(Uniform(0, int(m_bonuses.size()) - 1));
    for (size_t k = 0; k < m_bonuses.size(); ++k) {
        const Bonus& b = m_bonuses[(start + k) % m_bonuses.size()];
        if (b.Expiry < when || amount < b.Minimum) continue;
        qint64 quantity = 0;
        if (b.Articles.empty()) {
            quantity = b.Cumulative && amount >= b.Minimum * 2 ? 2 : 1;
        } else {
            for (const auto& [article, q] : lines)
                if (std::find(b.Articles.begin(), b.Articles.end(), article) != b.Articles.end())
                    quantity = q;
        }
        if (quantity == 0) continue;
        auto granted = p_objSale.GetReference("Bonus");
        granted->AddRow({{"Data", when}, {"Quantita", quantity}, {"OID_TabellaBonus", b.Oid}});
        return int(granted->GetValue("PuntiAssegnati").toLongLong());
    }
    return 0;
}

int clsArchiveGenerator::AssignPrizes(DbmsDataSource& p_objSale, const QDateTime& when,
                                      int available, bool force) {
    if (m_prizes.empty()) return 0;
    std::shared_ptr<DbmsDataSource> assigned;
    int spent = 0;
    auto assign = [&](Prize& p, int quantity) {
        if (!assigned) assigned = p_objSale.GetReference("Premi");
        assigned->AddRow({{"Data", when}, {"Quantita", quantity}, {"OID_TabellaPremi", p.Oid}});
        spent += int(assigned->GetValue("PuntiSpesi").toLongLong());
        --p.Stock; // the sale form lowers the stock by one per assigned row
    };
    // One prize the customer can afford, chosen at random.
    const size_t start = size_t(Uniform(0, int(m_prizes.size()) - 1));
    for (size_t k = 0; k < m_prizes.size(); ++k) {
        Prize& p = m_prizes[(start + k) % m_prizes.size()];
        if (p.Stock <= 0 || p.Expiry < when || p.Points > available) continue;
        assign(p, p.Cumulative && available >= 2 * p.Points && Chance(0.3) ? 2 : 1);
        break;
    }
    // Close to the ceiling: vouchers bring the balance back down.
    Prize& voucher = m_prizes.front();
    if (force && available - spent > kBalanceAfterSpending && voucher.Stock > 0 &&
        voucher.Expiry >= when) {
        const int excess = available - spent - kBalanceAfterSpending;
        assign(voucher, (excess + voucher.Points - 1) / voucher.Points);
    }
    return spent;
}

void clsArchiveGenerator::StoreBalancesAndStock() {
    auto customers = m_db->Item("Clienti")->OpenDataSource();
    for (size_t i = 0; i < m_customers.size(); ++i) {
        if (m_balances[i] == 0) continue;
        customers->Locate(m_customers[i]);
        customers->SetValue("Punti", m_balances[i]);
        customers->Update();
    }
    auto prizes = m_db->Item("TabellaPremi")->OpenDataSource();
    for (const Prize& p : m_prizes) {
        prizes->Locate(p.Oid);
        prizes->SetValue("Disponibilita", p.Stock);
        prizes->Update();
    }
}
