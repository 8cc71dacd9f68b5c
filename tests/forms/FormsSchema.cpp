#include "FormsSchema.h"

WindowsSchema::WindowsSchema() {
    m_tables["Categorie"] =
        std::make_shared<WindowsTable>("Categorie", "Categorie", [](auto& c, auto&) {
            c.AddField("Descrizione", DbmsType::Text, 20);
        });
    m_tables["Articoli"] =
        std::make_shared<WindowsTable>("Articoli", "Articoli", [](auto& c, auto& r) {
            c.AddField("Codice", DbmsType::Text, 8);
            c.AddField("Descrizione", DbmsType::Text, 32);
            c.AddField("Prezzo", DbmsType::Money, 0);
            r.AddReference("Categoria", "Categorie", false, false, "", "Descrizione");
        });
    m_tables["Clienti"] =
        std::make_shared<WindowsTable>("Clienti", "Anagrafica Clienti", [](auto& c, auto& r) {
            c.AddField("Codice", DbmsType::Text, 8);
            c.AddField("Nome", DbmsType::Text, 32);
            c.AddField("Punti", DbmsType::Integer, 0);
            c.AddField("Attivo", DbmsType::Boolean, 0);
            c.AddField("DataIscrizione", DbmsType::Date, 0);
            c.AddField("Credito", DbmsType::Money, 0);
            r.AddReference("Categoria", "Categorie", false, false, "", "Descrizione");
            r.AddReference("Preferiti", "Articoli", true, false, "Codice", "Descrizione");
        });
    m_tables["Righe"] = std::make_shared<WindowsTable>(
        "Righe", "Righe di vendita",
        [](auto& c, auto& r) {
            c.AddField("Quantita", DbmsType::Integer, 0);
            c.AddField("Importo", DbmsType::Money, 0);
            c.AddField("Data", DbmsType::Date, 0);
            c.AddField("Note", DbmsType::Text, 64);
            r.AddReference("Cliente", "Clienti", false, false, "Codice", "Nome");
        },
        "Articoli");
    WindowsTable& clienti = *m_tables["Clienti"];
    clienti.onNewRow = [](DbmsDataSource& ds) {
        ds.SetValue("Punti", 0);
        ds.SetValue("Attivo", true);
        ds.SetValue("DataIscrizione", WindowsToday());
    };
    clienti.onUpdateRow = [](DbmsDataSource& ds) {
        if (ds.GetValue("Codice").toString().trimmed().isEmpty())
            throw DbmsError(DbmsError::BadValue, "Il codice del cliente è obbligatorio");
    };
    WindowsTable& righe = *m_tables["Righe"];
    righe.onNewRow = [](DbmsDataSource& ds) {
        ds.SetValue("Quantita", 1);
        ds.SetValue("Data", WindowsToday());
    };
    righe.onField = [](DbmsDataSource& ds, const QString& f) {
        if (f == "Quantita" || f == "Prezzo")
            ds.SetValue("Importo", QVariant::fromValue(ToMoney(ds.GetValue("Prezzo")) *
                                                       ds.GetValue("Quantita").toLongLong()));
    };
}

bool WindowsSchema::Define(DbmsDefinition& def) {
    for (const char* name : {"Categorie", "Articoli", "Clienti", "Righe"})
        def.AddTable(m_tables.at(name));
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
