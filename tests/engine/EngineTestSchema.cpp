#include "EngineTestSchema.h"

TestSchema::TestSchema() {
    m_tables["Tipi"] = std::make_shared<TestTable>("Tipi", [](auto& c, auto&, auto&) {
        c.AddField("Descrizione", DbmsType::Text, 10, 0, 0, -100, -100, -100, -1, 0, 0, 0);
    });
    m_tables["Persone"] = std::make_shared<TestTable>("Persone", [](auto& c, auto& i, auto&) {
        c.AddField("Codice", DbmsType::Text, 8);
        c.AddField("Nome", DbmsType::Text, 16);
        c.AddField("Punti", DbmsType::Integer, 0);
        c.AddField("Attivo", DbmsType::Boolean, 0);
        c.AddField("Nato", DbmsType::Date, 0);
        i.AddIndex("Codice", true, "");
    });
    m_tables["Prodotti"] = std::make_shared<TestTable>("Prodotti", [](auto& c, auto&, auto& r) {
        c.AddField("Codice", DbmsType::Text, 8);
        c.AddField("Descrizione", DbmsType::Text, 32);
        c.AddField("Prezzo", DbmsType::Money, 0);
        r.AddReference("Tipo", "Tipi", false, false, "", "Descrizione", -100, -100, -100, 0, -2, -1,
                       0);
    });
    m_tables["Righe"] = std::make_shared<TestTable>(
        "Righe",
        [](auto& c, auto&, auto&) {
            c.AddField("Quantita", DbmsType::Integer, 0);
            c.AddField("Totale", DbmsType::Money, 0);
        },
        0, "Prodotti");
    m_tables["Vendite"] = std::make_shared<TestTable>("Vendite", [](auto& c, auto& i, auto& r) {
        c.AddField("Data", DbmsType::Date, 0);
        c.AddField("Importo", DbmsType::Money, 0);
        c.AddField("Note", DbmsType::Text, 64);
        r.AddReference("Persona", "Persone", false, false, "", "Nome");
        r.AddReference("Righe", "Righe", true, true, "Codice", "Descrizione");
        r.AddReference("Tags", "Tipi", true, false, "", "Descrizione");
        i.AddIndex("Data", false, "");
    });
    // The line rule: the total follows the product's price and the quantity.
    m_tables["Righe"]->onField = [](DbmsDataSource& ds, const QString& f) {
        if (f == "Quantita" || f == "Prezzo")
            ds.SetValue("Totale", QVariant::fromValue(ToMoney(ds.GetValue("Prezzo")) *
                                                      ds.GetValue("Quantita").toLongLong()));
    };
}

bool TestSchema::Define(DbmsDefinition& def) {
    for (const QString& name : order)
        def.AddTable(m_tables.at(name));
    return true;
}

void TestArchive::Create() {
    storage = std::make_shared<DbmsStorage>();
    storage->CreateFile(DbmsStorage::FormatSQLite, Path(), 0, 0);
    db = engine.DefineDatabase(*def, "test", nullptr, nullptr, 0);
    db->Attach(storage, true, false, false, 0, nullptr);
}

void TestArchive::Reopen() {
    db.reset();
    storage.reset();
    storage = std::make_shared<DbmsStorage>();
    storage->Open(DbmsStorage::FormatSQLite, Path(), 0, 0, nullptr, 5, 0, -1, -1, 0, -2);
    db = engine.DefineDatabase(*def, "test", nullptr, nullptr, 0);
    db->Attach(storage);
}

QStringList TestArchive::Rows(const QString& sql) {
    SQLite::Statement st(storage->Connection(), sql.toStdString());
    QStringList out;
    while (st.executeStep()) {
        QStringList values;
        for (int i = 0; i < st.getColumnCount(); ++i)
            values << (st.getColumn(i).isNull() ? "-" : st.getColumn(i).getString().c_str());
        out << values.join('|');
    }
    return out;
}

qint64 TestArchive::Scalar(const QString& sql) {
    SQLite::Statement st(storage->Connection(), sql.toStdString());
    st.executeStep();
    return st.getColumn(0).getInt64();
}
