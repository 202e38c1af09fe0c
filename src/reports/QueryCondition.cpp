#include "reports/QueryCondition.h"

#include "app/TextFormat.h"

QueryCondition::QueryCondition(QString sql, QVariantList values)
    : m_sql(std::move(sql))
    , m_values(std::move(values))
{ }

QueryCondition QueryCondition::all()
{
    return { {}, {} };
}

QueryCondition QueryCondition::period(const QDateTime& start, const QDateTime& end)
{
    // Stamps are "yyyy-MM-dd HH:mm:ss" texts, which compare in time order.
    return { QStringLiteral("time<=? AND time>=?"), { DateTimeText(end), DateTimeText(start) } };
}

QueryCondition QueryCondition::receiptNumber(qint64 number)
{
    return { QStringLiteral("id=?"), { number } };
}

QueryCondition QueryCondition::technician(const QString& number)
{
    return { QStringLiteral("num=?"), { number } };
}

QueryCondition QueryCondition::goodsName(const QString& name)
{
    return { QStringLiteral("name=?"), { name } };
}

QueryCondition QueryCondition::receiptRange(std::optional<qint64> after, qint64 upTo)
{
    if (!after)
        return { QStringLiteral("id<=?"), { upTo } };
    return { QStringLiteral("id>? AND id<=?"), { *after, upTo } };
}
