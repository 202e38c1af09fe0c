#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The text form of a list's rows: every cell of every row, top row first, each followed by
// "/". Rows such as (5, A, 0, 0) and (8, B, 1, 0) give "5/A/0/0/8/B/1/0/". The text has no
// length limit, so a room with many goods lines keeps all of them.
namespace RowText {

QString fromRows(const QList<QStringList>& rows);

// Splits at "/" (empty pieces are skipped) and returns the complete groups of `columns`
// pieces in text order; a trailing incomplete group is dropped.
QList<QStringList> toRows(const QString& text, int columns);

} // namespace RowText
