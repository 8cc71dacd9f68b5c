#include "DbmsFilter.h"
#include "EngineTestSchema.h"

#include <vector>

using Rows = std::vector<qint64>;

// Persona is shown through a subquery, without NOCASE: ignoring case there is the filter's.
class DbmsFilterTest : public ArchiveTest {
protected:
    void SetUp() override {
        a.schema.Table("Vendite").more =
            Fields("Codice Text 8, Descrizione Text 32, Attivo Boolean, Punti Integer");
        a.Create();
        a.Exec("INSERT INTO Persone (OID, Nome) VALUES (7, 'Rossi'), (8, 'Verdi')");
        a.Exec("INSERT INTO Vendite (OID, Codice, Descrizione, Importo, Data, Attivo, Punti,"
               " OID_Persona) VALUES"
               " (1, 'A001', 'Rosa rossa', 15005000, '2005-03-15 10:30:00', 1, 10, 7),"
               " (2, 'a002', 'Tulipano giallo', 15000000, '2005-12-31 00:00:00', 0, 20, 7),"
               " (3, 'B100', 'L''uomo (grande)', 20002500, '2006-01-01 00:00:00', 1, -3, NULL),"
               " (4, 'B101', NULL, NULL, NULL, 0, 0, 8),"
               " (5, 'C1', 'x'' OR ''1''=''1', 0, '2004-02-29 23:59:59', 0, 5, NULL),"
               " (6, 'C2', '''; DROP TABLE Tipi; --', 100, NULL, 1, 7, NULL)");
        a.Exec("INSERT INTO Vendite__Tags VALUES (1, 1), (1, 2), (3, 1)");
    }

    // "order:" starts an order instead of a filter.
    Rows Match(const QString& text) {
        const auto ds = text.startsWith("order:") ? a.Open("Vendite", {}, text.mid(6))
                                                  : a.Open("Vendite", text);
        Rows rows;
        for (ds->MoveFirst(); !ds->AtEnd(); ds->MoveNext())
            rows.push_back(ds->CurrentOID());
        return rows;
    }
};

// One text field, to look at the SQL a filter becomes.
struct OneText : DbmsNameResolver {
    std::optional<DbmsResolvedName> Resolve(const QString&) const override {
        return DbmsResolvedName{"t.\"Descrizione\"", DbmsType::Text};
    }
};

TEST(DbmsFilterSqlTest, BlankGivesNothingAndQuotedTextBindsAsOneParameter) {
    for (const QString& text : {QString(), QStringLiteral("   \t ")}) {
        const DbmsSqlFragment filter = DbmsFilterToSql(text, OneText());
        EXPECT_TRUE(filter.Sql.isEmpty() && filter.Params.isEmpty());
        EXPECT_TRUE(DbmsOrderToSql(text, OneText()).Sql.isEmpty());
        EXPECT_TRUE(DbmsFilterNames(text).isEmpty());
    }
    const DbmsSqlFragment sql = DbmsFilterToSql("Descrizione = 'x'' OR ''1''=''1'", OneText());
    EXPECT_EQ(sql.Params, (QVariantList{QStringLiteral("x' OR '1'='1")}));
    EXPECT_FALSE(sql.Sql.contains(u'\'')) << sql.Sql.toStdString();
}

TEST_F(DbmsFilterTest, FiltersAndOrdersSelectTheRowsTheySay) {
    // clang-format off
    const std::pair<const char*, Rows> cases[] = {
        {"Descrizione Like *ros*", {1}}, {"Descrizione like 'ROSA*'", {1}},
        {"Descrizione LIKE '*GIALLO'", {2}}, {"Codice Like ?00?", {1, 2}},
        {"Codice Like 'b1?1'", {4}},
        // Bare patterns end at AND, OR or an unopened ')'; "or" counts in any case.
        {"Descrizione Like *rosa r* AND Punti = 10", {1}},
        {"(Descrizione Like *giallo) OR Punti = -3", {2, 3}},
        {"Descrizione Like *(grande)* or Codice = 'A001'", {1, 3}},
        {"Descrizione Like *uomo*   ", {3}}, {"Descrizione Like *'; DROP TABLE Tipi; --*", {6}},
        // Text comparison ignores case.
        {"Persona = 'ROSSI'", {1, 2}}, {"Codice = 'A002'", {2}}, {"codice='b100'", {3}}, {"Codice <> 'a001'", {2, 3, 4, 5, 6}},
        {"Vendite.Codice >= 'b101'", {4, 5, 6}}, {"'c2' = Codice", {6}},
        {"Data >= #12/31/2005# AND Data < #01/01/2006#", {2}},
        {"Data = #03/15/2005 10:30:00#", {1}}, {"Data < #1/1/2005#", {5}},
        {"Month(Data) = 3 AND Year(Data) = 2005", {1}}, {"day(Vendite.Data) = 29", {5}},
        {"YEAR (Data) > 2005", {3}},
        // Money literals are scaled, other numbers are not.
        {"Importo > 1500.5", {3}}, {"Importo >= 1500.5", {1, 3}}, {"Importo = 1500", {2}},
        {"Importo = 0.01", {6}}, {"2000.25 = Importo", {3}}, {"Importo = '1500.5'", {1}},
        {"Punti = -3", {3}}, {"Punti > 5.5", {1, 2, 6}},
        {"Descrizione Is Null", {4}}, {"Descrizione is not null", {1, 2, 3, 5, 6}},
        {"Attivo = True", {1, 3, 6}}, {"Attivo = false", {2, 4, 5}}, {"Attivo = -1", {1, 3, 6}},
        {"OID=3", {3}}, {"OID_Persona = 7", {1, 2}}, {"N_Tags > 0", {1, 3}}, {"N_Tags = 2", {1}},
        // NOT binds tighter than AND, which binds tighter than OR.
        {"Punti = 10 OR Punti = 20 AND Attivo = False", {1, 2}},
        {"(Punti = 10 OR Punti = 20) AND Attivo = False", {2}},
        {"NOT Attivo = True AND Punti > 0", {2, 5}},
        {"NOT (Attivo = True AND Punti > 0)", {2, 3, 4, 5}}, {"not not Codice = 'c1'", {5}},
        {"((Codice = 'A001') OR (NOT (Punti >= 0)))", {1, 3}},
        {"Punti > 0 AND (Importo = 0 OR Importo <= 1500) AND Attivo = 0", {2, 5}},
        // Quoted user text is one value, whatever it holds.
        {"Descrizione = 'x'' OR ''1''=''1'", {5}}, {"Descrizione Like '*'' OR ''1''=''1*'", {5}},
        {"Descrizione = '''; DROP TABLE Tipi; --'", {6}},
        // Blank texts and orders; text orders ignore case: "a002" sorts with "A001".
        {" ", {1, 2, 3, 4, 5, 6}}, {"order:   \t ", {1, 2, 3, 4, 5, 6}},
        {"order:Codice DESC", {6, 5, 4, 3, 2, 1}}, {"order:Attivo, Punti", {4, 5, 2, 3, 6, 1}},
        {"order: OID_Persona desc , Importo ", {4, 2, 1, 5, 6, 3}},
        {"order:Vendite.OID_Persona DESC,Vendite.Importo asc", {4, 2, 1, 5, 6, 3}},
    };
    // clang-format on
    for (const auto& [filter, rows] : cases)
        EXPECT_EQ(Match(filter), rows) << filter;
    EXPECT_EQ(a.Count("Tipi"), 0); // not dropped
}

// Only "*" and "?" are wildcards: SQL's own, quotes, brackets, "#", "AND" and the escape
// character are searched for as typed, quoted or bare, and through PatternLiteral.
TEST_F(DbmsFilterTest, LikeMatchesTypedTextLiterally) {
    a.Exec("INSERT INTO Vendite (OID, Descrizione) VALUES (7, '100% lana'), (8, 'file_nome'),"
           " (9, 'L''ago [x] #3'), (10, 'sale AND pepe'), (11, 'c:\\d'), (12, '100 lana'),"
           " (13, 'FileXNome'), (14, 'xa''b%_y')");
    // clang-format off
    const std::pair<const char*, Rows> cases[] = {
        {"Descrizione Like '*%*'", {7, 14}}, {"Descrizione Like 100%*", {7}},
        {"Descrizione Like '100?lana'", {12}}, {"Descrizione Like '*_*'", {8, 14}},
        {"Descrizione Like file_nome", {8}}, {"Descrizione Like 'FILE?NOME'", {8, 13}},
        {"Descrizione Like '*[x]*'", {9}}, {"Descrizione Like *[?]*", {9}},
        {"Descrizione Like '*#3'", {9}}, {"Descrizione Like '*''ago*'", {9}},
        {"Descrizione Like '* AND *'", {10}}, {"Descrizione Like *AND pepe", {10}},
        {"Descrizione Like '*a''b%_*'", {14}}, {"Descrizione Like '*\\'", {}},
        {"Descrizione Like '?:\\?'", {11}}, {"Descrizione Like 'c:?d'", {11}},
    };
    // clang-format on
    for (const auto& [filter, rows] : cases)
        EXPECT_EQ(Match(filter), rows) << filter;
    const std::pair<QString, Rows> typed[] = {
        {"%", {7, 14}},  {"_", {8, 14}}, {"'", {3, 5, 6, 9, 14}}, {"[x] #", {9}},
        {" AND ", {10}}, {"\\", {11}},   {"a'b%_", {14}}};
    for (const auto& [text, rows] : typed)
        EXPECT_EQ(Match("Descrizione Like " + DbmsDatabase::PatternLiteral("*" + text + "*")), rows)
            << text.toStdString();
    EXPECT_EQ(DbmsDatabase::PatternLiteral("*l'u?"), "'*l''u?'");
    EXPECT_EQ(DbmsFilterToSql("Descrizione Like '*a''b%_\\*'", OneText()).Params,
              QVariantList{QStringLiteral("%a'b\\%\\_\\\\%")});
}

// Each refused text ("order:" for an order) with its error code and what its message says.
TEST_F(DbmsFilterTest, ErrorsSayWhatAndWhere) {
    constexpr int S = DbmsError::FilterSyntax, U = DbmsError::UnknownField,
                  O = DbmsError::OrderSyntax;
    const std::tuple<QString, int, QString> cases[] = {
        {"(Codice = 'A001'", S, "manca una parentesi chiusa, alla fine del testo"},
        {"Codice = 'A001')", S,
         "parentesi chiusa senza la sua apertura, vicino a ')' (posizione 16)"},
        {"Codice = ", S, "manca un operando, alla fine del testo"},
        {"= 5", S, "manca un operando, vicino a '='"},
        {"Codice = 'A' AND", S, "manca un operando, alla fine del testo"},
        {"Codice 'A001'", S, "atteso un operatore di confronto, vicino a ''A001''"},
        {"Codice = 'A001", S, "testo tra apici non chiuso, vicino a ''A001'"},
        {"Data > #02/30/2005#", S, "data non valida, vicino a '#02/30/2005#'"},
        {"Data > #02/03/2005", S, "data non chiusa dal carattere #"},
        {"Punti = 1.500,00", S, "carattere non ammesso, vicino a ','"},
        {"Punti = 12abc", S, "numero non valido, vicino a '12abc'"},
        {"Descrizione Like   ", S, "manca il modello dopo LIKE"},
        {"Descrizione Like AND Punti = 1", S, "manca il modello dopo LIKE, vicino a 'A'"},
        {"Descrizione Is 5", S, "atteso NULL, vicino a '5'"},
        {"Month(5) = 3", S, "atteso il nome di un campo, vicino a '5'"},
        {"'a' Like 'b'", S, "atteso il nome di un campo"},
        {"Codice = 'a' Punti = 1", S, "atteso AND, OR o la fine del filtro, vicino a 'Punti'"},
        // A runaway text is refused before it goes deeper than the stack.
        {QString(100000, '(') + "Punti = 1" + QString(100000, ')'), S, "troppi livelli"},
        {QString("NOT ").repeated(100000) + "Punti = 1", S, "troppi livelli"},
        // Unknown fields are named, wherever they stand.
        {"Punti = 1 OR Year(Prezzo) = 2005 AND Codice = 'x'", U, "nel filtro: Prezzo"},
        {"Punti = 1 OR Clienti.Codice = 'x'", U, "nel filtro: Clienti.Codice"},
        {"Scadenza = 1", U, "nel filtro: Scadenza"},
        {"order:Data, Prezzo DESC", U, "nell'ordinamento: Prezzo"},
    };
    for (const auto& [text, code, message] : cases) {
        const DbmsError error = Raised([&] { Match(text); });
        const QString description = error.Description();
        EXPECT_EQ(error.Code(), code) << text.toStdString();
        EXPECT_EQ(error.Number(), DbmsError::ObjectErrorBase + code);
        const bool says = code == U ? description == "Campo sconosciuto " + message
                                    : description.startsWith("Errore di sintassi nel filtro: ") &&
                                          description.contains(message);
        EXPECT_TRUE(says) << text.toStdString() << " -> " << description.toStdString();
    }
    // User text pasted without doubled quotes, and broken orders.
    for (const char* text :
         {"Descrizione > 'x' OR '1'='1'", "Descrizione = ''; DROP TABLE Tipi; --'",
          "Descrizione Like '%x' OR '1'='1%'", "Descrizione Like *x' OR '1'='1*",
          "Codice = 'x'' OR 1=1", "Codice = 'a' -- '", "Codice = \"a\"",
          "Codice = 'a'; DELETE FROM Vendite"})
        EXPECT_EQ(Raised([&] { Match(text); }).Code(), S) << text;
    for (const char* text : {"Data,,Punti", "Data,", "Data SIDEWAYS", "Data ASC DESC", "Data;"})
        EXPECT_EQ(Raised([&] { Match(QString("order:") + text); }).Code(), O) << text;
    EXPECT_EQ(a.Count("Tipi"), 0); // still there
}

TEST(DbmsFilterNamesTest, NamesAsWrittenOnceEach) {
    EXPECT_EQ(DbmsFilterNames("Month(Data) = 3 AND Year(data) = 2005"), QStringList{"Data"});
    EXPECT_EQ(
        DbmsFilterNames("Vendite.Descrizione Like *Codice* AND (OID_Persona = 7 OR N_Tags > 0)"),
        (QStringList{"Vendite.Descrizione", "OID_Persona", "N_Tags"}));
    EXPECT_EQ(DbmsFilterNames("'x' = Codice OR NOT Attivo = True"),
              (QStringList{"Codice", "Attivo"}));
    EXPECT_EQ(Raised([] { DbmsFilterNames("Codice = "); }).Code(), DbmsError::FilterSyntax);
}
