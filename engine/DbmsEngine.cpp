#include "DbmsEngine.h"

std::shared_ptr<DbmsDatabase> DbmsEngine::Define(itfDefDatabase& definition, const QString& appName,
                                                 itfNotifyEvent* notify,
                                                 std::shared_ptr<DbmsCurrency> conversion) {
    DbmsDefinition def;
    if (!definition.Define(def))
        throw DbmsError(DbmsError::Definition, "Definizione del database non riuscita");
    return std::make_shared<DbmsDatabase>(def.Tables(), appName, notify, std::move(conversion));
}

std::shared_ptr<DbmsDatabase> DbmsEngine::OpenDatabase(std::shared_ptr<DbmsStorage> storage) {
    if (!storage || !storage->IsOpen())
        throw DbmsError(DbmsError::NotOpen, "L'archivio non è aperto");
    std::vector<std::shared_ptr<DbmsTableDef>> defs;
    const QStringList names = storage->MetaValue("Tables").split(',', Qt::SkipEmptyParts);
    for (const QString& name : names) {
        auto def = DbmsSchemaFromJson(storage->MetaValue("Schema." + name).toUtf8());
        if (!def)
            throw DbmsError(
                DbmsError::FileNotOurs,
                QString("La struttura della tabella %1 nell'archivio è illeggibile").arg(name));
        defs.push_back(std::move(def));
    }
    auto db = std::make_shared<DbmsDatabase>(std::move(defs), QString(), nullptr, nullptr);
    db->AttachAsStored(std::move(storage));
    return db;
}

std::shared_ptr<DbmsCurrency> DbmsEngine::NewLiraCurrency() const {
    return std::make_shared<DbmsCurrency>("Lire", 1.0);
}

std::shared_ptr<DbmsCurrency> DbmsEngine::NewEuroCurrency() const {
    return std::make_shared<DbmsCurrency>("Euro", DbmsCurrency::LirePerEuro);
}

QString DbmsEngine::EventText(int code) {
    switch (code) {
    case DbmsEvent::ReadingData:
        return "Lettura dati";
    case DbmsEvent::UpdatingStructure:
        return "Aggiornamento struttura tabella";
    case DbmsEvent::Transferring:
        return "Trasferimento dati";
    case DbmsEvent::Exporting:
        return "Esportazione dati";
    case DbmsEvent::Deleting:
        return "Eliminazione dati";
    default:
        return QString("Evento %1").arg(code);
    }
}
