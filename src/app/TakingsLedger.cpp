#include "app/TakingsLedger.h"

#include "app/Database.h"
#include "app/ReceiptStore.h"
#include "app/TextFormat.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <array>

namespace TakingsLedger {

namespace {

// The calendar day of a row and the hour of its time ("2026-12-07 15:42:10": "2026-12-07", "15").
QString dayOf(const SqlDialect& dialect)
{
    return dialect.dayOf(QStringLiteral("%1time"));
}

QString hourOf(const SqlDialect& dialect)
{
    return dialect.hourOf(QStringLiteral("%1time"));
}

// The amount texts the ledger adds up in fen: a receipt's total, a commission, a goods line.
constexpr QLatin1StringView AmountColumns[]
    = { ReceiptColumn::Total, CommissionColumn::Commission, GoodsColumn::Amount };

// A text of a source row (prefixed by %1, see withPrefix), empty when another tool left it NULL.
QString textOf(QLatin1StringView column)
{
    return QStringLiteral("coalesce(%1") + column + QStringLiteral(", '')");
}

QStringList namesOf(std::initializer_list<QLatin1StringView> columns)
{
    QStringList names;
    for (const QLatin1StringView column : columns)
        names << QString(column);
    return names;
}

// A field left empty (NULL) by another tool counts 0, as the lists show it empty.
QString fenOf(const SqlDialect& dialect, QLatin1StringView column)
{
    return QStringLiteral("coalesce(%1, 0)").arg(dialect.leadingFen(QStringLiteral("%1") + column));
}

QString countOf(const SqlDialect& dialect, QLatin1StringView column)
{
    return QStringLiteral("coalesce(%1, 0)").arg(dialect.leadingInteger(QStringLiteral("%1") + column));
}

QString withPrefix(const QStringList& expressions, const QString& prefix)
{
    QStringList filled;
    for (const QString& expression : expressions)
        filled << QString(expression).replace(QStringLiteral("%1"), prefix);
    return filled.join(QStringLiteral(", "));
}

// The columns of `table` as the ledger names them, from one source row, from the column
// `first` on.
QString rowAsLedger(const Table& table, const QString& prefix, qsizetype first = 0)
{
    QStringList columns;
    const QStringList names = table.columns();
    const QStringList expressions = table.keyExpressions + table.sumExpressions;
    for (qsizetype i = first; i < names.size(); ++i)
        columns << QString(expressions[i]).replace(QStringLiteral("%1"), prefix) + QStringLiteral(" AS ") + names[i];
    return columns.join(QStringLiteral(", "));
}

// Adds one source row to the ledger (`sign` 1) or takes it away (-1).
QString upsert(const Table& table, const QString& prefix, int sign)
{
    QStringList values;
    for (const QString& key : table.keyExpressions)
        values << QString(key).replace(QStringLiteral("%1"), prefix);
    for (const QString& sum : table.sumExpressions)
        values << QStringLiteral("%1(%2)").arg(
            sign < 0 ? QStringLiteral("-") : QString(), QString(sum).replace(QStringLiteral("%1"), prefix));
    return table.dialect.upsert(
               table.name, table.columns(), values, table.keys, table.sums, SqlDialect::OnConflict::Add)
        + u';';
}

// The source rows summed per ledger key, as the ledger should hold them.
QString groupedRows(const Table& table, bool since)
{
    QStringList sums;
    for (const QString& sum : table.sumExpressions)
        sums << QStringLiteral("sum(%1)").arg(QString(sum).replace(QStringLiteral("%1"), QString()));
    return QStringLiteral("SELECT %1, %2 FROM %3%4 GROUP BY %1")
        .arg(withPrefix(table.keyExpressions, QString()), sums.join(QStringLiteral(", ")), table.source,
            since ? QStringLiteral(" WHERE time>=?") : QString());
}

// The ledger's rows that hold anything (a row whose rows were all deleted holds zeros).
QString heldRows(const Table& table, bool since)
{
    QStringList nonZero;
    for (const QString& sum : table.sums)
        nonZero << sum + QStringLiteral("<>0");
    return QStringLiteral("SELECT %1 FROM %2 WHERE (%3)%4")
        .arg(table.columns().join(QStringLiteral(", ")), table.name, nonZero.join(QStringLiteral(" OR ")),
            since ? QStringLiteral(" AND ") + table.period() + QStringLiteral(">=?") : QString());
}

// The rows of the source table in the partial days of `span`, each made into a ledger row of
// `table` from the column `first` on.
void appendPartialDays(const Table& table, const Span& span, qsizetype first, QStringList* parts, Source* source)
{
    for (const Span::RowRange& range : span.rowRanges()) {
        *parts << QStringLiteral("SELECT %1 FROM %2 WHERE time>=? AND time%3?")
                      .arg(rowAsLedger(table, QString(), first), table.source,
                          range.toIncluded ? QStringLiteral("<=") : QStringLiteral("<"));
        source->values << range.from << range.to;
    }
}

Table makeTable(const SqlDialect& dialect, QString name, QString source, QString caption,
    QList<std::pair<QString, QString>> keys, QList<std::pair<QString, QString>> sums, QStringList sourceColumns)
{
    Table table { dialect, std::move(name), std::move(source), std::move(caption), {}, {}, {}, {},
        std::move(sourceColumns) };
    for (const auto& [column, expression] : keys) {
        table.keys << column;
        table.keyExpressions << expression;
    }
    for (const auto& [column, expression] : sums) {
        table.sums << column;
        table.sumExpressions << expression;
    }
    return table;
}

// What both receipt tables add up per key: the receipts, their amount in fen, the massage and
// foot-wash clocks and the pedicures.
QList<std::pair<QString, QString>> receiptSums(const SqlDialect& dialect)
{
    return { { QStringLiteral("receipts"), QStringLiteral("1") },
        { QStringLiteral("amount_fen"), fenOf(dialect, ReceiptColumn::Total) },
        { QStringLiteral("massage"), countOf(dialect, ReceiptColumn::MassageCount) },
        { QStringLiteral("footwash"), countOf(dialect, ReceiptColumn::FootWashCount) },
        { QStringLiteral("pedicure"), countOf(dialect, ReceiptColumn::PedicureCount) } };
}

// A value made once for each engine, by `make` given that engine's dialect.
template <typename Make> auto perEngine(Make make)
{
    return std::array { make(SqlDialect(SqlEngine::Sqlite)), make(SqlDialect(SqlEngine::Postgres)) };
}

std::size_t indexOf(const SqlDialect& dialect)
{
    return dialect.isSqlite() ? 0 : 1;
}

} // namespace

QString Table::columnDefinitions() const
{
    QStringList definitions;
    for (const QString& key : keys)
        definitions << key
                + (key == u"member" ? QStringLiteral(" INTEGER NOT NULL") : QStringLiteral(" TEXT NOT NULL"));
    for (const QString& sum : sums)
        definitions << sum + QStringLiteral(" INTEGER NOT NULL DEFAULT 0");
    definitions << QStringLiteral("PRIMARY KEY (%1)").arg(keys.join(QStringLiteral(", ")));
    return definitions.join(QStringLiteral(", "));
}

const Table& Receipts(const SqlDialect& dialect)
{
    // A receipt paid by a member card carries the card's number as its paytype, any other "普通".
    static const auto tables = perEngine([](const SqlDialect& spelled) {
        const QString payType = QStringLiteral("%1") + ReceiptColumn::PayType;
        return makeTable(spelled, QStringLiteral("ledger_receipts"), ReceiptTable::Receipts, QStringLiteral("经营单据"),
            { { QStringLiteral("day"), dayOf(spelled) }, { QStringLiteral("hour"), hourOf(spelled) },
                { QStringLiteral("method"), textOf(ReceiptColumn::PaymentMethod) },
                { QStringLiteral("member"),
                    QStringLiteral("CASE WHEN ") + payType + QStringLiteral("='普通' OR ") + payType
                        + QStringLiteral("='' THEN 0 ELSE 1 END") } },
            receiptSums(spelled),
            namesOf({ ReceiptColumn::Time, ReceiptColumn::PaymentMethod, ReceiptColumn::PayType, ReceiptColumn::Total,
                ReceiptColumn::MassageCount, ReceiptColumn::FootWashCount, ReceiptColumn::PedicureCount }));
    });
    return tables[indexOf(dialect)];
}

const Table& Technicians(const SqlDialect& dialect)
{
    static const auto tables = perEngine([](const SqlDialect& spelled) {
        return makeTable(spelled, QStringLiteral("ledger_technicians"), ReceiptTable::Salaries,
            QStringLiteral("技师服务"),
            { { QStringLiteral("day"), dayOf(spelled) },
                { QStringLiteral("num"), textOf(CommissionColumn::Technician) },
                { QStringLiteral("name"), textOf(CommissionColumn::Name) } },
            { { QStringLiteral("services"), QStringLiteral("1") },
                { QStringLiteral("commission_fen"), fenOf(spelled, CommissionColumn::Commission) },
                { QStringLiteral("massage"), countOf(spelled, CommissionColumn::MassageCount) },
                { QStringLiteral("footwash"), countOf(spelled, CommissionColumn::FootWashCount) } },
            namesOf({ CommissionColumn::Time, CommissionColumn::Technician, CommissionColumn::Name,
                CommissionColumn::Commission, CommissionColumn::MassageCount, CommissionColumn::FootWashCount }));
    });
    return tables[indexOf(dialect)];
}

const Table& Goods(const SqlDialect& dialect)
{
    static const auto tables = perEngine([](const SqlDialect& spelled) {
        return makeTable(spelled, QStringLiteral("ledger_goods"), ReceiptTable::Goods, QStringLiteral("商品销售"),
            { { QStringLiteral("day"), dayOf(spelled) }, { QStringLiteral("name"), textOf(GoodsColumn::Name) } },
            { { QStringLiteral("lines"), QStringLiteral("1") },
                { QStringLiteral("quantity"), countOf(spelled, GoodsColumn::Quantity) },
                { QStringLiteral("amount_fen"), fenOf(spelled, GoodsColumn::Amount) } },
            namesOf({ GoodsColumn::Time, GoodsColumn::Name, GoodsColumn::Quantity, GoodsColumn::Amount }));
    });
    return tables[indexOf(dialect)];
}

const Table& ReceiptDays(const SqlDialect& dialect)
{
    static const auto tables = perEngine([](const SqlDialect& spelled) {
        return makeTable(spelled, QStringLiteral("ledger_receipt_days"), ReceiptTable::Receipts,
            QStringLiteral("经营单据(按日)"),
            { { QStringLiteral("day"), dayOf(spelled) },
                { QStringLiteral("method"), textOf(ReceiptColumn::PaymentMethod) } },
            receiptSums(spelled),
            namesOf({ ReceiptColumn::Time, ReceiptColumn::PaymentMethod, ReceiptColumn::Total,
                ReceiptColumn::MassageCount, ReceiptColumn::FootWashCount, ReceiptColumn::PedicureCount }));
    });
    return tables[indexOf(dialect)];
}

const Table& GoodsMonths(const SqlDialect& dialect)
{
    static const auto tables = perEngine([](const SqlDialect& spelled) {
        const Table& days = Goods(spelled);
        Table months = days;
        months.name = QStringLiteral("ledger_goods_months");
        months.caption = QStringLiteral("商品销售(按月)");
        months.keys.first() = QStringLiteral("month");
        months.keyExpressions.first() = spelled.monthOf(QStringLiteral("%1time"));
        return months;
    });
    return tables[indexOf(dialect)];
}

const Table& Items(const SqlDialect& dialect)
{
    // The item lines' columns are numbers already: no text to read.
    static const auto tables = perEngine([](const SqlDialect& spelled) {
        return makeTable(spelled, QStringLiteral("ledger_items"), ReceiptTable::Items, QStringLiteral("服务项目"),
            { { QStringLiteral("day"), dayOf(spelled) },
                { QStringLiteral("item"), QStringLiteral("CAST(%1item AS TEXT)") },
                { QStringLiteral("name"), textOf(ItemColumn::Name) },
                { QStringLiteral("technician"), textOf(ItemColumn::Technician) } },
            { { QStringLiteral("lines"), QStringLiteral("1") }, { QStringLiteral("units"), QStringLiteral("%1count") },
                { QStringLiteral("requested_units"),
                    QStringLiteral("CASE WHEN %1requested<>0 THEN %1count ELSE 0 END") },
                { QStringLiteral("amount_fen"), QStringLiteral("%1amount_fen") },
                { QStringLiteral("commission_fen"), QStringLiteral("%1commission_fen") } },
            namesOf({ ItemColumn::Time, ItemColumn::Item, ItemColumn::Name, ItemColumn::Technician,
                ItemColumn::Requested, ItemColumn::Count, ItemColumn::Amount, ItemColumn::Commission }));
    });
    return tables[indexOf(dialect)];
}

const Table& Calls(const SqlDialect& dialect)
{
    static const auto tables = perEngine([](const SqlDialect& spelled) {
        return makeTable(spelled, QStringLiteral("ledger_calls"), ReceiptTable::Calls, QStringLiteral("点钟"),
            { { QStringLiteral("day"), dayOf(spelled) },
                { QStringLiteral("technician"), textOf(CallColumn::Technician) } },
            { { QStringLiteral("calls"), QStringLiteral("1") },
                { QStringLiteral("requested_calls"), QStringLiteral("CASE WHEN %1requested<>0 THEN 1 ELSE 0 END") },
                { QStringLiteral("clocks"), QStringLiteral("%1clocks") },
                { QStringLiteral("requested_clocks"),
                    QStringLiteral("CASE WHEN %1requested<>0 THEN %1clocks ELSE 0 END") },
                { QStringLiteral("supplement_fen"), QStringLiteral("%1supplement_fen") } },
            namesOf({ CallColumn::Time, CallColumn::Technician, CallColumn::Requested, CallColumn::Clocks,
                CallColumn::Supplement }));
    });
    return tables[indexOf(dialect)];
}

const Table& Payments(const SqlDialect& dialect)
{
    static const auto tables = perEngine([](const SqlDialect& spelled) {
        return makeTable(spelled, QStringLiteral("ledger_payments"), ReceiptTable::Payments, QStringLiteral("付款方式"),
            { { QStringLiteral("day"), dayOf(spelled) },
                { QStringLiteral("receipt_method"), textOf(PaymentColumn::ReceiptMethod) },
                { QStringLiteral("method"), textOf(PaymentColumn::Method) } },
            { { QStringLiteral("parts"), QStringLiteral("1") },
                { QStringLiteral("amount_fen"), QStringLiteral("%1amount_fen") } },
            namesOf(
                { PaymentColumn::Time, PaymentColumn::ReceiptMethod, PaymentColumn::Method, PaymentColumn::Amount }));
    });
    return tables[indexOf(dialect)];
}

const Table& CardDays(const SqlDialect& dialect)
{
    // The card ledger's amounts are whole fen already, signed.
    static const auto tables = perEngine([](const SqlDialect& spelled) {
        return makeTable(spelled, QStringLiteral("ledger_cards"), QStringLiteral("card_ledger"),
            QStringLiteral("会员卡流水"),
            { { QStringLiteral("day"), dayOf(spelled) }, { QStringLiteral("kind"), QStringLiteral("%1kind") },
                { QStringLiteral("method"), QStringLiteral("%1method") } },
            { { QStringLiteral("movements"), QStringLiteral("1") },
                { QStringLiteral("principal_fen"), QStringLiteral("%1principal_fen") },
                { QStringLiteral("bonus_fen"), QStringLiteral("%1bonus_fen") } },
            { QStringLiteral("time"), QStringLiteral("kind"), QStringLiteral("method"), QStringLiteral("principal_fen"),
                QStringLiteral("bonus_fen") });
    });
    return tables[indexOf(dialect)];
}

const QList<const Table*>& CardTables(const SqlDialect& dialect)
{
    static const auto tables
        = perEngine([](const SqlDialect& spelled) { return QList<const Table*> { &CardDays(spelled) }; });
    return tables[indexOf(dialect)];
}

const QList<const Table*>& ItemTables(const SqlDialect& dialect)
{
    static const auto tables = perEngine([](const SqlDialect& spelled) {
        return QList<const Table*> { &Items(spelled), &Calls(spelled) };
    });
    return tables[indexOf(dialect)];
}

const QList<const Table*>& Tables(const SqlDialect& dialect)
{
    static const auto tables = perEngine([](const SqlDialect& spelled) {
        return QList<const Table*> { &Receipts(spelled), &Technicians(spelled), &Goods(spelled), &ReceiptDays(spelled),
            &Items(spelled), &Calls(spelled), &CardDays(spelled), &Payments(spelled), &GoodsMonths(spelled) };
    });
    return tables[indexOf(dialect)];
}

const QList<const Table*>& FirstTables(const SqlDialect& dialect)
{
    static const auto tables = perEngine([](const SqlDialect& spelled) {
        return QList<const Table*> { &Receipts(spelled), &Technicians(spelled), &Goods(spelled) };
    });
    return tables[indexOf(dialect)];
}

QStringList TriggerStatements(const QList<const Table*>& tables)
{
    QStringList statements;
    for (const Table* table : tables) {
        const SqlDialect& dialect = table->dialect;
        statements << dialect.rowTrigger(table->name + QStringLiteral("_added"), QStringLiteral("AFTER INSERT"),
            table->source, upsert(*table, QStringLiteral("NEW."), 1))
                   << dialect.rowTrigger(table->name + QStringLiteral("_removed"), QStringLiteral("AFTER DELETE"),
                          table->source, upsert(*table, QStringLiteral("OLD."), -1))
                   << dialect.rowTrigger(table->name + QStringLiteral("_changed"),
                          QStringLiteral("AFTER UPDATE OF ") + table->sourceColumns.join(QStringLiteral(", ")),
                          table->source,
                          upsert(*table, QStringLiteral("OLD."), -1) + u' '
                              + upsert(*table, QStringLiteral("NEW."), 1));
    }
    return statements;
}

QStringList TriggerStatementsOfVersion7(const SqlDialect& dialect)
{
    QStringList statements = TriggerStatements(FirstTables(dialect));
    for (const QLatin1StringView amount : AmountColumns) {
        for (const char* row : { "NEW.", "OLD." }) {
            const QString column = QString(QLatin1String(row)) + amount;
            for (QString& statement : statements)
                statement.replace(dialect.leadingFen(column), dialect.leadingFenOfVersion7(column));
        }
    }
    return statements;
}

QStringList DropTriggerStatements(const QList<const Table*>& tables)
{
    QStringList statements;
    for (const Table* table : tables) {
        for (const char* event : { "added", "removed", "changed" })
            statements << table->dialect.dropTrigger(
                QStringLiteral("%1_%2").arg(table->name, QLatin1String(event)), table->source);
    }
    return statements;
}

QString Rebuild(Database& database)
{
    return Rebuild(database, Tables(database.dialect()));
}

QString Rebuild(Database& database, const QList<const Table*>& tables)
{
    for (const Table* table : tables) {
        if (const SqlResult emptied = database.exec(QStringLiteral("DELETE FROM %1").arg(table->name)); !emptied.ok())
            return emptied.error;
        const SqlResult filled = database.exec(
            QStringLiteral("INSERT INTO %1 (%2) %3")
                .arg(table->name, table->columns().join(QStringLiteral(", ")), groupedRows(*table, false)));
        if (!filled.ok())
            return filled.error;
    }
    return {};
}

Span Span::everything()
{
    Span span;
    span.m_everything = true;
    return span;
}

Span Span::between(const QDateTime& start, const QDateTime& end)
{
    // Stamps are "yyyy-MM-dd HH:mm:ss" texts: a day is covered whole when the period starts at
    // or before its 00:00:00 and ends at or after its 23:59:59.
    Span span;
    const QString from = DateTimeText(start);
    const QString to = DateTimeText(end);
    span.m_firstWhole = from.mid(11) == u"00:00:00" ? start.date() : start.date().addDays(1);
    span.m_lastWhole = to.mid(11) == u"23:59:59" ? end.date() : end.date().addDays(-1);
    if (span.m_firstWhole > span.m_lastWhole) {
        span.m_rowRanges.append({ from, to, true });
        return span;
    }
    const auto dayText = [](const QDate& day) { return day.toString(Qt::ISODate); };
    if (start.date() < span.m_firstWhole)
        span.m_rowRanges.append({ from, dayText(span.m_firstWhole), false });
    if (end.date() > span.m_lastWhole)
        span.m_rowRanges.append({ dayText(span.m_lastWhole.addDays(1)), to, true });
    return span;
}

Source Rows(const Table& table, const Span& span)
{
    Source source;
    QStringList parts;
    if (span.isEverything()) {
        parts << QStringLiteral("SELECT %1 FROM %2").arg(table.columns().join(QStringLiteral(", ")), table.name);
    } else if (span.hasWholeDays()) {
        parts << QStringLiteral("SELECT %1 FROM %2 WHERE day>=? AND day<=?")
                     .arg(table.columns().join(QStringLiteral(", ")), table.name);
        source.values << span.firstWholeDay().toString(Qt::ISODate) << span.lastWholeDay().toString(Qt::ISODate);
    }
    appendPartialDays(table, span, 0, &parts, &source);
    source.sql = parts.join(QStringLiteral(" UNION ALL "));
    return source;
}

Source RowsByMonth(const Table& months, const Table& days, const Span& span)
{
    Source source;
    QStringList parts;
    const QString columns = days.columns().mid(1).join(QStringLiteral(", "));
    const auto read = [&](const Table& table, const QString& first, const QString& last) {
        parts << QStringLiteral("SELECT %1 FROM %2 WHERE %3>=? AND %3<=?").arg(columns, table.name, table.period());
        source.values << first << last;
    };
    const auto dayText = [](const QDate& day) { return day.toString(Qt::ISODate); };
    if (span.isEverything()) {
        parts << QStringLiteral("SELECT %1 FROM %2").arg(columns, months.name);
    } else if (span.hasWholeDays()) {
        // The months that the whole days cover from their first to their last day, and the
        // days before and after them.
        const QDate first = span.firstWholeDay();
        const QDate last = span.lastWholeDay();
        const QDate monthsStart = first.day() == 1 ? first : QDate(first.year(), first.month(), 1).addMonths(1);
        const QDate monthsEnd
            = last.day() == last.daysInMonth() ? last : QDate(last.year(), last.month(), 1).addDays(-1);
        if (monthsStart <= monthsEnd) {
            if (first < monthsStart)
                read(days, dayText(first), dayText(monthsStart.addDays(-1)));
            read(
                months, monthsStart.toString(QStringLiteral("yyyy-MM")), monthsEnd.toString(QStringLiteral("yyyy-MM")));
            if (monthsEnd < last)
                read(days, dayText(monthsEnd.addDays(1)), dayText(last));
        } else {
            read(days, dayText(first), dayText(last));
        }
    }
    appendPartialDays(days, span, 1, &parts, &source);
    source.sql = parts.join(QStringLiteral(" UNION ALL "));
    return source;
}

Source RowsWhere(const Table& table, const QString& condition, const QVariantList& values)
{
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(rowAsLedger(table, QString()), table.source);
    if (!condition.isEmpty())
        sql += QStringLiteral(" WHERE ") + condition;
    return { sql, values };
}

QStringList Differences(QSqlDatabase& connection, QString* error, const QString& since)
{
    QStringList lines;
    const bool recent = !since.isEmpty();
    for (const Table* table : Tables(SqlDialect::of(connection))) {
        const QString held = heldRows(*table, recent);
        const QString rows = groupedRows(*table, recent);
        const QString sql
            = QStringLiteral("SELECT DISTINCT %3 FROM (SELECT * FROM (%1 EXCEPT %2) AS held_only UNION ALL "
                             "SELECT * FROM (%2 EXCEPT %1) AS rows_only) AS differing ORDER BY %3")
                  .arg(held, rows, table->period());
        QSqlQuery query(connection);
        query.setForwardOnly(true);
        // Each of the two texts of the union names the ledger's rows and the table's once. A
        // table of months is compared over the whole month of `since`: its row holds the month.
        const bool prepared = query.prepare(sql);
        if (prepared && recent) {
            const QString from = table->byMonth() ? since.left(7) : since;
            for (int i = 0; i < 4; ++i)
                query.addBindValue(from);
        }
        if (!prepared || !query.exec()) {
            *error = DatabaseErrorText(query.lastError());
            return lines;
        }
        QStringList days;
        while (query.next())
            days << query.value(0).toString();
        if (query.lastError().isValid()) {
            *error = DatabaseErrorText(query.lastError());
            return lines;
        }
        if (days.isEmpty())
            continue;
        constexpr int Shown = 5;
        QString shown = days.mid(0, Shown).join(QStringLiteral("、"));
        if (days.size() > Shown)
            shown += (table->byMonth() ? QStringLiteral(" 等%1个月") : QStringLiteral(" 等%1天")).arg(days.size());
        lines << QStringLiteral("营业日帐与%1不符: %2").arg(table->caption, shown);
    }
    return lines;
}

} // namespace TakingsLedger
