#include "DbmsGridLayout.h"

#include "DbmsDataSource.h"

#include <QSettings>

namespace {
const QString kSequenceKey = QStringLiteral("FieldSequence");
const QString kWidthsGroup = QStringLiteral("Widths");
} // namespace

std::shared_ptr<DbmsGridLayout> DbmsGridLayout::Load(const QString& iniPath,
                                                     const QString& tableName) {
    auto layout = std::make_shared<DbmsGridLayout>(iniPath, tableName);
    layout->Read();
    return layout;
}

DbmsGridLayout::DbmsGridLayout(QString iniPath, QString tableName)
    : m_path(std::move(iniPath)), m_table(std::move(tableName)) {}

DbmsGridLayout::~DbmsGridLayout() {
    try {
        Close();
    } catch (...) {
        // A layout that cannot be written costs the user a column arrangement, nothing more.
    }
}

void DbmsGridLayout::Read() {
    QSettings file(m_path, QSettings::IniFormat);
    file.beginGroup(m_table);
    // A hand-edited value without quotes comes back as a list split at the commas.
    SetFieldSequence(file.value(kSequenceKey).toStringList().join(u','));
    file.beginGroup(kWidthsGroup);
    for (const QString& field : file.childKeys()) {
        bool ok = false;
        const int width = file.value(field).toInt(&ok);
        if (ok) SetColumnWidth(field, width);
    }
    m_changed = false;
}

void DbmsGridLayout::SetFieldSequence(const QString& sequence) {
    QStringList fields;
    for (const QString& part : sequence.split(u',')) {
        const QString field = part.trimmed();
        if (!field.isEmpty() && !fields.contains(field, Qt::CaseInsensitive)) fields << field;
    }
    if (fields == m_sequence) return;
    m_sequence = fields;
    m_changed = true;
}

int DbmsGridLayout::ColumnWidth(const QString& field) const {
    const auto it = m_widths.find(field.toLower());
    return it == m_widths.end() ? -1 : it->second.second;
}

void DbmsGridLayout::SetColumnWidth(const QString& field, int width) {
    const QString key = field.toLower();
    if (width < 0) {
        m_changed |= m_widths.erase(key) > 0;
        return;
    }
    const auto it = m_widths.find(key);
    if (it != m_widths.end() && it->second.second == width) return;
    m_widths[key] = {field, width};
    m_changed = true;
}

void DbmsGridLayout::Reset() {
    if (m_sequence.isEmpty() && m_widths.empty()) return;
    m_sequence.clear();
    m_widths.clear();
    m_changed = true;
}

void DbmsGridLayout::Close() {
    if (!m_changed) return;
    QSettings file(m_path, QSettings::IniFormat);
    // The whole group is rewritten, so widths that were dropped leave the file too.
    file.remove(m_table);
    file.beginGroup(m_table);
    if (!m_sequence.isEmpty()) file.setValue(kSequenceKey, FieldSequence());
    file.beginGroup(kWidthsGroup);
    for (const auto& [key, width] : m_widths)
        file.setValue(width.first, width.second);
    file.endGroup();
    file.endGroup();
    file.sync();
    if (file.status() != QSettings::NoError)
        throw DbmsError(
            DbmsError::FileOpen,
            QString("Impossibile salvare l'aspetto della griglia nel file %1").arg(m_path));
    m_changed = false;
}

QStringList DbmsGridLayout::VisibleFields(const DbmsDataSource& ds) const {
    QStringList fields;
    for (const QString& name : m_sequence)
        if (const DbmsFieldInfo* info = ds.FieldInfo(name)) fields << info->Name;
    if (!fields.isEmpty()) return fields;
    for (const DbmsFieldInfo& info : ds.Fields())
        if (!info.Excluded) fields << info.Name;
    return fields;
}
