#include "records/RecordFilter.h"

#include "app/TextFormat.h"

RecordFilter::RecordFilter(RecordMode mode, SqlDialect dialect)
    : m_mode(mode)
    , m_dialect(dialect)
{ }

void RecordFilter::setCategory(const QString& category)
{
    m_category = category;
    m_kept.clear();
}

void RecordFilter::setSearchText(const QString& text)
{
    m_search = Trim(text);
    m_kept.clear();
}

void RecordFilter::keep(qint64 id)
{
    if (!m_kept.contains(id))
        m_kept.append(id);
}

QStringList RecordFilter::searchedColumns(RecordMode mode)
{
    if (mode == RecordMode::Members)
        return { QStringLiteral("str1"), QStringLiteral("str2"), QStringLiteral("str5") };
    return { QStringLiteral("str1"), QStringLiteral("str2") };
}

QString RecordFilter::containsPattern(const QString& text)
{
    QString pattern;
    pattern.reserve(text.size() + 2);
    pattern += u'%';
    for (const QChar c : text) {
        if (c == u'%' || c == u'_' || c == u'\\')
            pattern += u'\\';
        pattern += c;
    }
    pattern += u'%';
    return pattern;
}

QString RecordFilter::condition() const
{
    QStringList parts;
    if (!m_category.isEmpty())
        parts << QStringLiteral("str9=?");
    if (!m_search.isEmpty()) {
        QStringList matches;
        for (const QString& column : searchedColumns(m_mode))
            matches << m_dialect.contains(column);
        parts << u'(' + matches.join(QStringLiteral(" OR ")) + u')';
    }
    if (parts.isEmpty())
        return {}; // every record, the kept ones among them
    QString condition = parts.join(QStringLiteral(" AND "));
    if (!m_kept.isEmpty()) {
        const QStringList marks(m_kept.size(), QStringLiteral("?"));
        condition = u'(' + condition + QStringLiteral(") OR %1 IN (%2)").arg(m_dialect.rowKey(), marks.join(u','));
    }
    return condition;
}

QVariantList RecordFilter::values() const
{
    QVariantList values;
    if (!m_category.isEmpty())
        values << m_category;
    if (!m_search.isEmpty()) {
        const QString pattern = containsPattern(m_search);
        for (qsizetype column = 0; column < searchedColumns(m_mode).size(); ++column)
            values << pattern;
    }
    if (!values.isEmpty()) {
        for (qint64 id : m_kept)
            values << id;
    }
    return values;
}
