#include "FormsSchema.h"

WindowsSchema::WindowsSchema() {
    const auto table = [this](const QString& name, const QString& caption,
                              TestTable::Structure structure, const QString& parent = {}) {
        m_tables.push_back(std::make_shared<TestTable>(name, std::move(structure), 0, parent));
        m_tables.back()->caption = caption;
        return m_tables.back();
    };
    table("Categorie", "Categorie", Fields("Descrizione Text 20"));
    table("Articoli", "Articoli",
          Fields("Codice Text 8, Descrizione Text 32, Prezzo Money", [](auto&, auto&, auto& r) {
              r.AddReference("Categoria", "Categorie", false, false, "", "Descrizione");
          }));
    auto clienti = table(
        "Clienti", "Anagrafica Clienti",
        Fields("Codice Text 8, Nome Text 32, Punti Integer, Attivo Boolean, "
               "DataIscrizione Date, Credito Money",
               [](auto&, auto&, auto& r) {
                   r.AddReference("Categoria", "Categorie", false, false, "", "Descrizione");
                   r.AddReference("Preferiti", "Articoli", true, false, "Codice", "Descrizione");
               }));
    auto righe =
        table("Righe", "Righe di vendita",
              Fields("Quantita Integer, Importo Money, Data Date, Note Text 64",
                     [](auto&, auto&, auto& r) {
                         r.AddReference("Cliente", "Clienti", false, false, "Codice", "Nome");
                     }),
              "Articoli");
    clienti->onNewRow = [](DbmsDataSource& ds) {
        ds.SetValue("Punti", 0);
        ds.SetValue("Attivo", true);
        ds.SetValue("DataIscrizione", WindowsToday());
    };
    clienti->onUpdateRow = [](DbmsDataSource& ds) {
        if (ds.GetValue("Codice").toString().trimmed().isEmpty())
            throw DbmsError(DbmsError::BadValue, "Il codice del cliente è obbligatorio");
    };
    righe->onNewRow = [](DbmsDataSource& ds) {
        ds.SetValue("Quantita", 1);
        ds.SetValue("Data", WindowsToday());
    };
    righe->onField = [](DbmsDataSource& ds, const QString& f) {
        if (f == "Quantita" || f == "Prezzo")
            ds.SetValue("Importo", QVariant::fromValue(ToMoney(ds.GetValue("Prezzo")) *
                                                       ds.GetValue("Quantita").toLongLong()));
    };
}

bool WindowsSchema::Define(DbmsDefinition& def) {
    for (const auto& table : m_tables)
        def.AddTable(table);
    return true;
}

WindowsArchive::WindowsArchive() : TempArchive(schema) {
    Create();
    for (const char* name : {"Argento", "Oro", "Platino"})
        oid[name] = Add("Categorie", {{"Descrizione", name}});
    for (const auto& [code, name, units] : {std::tuple{"A1", "Quaderno", 25000},
                                            {"A2", "Penna blu", 12500},
                                            {"A3", "Penna rossa", 12500},
                                            {"A4", "L'agenda; 2024", 150000000}})
        oid[code] = Add("Articoli",
                        {{"Codice", code}, {"Descrizione", name}, {"Prezzo", AmountUnits(units)}});
    oid["C1"] = Add("Clienti", {{"Codice", "C1"},
                                {"Nome", "Anna Bianchi"},
                                {"Punti", 120},
                                {"Categoria", oid["Argento"]}});
    oid["C2"] = Add("Clienti", {{"Codice", "C2"}, {"Nome", "Bruno Verdi"}, {"Punti", 40}});
}
