#include "DbmsCsvExport.h"

#include "DbmsExport.h"

#include <QSaveFile>

QString DbmsCsvValue(const QString& text) {
    QString value = text;
    // A spreadsheet cell breaks lines with a line feed alone.
    value.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace('\r', '\n');
    const bool quote = value.contains(';') || value.contains('"') || value.contains('\n') ||
                       value.startsWith(' ') || value.endsWith(' ');
    if (!quote) return value;
    value.replace('"', QLatin1String("\"\""));
    return '"' + value + '"';
}

void DbmsCsvExport(DbmsDataSource& ds, const QString& path, const QStringList& fields) {
    const QStringList names = fields.isEmpty() ? DbmsExportFields(ds) : fields;
    QStringList header;
    for (const QString& name : names) {
        const DbmsFieldInfo* f = ds.FieldInfo(name);
        if (!f)
            throw DbmsError(
                DbmsError::UnknownField,
                QString("Campo sconosciuto nella tabella %1: %2").arg(ds.TableDef().Name, name));
        header << DbmsCsvValue(f->Caption);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw DbmsError(DbmsError::FileOpen,
                        QString("Impossibile creare il file %1: %2").arg(path, file.errorString()));
    QByteArray buffer("\xEF\xBB\xBF");
    buffer += header.join(';').toUtf8() + "\r\n";
    QStringList values;
    for (qint64 pos = 0; ds.OIDAt(pos) != 0; ++pos) {
        values.clear();
        for (const QString& name : names)
            values << DbmsCsvValue(ds.TextAt(pos, name));
        buffer += values.join(';').toUtf8() + "\r\n";
        if (buffer.size() >= 256 * 1024) {
            file.write(buffer); // a failed write shows at commit, which keeps the old file
            buffer.clear();
        }
    }
    file.write(buffer);
    if (!file.commit())
        throw DbmsError(
            DbmsError::FileOpen,
            QString("Impossibile scrivere il file %1: %2").arg(path, file.errorString()));
}
