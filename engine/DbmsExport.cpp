#include "DbmsExport.h"

#include "DbmsDataSource.h"

#include <QSaveFile>

namespace {
using Origin = DbmsFieldInfo::Origin;

// Written to the file in pieces of about this size.
constexpr qsizetype kChunk = 256 * 1024;

QString Escaped(const QString& text) {
    QString out = text.toHtmlEscaped();
    out.replace('\'', QLatin1String("&#39;"));
    // Notes may run over several lines; the page keeps the breaks.
    out.replace(QLatin1String("\r\n"), QLatin1String("<br>"));
    out.replace('\n', QLatin1String("<br>"));
    return out;
}

bool IsNumber(int type) {
    return type == DbmsType::Integer || type == DbmsType::Money || type == DbmsType::Count ||
           type == DbmsType::Key;
}

struct Column {
    QString Name;
    QString Caption;
    bool Number = false;
};

std::vector<Column> Columns(const DbmsDataSource& ds, const QStringList& fields) {
    std::vector<Column> out;
    for (const QString& name : fields.isEmpty() ? DbmsExportFields(ds) : fields) {
        const DbmsFieldInfo* f = ds.FieldInfo(name);
        if (!f)
            throw DbmsError(
                DbmsError::UnknownField,
                QString("Campo sconosciuto nella tabella %1: %2").arg(ds.TableDef().Name, name));
        out.push_back({f->Name, f->Caption, IsNumber(f->Type)});
    }
    return out;
}

class HtmlFile {
public:
    explicit HtmlFile(const QString& path) : m_file(path) {
        if (!m_file.open(QIODevice::WriteOnly))
            throw DbmsError(
                DbmsError::FileOpen,
                QString("Impossibile creare il file %1: %2").arg(path, m_file.errorString()));
    }

    void Add(const QString& text) {
        m_buffer += text.toUtf8();
        if (m_buffer.size() >= kChunk) Flush();
    }

    void Commit() {
        Flush();
        if (!m_file.commit())
            throw DbmsError(DbmsError::FileOpen, QString("Impossibile scrivere il file %1: %2")
                                                     .arg(m_file.fileName(), m_file.errorString()));
    }

private:
    void Flush() {
        // A failed write is reported by commit(), which then leaves the old file alone.
        m_file.write(m_buffer);
        m_buffer.clear();
    }

    QSaveFile m_file;
    QByteArray m_buffer;
};

void WriteHtml(DbmsDataSource& ds, const QString& path, itfProgress* progress,
               const std::vector<Column>& columns) {
    const QString op = "Export " + ds.TableDef().Name;
    HtmlFile out(path);
    QString text;
    text += "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" +
            Escaped(ds.TableDef().Caption) +
            "</title>\n<style>\n"
            "table { border-collapse: collapse; font-family: sans-serif; font-size: 10pt; }\n"
            "th, td { border: 1px solid #999; padding: 2px 6px; }\n"
            "th { background: #ddd; }\n"
            "td.n { text-align: right; }\n"
            "</style>\n</head>\n<body>\n<table>\n<tr>";
    for (const Column& c : columns)
        text += "<th>" + Escaped(c.Caption) + "</th>";
    text += "</tr>\n";
    out.Add(text);

    if (progress) progress->OnStart(op, ds.RowCount());
    for (qint64 pos = 0; ds.OIDAt(pos) != 0; ++pos) {
        text = QStringLiteral("<tr>");
        for (const Column& c : columns) {
            text += c.Number ? QLatin1String("<td class=\"n\">") : QLatin1String("<td>");
            text += Escaped(ds.TextAt(pos, c.Name));
            text += QLatin1String("</td>");
        }
        text += QLatin1String("</tr>\n");
        out.Add(text);
        if (progress) DbmsCheckProgress(*progress, op, pos + 1);
    }
    out.Add("</table>\n</body>\n</html>\n");
    out.Commit();
    if (progress) progress->OnEnd(op);
}
} // namespace

QStringList DbmsExportFields(const DbmsDataSource& ds) {
    QStringList names;
    for (const DbmsFieldInfo& f : ds.Fields()) {
        const bool link = f.From == Origin::Key || f.From == Origin::OwnReference ||
                          f.From == Origin::ParentLink || f.From == Origin::ParentReference;
        if (!(f.Excluded && link)) names << f.Name;
    }
    return names;
}

void DbmsExport(DbmsDataSource& ds, const QString& path, int format, itfProgress* progress,
                const QStringList& fields) {
    if (format != DbmsExportFormat::Html)
        throw DbmsError(DbmsError::Generic,
                        QString("Formato di esportazione %1 non supportato: è disponibile solo "
                                "il formato HTML (%2)")
                            .arg(format)
                            .arg(DbmsExportFormat::Html));
    const std::vector<Column> columns = Columns(ds, fields);
    ds.Database()->NotifyEvent(DbmsEvent::Exporting, ds.TableDef().Caption);
    WriteHtml(ds, path, progress, columns);
}
