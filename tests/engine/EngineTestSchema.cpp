#include "EngineTestSchema.h"

TestSchema::TestSchema() {
    m_tables["Tipi"] = std::make_shared<TestTable>("Tipi", [](auto& c, auto&, auto&) {
        c.AddField("Descrizione", DbmsType::Text, 10, 0, 0, -100, -100, -100, -1, 0, 0, 0);
    });
    m_tables["Persone"] = std::make_shared<TestTable>(
        "Persone", Fields("Codice Text 8, Nome Text 16, Punti Integer, Attivo Boolean, Nato Date",
                          [](auto&, auto& i, auto&) { i.AddIndex("Codice", true, ""); }));
    m_tables["Prodotti"] = std::make_shared<TestTable>(
        "Prodotti",
        Fields("Codice Text 8, Descrizione Text 32, Prezzo Money", [](auto&, auto&, auto& r) {
            r.AddReference("Tipo", "Tipi", false, false, "", "Descrizione", -100, -100, -100, 0, -2,
                           -1, 0);
        }));
    m_tables["Righe"] = std::make_shared<TestTable>(
        "Righe", Fields("Quantita Integer, Totale Money"), 0, "Prodotti");
    m_tables["Vendite"] = std::make_shared<TestTable>(
        "Vendite", Fields("Data Date, Importo Money, Note Text 64", [](auto&, auto& i, auto& r) {
            r.AddReference("Persona", "Persone", false, false, "", "Nome");
            r.AddReference("Righe", "Righe", true, true, "Codice", "Descrizione");
            r.AddReference("Tags", "Tipi", true, false, "", "Descrizione");
            i.AddIndex("Data", false, "");
        }));
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

QStringList RowsOf(SQLite::Database& db, const QString& sql) {
    SQLite::Statement st(db, sql.toStdString());
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
