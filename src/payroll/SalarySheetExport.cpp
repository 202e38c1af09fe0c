#include "payroll/SalarySheetExport.h"

#include "app/LeadingNumber.h"
#include "app/Money.h"
#include "app/TextFormat.h"
#include "payroll/SalaryRow.h"

ExportTable SalarySheetExportTable(
    const QList<QStringList>& rows, const QDateTime& start, const QDateTime& end, const QString& heading, bool split)
{
    ExportTable table;
    table.sheetName = QStringLiteral("工资表");
    QStringList title { heading, SalarySheetTitle(start.date()),
        QStringLiteral("工资发放时间: %1 至 %2").arg(DateTimeText(start), DateTimeText(end)) };
    title.removeAll(QString());
    table.title = title.join(QStringLiteral("  "));
    table.columns = {
        { QStringLiteral("编号"), ExportCellType::Text, 60 },
        { QStringLiteral("姓名"), ExportCellType::Text, 68 },
    };
    for (const QString& caption : { QStringLiteral("工资"), QStringLiteral("补贴"), QStringLiteral("所得税"),
             QStringLiteral("罚款"), QStringLiteral("工衣"), QStringLiteral("借款"), QStringLiteral("实发工资") })
        table.columns.append({ caption, ExportCellType::Amount, 68 });
    if (split) {
        for (const QString& caption :
            { QStringLiteral("项目提成"), QStringLiteral("点钟加提"), QStringLiteral("提成合计") })
            table.columns.append({ caption, ExportCellType::Amount, 68 });
    }
    const int columnCount = split ? int(SalaryColumn::SplitCount) : int(SalaryColumn::Count);
    table.rowCount = rows.size();
    table.rows = [rows](const ExportTable::RowSink& sink) {
        for (const QStringList& row : rows) {
            if (!sink(row))
                break;
        }
        return QString();
    };

    table.totals = QStringList(columnCount, QString());
    table.totals[SalaryColumn::Number] = QStringLiteral("合计");
    table.totals[SalaryColumn::Name] = QStringLiteral("%1人").arg(rows.size());
    for (int column = SalaryColumn::Wage; column < columnCount; ++column) {
        Money sum;
        for (const QStringList& row : rows)
            sum += Money::fromText(row.value(column));
        table.totals[column] = sum.text();
    }
    return table;
}
