#include "reports/QueryExport.h"

#include "app/Database.h"
#include "app/TextFormat.h"
#include "reports/QueryCondition.h"

#include <QSqlQuery>

ExportCellType QueryColumnType(const QString& column)
{
    static const QStringList amounts { QStringLiteral("alljine"), QStringLiteral("spjine"), QStringLiteral("dazhe"),
        QStringLiteral("salary"), QStringLiteral("danjia"), QStringLiteral("jine") };
    static const QStringList counts { QStringLiteral("id"), QStringLiteral("massagetime"),
        QStringLiteral("washfoottime"), QStringLiteral("trimfoot"), QStringLiteral("counter") };
    if (amounts.contains(column))
        return ExportCellType::Amount;
    if (counts.contains(column))
        return ExportCellType::Integer;
    if (column == u"time")
        return ExportCellType::DateTime;
    return ExportCellType::Text;
}

QString QueryExportStatement(const SqlDialect& dialect, RecordKind kind, const QueryCondition& condition)
{
    // The list's order: newest first, then the reverse of the order the rows were added in.
    const RecordKindLayout& layout = RecordKindLayout::of(kind);
    QString sql
        = QStringLiteral("SELECT %1 FROM %2").arg(layout.columnNames().join(QStringLiteral(", ")), layout.table);
    if (!condition.sql().isEmpty())
        sql += QStringLiteral(" WHERE ") + condition.sql();
    return sql + QStringLiteral(" ORDER BY time DESC, %1 DESC").arg(dialect.rowKey());
}

ExportTable QueryExportTable(Database& database, RecordKind kind, const QueryCondition& condition,
    const QueryTotals& totals, const QString& heading)
{
    const RecordKindLayout& layout = RecordKindLayout::of(kind);
    ExportTable table;
    table.sheetName = layout.caption;
    QStringList title { heading, layout.caption, condition.description() };
    title.removeAll(QString());
    table.title = title.join(QStringLiteral("  "));
    for (const QueryColumn& column : layout.columns)
        table.columns.append({ column.caption, QueryColumnType(column.name), column.width });
    table.rowCount = totals.count;

    table.totals = QStringList(layout.columns.size(), QString());
    table.totals[0] = QStringLiteral("合计 %1条").arg(totals.count);
    table.totals[RecordKindLayout::AmountColumn] = totals.amount.text();
    for (int i = 0; i < layout.summedColumns; ++i)
        table.totals[RecordKindLayout::FirstSummedColumn + i] = QString::number(totals.sums[size_t(i)]);

    const QString statement = QueryExportStatement(database.dialect(), kind, condition);
    const QVariantList values = condition.values();
    const qsizetype columnCount = layout.columns.size();
    table.rows = [&database, statement, values, columnCount](const ExportTable::RowSink& sink) {
        return database.readRows(statement, values, [&](const QSqlQuery& row) {
            // A list of its own for each row: the rows are written on another thread.
            QStringList cells;
            cells.reserve(columnCount);
            for (int column = 0; column < columnCount; ++column)
                cells.append(row.isNull(column) ? QString() : row.value(column).toString()); // a NULL is empty text
            return sink(cells);
        });
    };
    return table;
}
