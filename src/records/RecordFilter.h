#pragma once

#include "app/SqlDialect.h"
#include "records/RecordStore.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

// Which records the list of a record dialog shows: those of one category or of all, those whose
// code or name (and, for members, telephone) contain the search text, and the records the dialog
// added or changed since the list was last filled. These stay in view, matching or not, until
// the category or the search changes, so that a record does not vanish under the clerk's eyes.
//
// The search finds the text anywhere in a column, not only at its start: clerks look members up
// by the last digits of a telephone or by a given name. Latin letters match in either case; what
// is typed is bound as a value and its % and _ are taken literally.
class RecordFilter
{
public:
    // `dialect` spells the condition for the database the list reads.
    RecordFilter(RecordMode mode, SqlDialect dialect);

    // Empty: every category.
    void setCategory(const QString& category);
    QString category() const { return m_category; }
    // Blanks at the ends are dropped; empty: every record.
    void setSearchText(const QString& text);
    QString searchText() const { return m_search; }
    // Keeps record `id` in the list until the category or the search changes.
    void keep(qint64 id);

    // The condition and its values for the list model; an empty condition lists every record.
    QString condition() const;
    QVariantList values() const;

    // The columns the search looks in: code and name, for members the telephone too.
    static QStringList searchedColumns(RecordMode mode);
    // A pattern (% and _ as wildcards, escape character \) that finds `text` anywhere in a
    // column, for SqlDialect::contains().
    static QString containsPattern(const QString& text);

private:
    RecordMode m_mode;
    SqlDialect m_dialect;
    QString m_category;
    QString m_search;
    QList<qint64> m_kept;
};
