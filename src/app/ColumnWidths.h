#pragma once

#include <QList>
#include <QString>

// The column widths the user gave the desk's lists, one entry per list, kept in "lists.ini"
// in the data folder (the current directory, like the other setting files). They are a
// matter of this desk's screen, not of the house's data: a file beside the database keeps
// them apart from what several desks will one day share, and a list that is only looked at
// never writes to the database.
namespace ColumnWidths {

inline const QString FileName = QStringLiteral("lists.ini");

// The widths stored for `listKey` ("window/list"), or nothing.
QList<int> load(const QString& listKey);
void save(const QString& listKey, const QList<int>& widths);

} // namespace ColumnWidths
