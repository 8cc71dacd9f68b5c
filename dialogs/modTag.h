#pragma once
// Controls and menu elements carry a "tag" as the program's windows always did: a free value
// the code reads back (the date field of cmdDateSel, the last search of the Find button).

#include <QObject>
#include <QVariant>

inline QVariant Tag(const QObject* object) {
    return object->property("Tag");
}
inline void SetTag(QObject* object, const QVariant& value) {
    object->setProperty("Tag", value);
}
