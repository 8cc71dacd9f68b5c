#pragma once
// Makes a synthetic archive for demos and benchmarks. Every row goes through the program's own
// definition and rules, so the stored amounts and points are the ones the rules compute, and
// the totals are kept the way the sale form keeps them.

#include "DbmsTypes.h"

#include <functional>
#include <memory>
#include <random>
#include <span>
#include <utility>
#include <vector>

class DbmsDatabase;
class DbmsDataSource;

struct GeneratorSizes {
    int Customers = 1000;
    int Suppliers = 20;
    int Articles = 300;
    int Sales = 5000;
    int Lines = 3; // average sold-article lines per sale
    int Prizes = 20;
    int Bonuses = 10;
    quint64 Seed = 1;
};

class clsArchiveGenerator {
public:
    // Told after each phase, with how long it took.
    using Reporter = std::function<void(const QString& p_strPhase, qint64 p_lngMilliseconds)>;

    explicit clsArchiveGenerator(const GeneratorSizes& p_objSizes);

    // Creates the archive file at `p_strPath`, which must not exist yet (DbmsError otherwise),
    // and returns the rows of each table. The archive appears at the path only when complete:
    // an error, or a kill, leaves nothing there.
    std::vector<std::pair<QString, qint64>> Generate(const QString& p_strPath,
                                                     const Reporter& p_objReport = {});

private:
    // Writes every generated row into the attached archive, in one transaction.
    std::vector<std::pair<QString, qint64>> Fill(const std::function<void(const QString&)>& report);

    struct Article {
        OID Oid;
        Money Price;
    };
    struct Prize {
        OID Oid;
        int Points;
        bool Cumulative;
        QDateTime Expiry;
        int Stock;
    };
    struct Bonus {
        OID Oid;
        Money Minimum;
        bool Cumulative;
        QDateTime Expiry;
        std::vector<OID> Articles;
    };

    void MakeCustomers();
    void MakeSuppliers();
    void MakeArticles();
    void MakePrizes();
    void MakeBonuses();
    void MakeSales();
    void StoreBalancesAndStock();

    std::vector<QDateTime> SaleDates();
    int PickCustomer();
    // Assigns prizes to the open sale; returns the points spent (never more than `available`).
    int AssignPrizes(DbmsDataSource& p_objSale, const QDateTime& when, int available, bool force);
    // Grants at most one bonus to the open sale; returns its points.
    int GrantBonus(DbmsDataSource& p_objSale, const QDateTime& when, Money amount,
                   const std::vector<std::pair<OID, qint64>>& lines);

    int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    bool Chance(double p) { return std::bernoulli_distribution(p)(m_rng); }
    template <typename T> const T& Pick(std::span<const T> items) {
        return items[size_t(Uniform(0, int(items.size()) - 1))];
    }

    GeneratorSizes m_sizes;
    std::mt19937_64 m_rng;
    std::shared_ptr<DbmsDatabase> m_db;
    QDateTime m_now;
    std::vector<OID> m_customers;
    std::vector<int> m_balances; // points of each customer, written at the end
    std::vector<OID> m_suppliers;
    std::vector<OID> m_schemes; // the generator's own points schemes, in euro
    OID m_noPoints = 0;         // "Nessun punteggio previsto"
    std::vector<Article> m_articles;
    std::vector<Prize> m_prizes;
    std::vector<Bonus> m_bonuses;
    std::vector<OID> m_paymentTypes;
};
