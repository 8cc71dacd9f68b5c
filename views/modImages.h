#pragma once
// The pictures of the section tree and the toolbar, by the image keys the program uses.

#include <QIcon>
#include <QString>

QIcon SectionImage(const QString& key);
QIcon ToolbarImage(const QString& key);
