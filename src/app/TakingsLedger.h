#pragma once

#include "app/SqlDialect.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

class Database;
class QSqlDatabase;

// The daily ledger of the takings: per-day sums of the settled rows, so that a period of whole
// days is added up from a few rows per day instead of every receipt of it.
//
// Tables of per-day sums of the settled rows, each a row per calendar day of the row's time
// (its first ten characters, as the queries count days) and per group:
// - ledger_receipts: per day, hour, payment method and whether a member card paid: how many
//   receipts, their amount in fen (alljine) and their massage clocks, foot-wash clocks and
//   pedicures;
// - ledger_technicians: per day and technician (number and name): how many service rows, the
//   commission in fen (salary) and the massage and foot-wash clocks;
// - ledger_goods: per day and goods name: how many sale rows, the quantity and the amount in
//   fen (jine);
// - ledger_items (version 13): per day, item (its number and the name it was sold under) and
//   technician: how many lines, units and units of a 点钟, the amount and the commission in fen;
// - ledger_calls (version 13): per day and technician: how many calls and 点钟 calls, their
//   clocks and 点钟 clocks, the 点钟 supplements in fen;
// - ledger_cards (version 14): per day, kind (充值, 消费, …) and method of the member cards'
//   movements (card_ledger): how many rows and their principal and bonus in fen, signed;
// - ledger_payments (version 15): per day, the method the receipt names ("组合支付" for a split
//   bill) and the method of the part: how many parts and their amount in fen;
// - ledger_receipt_days (version 9): the receipts again, per day and payment method alone,
//   so that the totals and the per-method line of years are a few thousand rows, not the
//   hundred thousand of the hours.
// - ledger_goods_months (version 16): the goods sales again, per month ("2026-12") and goods
//   name, so that a year's ranking of the goods adds up a few thousand rows, not the seventy
//   thousand of its days.
// Each amount is the row's text read by the leading-number rule and rounded to the fen, each
// count the row's text read as a whole number: the same figures as adding the rows themselves.
//
// The database keeps the ledger itself: triggers on the three tables add every row written,
// take away every row deleted and move a row that changes, in the transaction that writes the
// row (a settlement, a row written by hand, any later writer). The schema step that adds the
// ledger fills it from the rows stored before, once; the background check proves it equals
// the rows (differences()).
namespace TakingsLedger {

// One ledger table and the rows it sums, as one engine spells it. Key and sum expressions are
// written over the source table's columns with %1 standing for a row prefix ("NEW.", "OLD."
// or nothing).
struct Table
{
    SqlDialect dialect;
    QString name;
    QString source; // Receiptform, salaryform or spsalay
    QString caption; // what the check calls the rows
    QStringList keys;
    QStringList keyExpressions;
    QStringList sums;
    QStringList sumExpressions;
    QStringList sourceColumns; // the columns the ledger reads

    // The columns of the table as CREATE TABLE lists them.
    QString columnDefinitions() const;
    // The key columns, then the sum columns.
    QStringList columns() const { return keys + sums; }
    // The first key: the day ("2026-12-07") or, in a table of months, the month ("2026-12").
    const QString& period() const { return keys.first(); }
    bool byMonth() const { return period() == u"month"; }
};

// The tables as `dialect` spells them (Database::dialect()).
const Table& Receipts(const SqlDialect& dialect);
const Table& Technicians(const SqlDialect& dialect);
const Table& Goods(const SqlDialect& dialect);
const Table& ReceiptDays(const SqlDialect& dialect);
const Table& GoodsMonths(const SqlDialect& dialect);
const Table& Items(const SqlDialect& dialect);
const Table& Calls(const SqlDialect& dialect);
const Table& Payments(const SqlDialect& dialect);
const Table& CardDays(const SqlDialect& dialect);
// The one that version 14 made: the member cards' movements.
const QList<const Table*>& CardTables(const SqlDialect& dialect);
// The two that version 13 made: the item lines and the technicians' calls.
const QList<const Table*>& ItemTables(const SqlDialect& dialect);
// Every table of the ledger; the three that versions 7 and 8 made.
const QList<const Table*>& Tables(const SqlDialect& dialect);
const QList<const Table*>& FirstTables(const SqlDialect& dialect);

// The triggers that keep `tables` with every write of the rows, as this version makes them.
QStringList TriggerStatements(const QList<const Table*>& tables);
// The triggers of the first tables as version 7 made them (amounts read as the real number
// times 100), for the shape of a file of that version; version 8 replaces them.
QStringList TriggerStatementsOfVersion7(const SqlDialect& dialect);
// Drops the triggers of `tables`, to make them again.
QStringList DropTriggerStatements(const QList<const Table*>& tables);
// Empties `tables` (every table of the ledger when not given) and fills them from the stored
// rows: one grouped read of each. Returns the error text, empty on success. Part of the
// caller's transaction.
QString Rebuild(Database& database);
QString Rebuild(Database& database, const QList<const Table*>& tables);

// Which rows a reading covers: every row, or those stamped from a start to an end (both
// included, to the second). The days of the period that it covers whole are read from the
// ledger; the rows of a day where the period starts or ends inside it are read themselves.
class Span
{
public:
    static Span everything();
    static Span between(const QDateTime& start, const QDateTime& end);

    bool isEverything() const { return m_everything; }
    // The whole days covered, first to last; none when first > last.
    QDate firstWholeDay() const { return m_firstWhole; }
    QDate lastWholeDay() const { return m_lastWhole; }
    bool hasWholeDays() const { return m_everything || m_firstWhole <= m_lastWhole; }

    // Stamp ranges read from the rows, as (from, to, to included) texts.
    struct RowRange
    {
        QString from; // included
        QString to;
        bool toIncluded = true;

        friend bool operator==(const RowRange&, const RowRange&) = default;
    };
    QList<RowRange> rowRanges() const { return m_rowRanges; }

    friend bool operator==(const Span&, const Span&) = default;

private:
    bool m_everything = false;
    QDate m_firstWhole;
    QDate m_lastWhole;
    QList<RowRange> m_rowRanges;
};

// A select that yields the ledger columns of `table` over `span`: the ledger's rows of the
// whole days, and each row of the partial days made into a ledger row of its own. Readers
// aggregate on top of it, by the ledger's column names:
//   SELECT sum(receipts), sum(amount_fen) FROM (<sql>)
struct Source
{
    QString sql;
    QVariantList values;
};
Source Rows(const Table& table, const Span& span);
// The same over `days` (a table per day) where `months` holds the same sums per month: the
// whole months of the span are read from `months`, its other whole days from `days`. The
// rows carry every column of `days` but the day.
Source RowsByMonth(const Table& months, const Table& days, const Span& span);
// The same for the rows of the source table that meet `condition` (with a ? for each of
// `values`; empty for every row), each made into a ledger row: for conditions the ledger
// cannot answer (a receipt number, a technician number).
Source RowsWhere(const Table& table, const QString& condition, const QVariantList& values);

// Where the ledger and the rows differ, one line in Chinese per table that differs, with the
// first days concerned; empty when they agree. `connection` may be a read-only connection on
// another thread. `error` gets the database error text of a failed read. With a day `since`
// ("yyyy-MM-dd") only that day and the later ones are compared.
QStringList Differences(QSqlDatabase& connection, QString* error, const QString& since = {});

} // namespace TakingsLedger
