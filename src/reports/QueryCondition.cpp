#include "reports/QueryCondition.h"

#include "app/TextFormat.h"

QueryCondition::QueryCondition(
    QString sql, QVariantList values, QString description, std::optional<TakingsLedger::Span> span)
    : m_sql(std::move(sql))
    , m_values(std::move(values))
    , m_description(std::move(description))
    , m_span(std::move(span))
{ }

QueryCondition QueryCondition::all()
{
    return { {}, {}, QStringLiteral("全部记录"), TakingsLedger::Span::everything() };
}

QueryCondition QueryCondition::period(const QDateTime& start, const QDateTime& end)
{
    // Stamps are "yyyy-MM-dd HH:mm:ss" texts, which compare in time order.
    return { QStringLiteral("time<=? AND time>=?"), { DateTimeText(end), DateTimeText(start) },
        QStringLiteral("时间段: %1 至 %2").arg(DateTimeText(start), DateTimeText(end)),
        TakingsLedger::Span::between(start, end) };
}

QueryCondition QueryCondition::receiptNumber(qint64 number)
{
    return { QStringLiteral("id=?"), { number }, QStringLiteral("单据编号: %1").arg(number) };
}

QueryCondition QueryCondition::technician(const QString& number)
{
    return { QStringLiteral("num=?"), { number }, QStringLiteral("技师编号: %1").arg(number) };
}

QueryCondition QueryCondition::goodsName(const QString& name)
{
    return { QStringLiteral("name=?"), { name }, QStringLiteral("商品名称: %1").arg(name) };
}

QueryCondition QueryCondition::receiptRange(std::optional<qint64> after, qint64 upTo)
{
    if (!after)
        return { QStringLiteral("id<=?"), { upTo }, QStringLiteral("单据编号: %1及以前").arg(upTo) };
    return { QStringLiteral("id>? AND id<=?"), { *after, upTo },
        QStringLiteral("单据编号: %1之后至%2").arg(*after).arg(upTo) };
}
