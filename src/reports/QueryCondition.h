#pragma once

#include "app/TakingsLedger.h"

#include <QDateTime>
#include <QString>
#include <QVariantList>

#include <optional>

// Which rows a query window lists, as a condition on the table with its values bound, never
// pasted into the statement: a goods name with an apostrophe is found like any other.
class QueryCondition
{
public:
    // Every row.
    static QueryCondition all();
    // Stamped from `start` to `end`, both included.
    static QueryCondition period(const QDateTime& start, const QDateTime& end);
    static QueryCondition receiptNumber(qint64 number);
    static QueryCondition technician(const QString& number);
    static QueryCondition goodsName(const QString& name);
    // The receipts numbered after `after` (with none, from the first) up to `upTo`.
    static QueryCondition receiptRange(std::optional<qint64> after, qint64 upTo);

    // The condition with a ? for each value; empty for every row.
    QString sql() const { return m_sql; }
    QVariantList values() const { return m_values; }
    // What the condition lists, in words ("时间段: 2026-12-01 00:00:00 至 2026-12-07 15:42:10"), for
    // the title of an exported list.
    QString description() const { return m_description; }
    // The stamps the condition selects by, when it selects by time alone (every row, or a
    // period): its totals are then read from the daily ledger. Nothing for the others.
    std::optional<TakingsLedger::Span> span() const { return m_span; }

    friend bool operator==(const QueryCondition&, const QueryCondition&) = default;

private:
    QueryCondition(
        QString sql, QVariantList values, QString description, std::optional<TakingsLedger::Span> span = std::nullopt);

    QString m_sql;
    QVariantList m_values;
    QString m_description;
    std::optional<TakingsLedger::Span> m_span;
};
