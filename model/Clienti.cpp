#include "Clienti.h"

#include "DbmsDataSource.h"
#include "DbmsDefinition.h"

namespace {
QString LTrim(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    return text.mid(i);
}

QString RTrim(const QString& text) {
    qsizetype n = text.size();
    while (n > 0 && text[n - 1] == ' ')
        --n;
    return text.left(n);
}
} // namespace

void Clienti::DefineIdentity(DbmsTableIdentity& p_objIdentity) {
    p_objIdentity.SetCaption("Clienti");
    p_objIdentity.SetVersion(1.3);
}

void Clienti::DefineStructure(DbmsColumns& p_objCol, DbmsIndexes& p_objInx, DbmsReferences&) {
    p_objCol.AddField("Codice", DbmsType::Text, 32);
    p_objCol.AddField("Punti", DbmsType::Integer, 0);
    p_objCol.AddField("Titolo", DbmsType::Text, 16);
    p_objCol.AddField("Cognome", DbmsType::Text, 32);
    p_objCol.AddField("Nome", DbmsType::Text, 32);
    p_objCol.AddField("Indirizzo", DbmsType::Text, 64);
    p_objCol.AddField("CAP", DbmsType::Integer, 0);
    p_objCol.AddField("Citta", DbmsType::Text, 32);
    p_objCol.AddField("Provincia", DbmsType::Text, 5);
    p_objCol.AddField("Telefono", DbmsType::Text, 32);
    p_objCol.AddField("Cellulare", DbmsType::Text, 32);
    p_objCol.AddField("Fax", DbmsType::Text, 32);
    p_objCol.AddField("CodiceFiscale", DbmsType::Text, 16);
    p_objCol.AddField("Descrizione", DbmsType::Text, 64);
    p_objCol.AddField("Note", DbmsType::Text, 255);
    // Postal codes keep their leading zero on screen ("09121"); the archive keeps the number.
    p_objCol.SetDigits("CAP", 5);
    // A card code names one customer: a second one would take the first one's card.
    p_objCol.SetUnique("Codice", "Il cliente esiste in archivio");
    p_objInx.AddIndex("Codice", true, "");
    p_objInx.AddIndex("Descrizione", false, "");
    p_objInx.AddIndex("CodiceFiscale", false, "");
}

void Clienti::OnUpdatedTableStruct(DbmsDataSource& p_objTableDS, double, double p_dblOldVersion,
                                   bool) {
    // Version 1.0 kept only the display name: split it into surname and first name at its
    // first blank. Every later version already has both.
    if (p_dblOldVersion != 1.0 || p_objTableDS.IsEmpty()) return;
    // Cleared on the way out, a failed upgrade included.
    struct Upgrading {
        bool& flag;
        explicit Upgrading(bool& f) : flag(f) { flag = true; }
        ~Upgrading() { flag = false; }
    } upgrading(m_blnUpgrading);
    p_objTableDS.MoveFirst();
    while (!p_objTableDS.EOF_()) {
        const QString description = p_objTableDS.GetValue("Descrizione").toString();
        const qsizetype blank = description.indexOf(' ');
        if (blank >= 0) {
            p_objTableDS.SetValue("Cognome", RTrim(description.left(blank + 1)));
            p_objTableDS.SetValue("Nome", LTrim(description.mid(blank)));
            p_objTableDS.Update();
        }
        p_objTableDS.MoveNext();
    }
}

void Clienti::OnNewRow(DbmsDataSource& p_objDS) {
    p_objDS.SetValue("Codice", QString(""));
    p_objDS.SetValue("Punti", 0);
    p_objDS.SetValue("Titolo", QString("Sig"));
    for (const char* field : {"Cognome", "Nome", "Indirizzo"})
        p_objDS.SetValue(field, QString(""));
    p_objDS.SetValue("CAP", 0);
    for (const char* field : {"Citta", "Provincia", "Telefono", "Cellulare", "Fax", "CodiceFiscale",
                              "Descrizione", "Note"})
        p_objDS.SetValue(field, QString(""));
}

void Clienti::OnUpdateField(DbmsDataSource& p_objDS, const QString& p_strFieldName) {
    if (m_blnUpgrading || (p_strFieldName != "Cognome" && p_strFieldName != "Nome")) return;
    const QString surname = p_objDS.GetValue("Cognome").toString();
    const QString name = p_objDS.GetValue("Nome").toString();
    // Both empty: the display name may have been typed by hand; keep it.
    if ((surname + name).isEmpty()) return;
    // A missing surname must not leave a leading blank; a missing first name keeps its
    // trailing one.
    p_objDS.SetValue("Descrizione", LTrim(surname + ' ' + name));
}
