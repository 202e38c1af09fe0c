#include "cards/CardTexts.h"

CardTextModel::CardTextModel(const QList<ExportColumn>& columns, QObject* parent)
    : QAbstractTableModel(parent)
{
    for (const ExportColumn& column : columns) {
        m_captions << column.caption;
        m_right << (column.type == ExportCellType::Amount || column.type == ExportCellType::Integer);
    }
}

void CardTextModel::setRows(QList<QStringList> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

QStringList CardTextModel::column(int column) const
{
    QStringList texts;
    for (const QStringList& row : m_rows)
        texts << row.value(column);
    return texts;
}

int CardTextModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CardTextModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_captions.size());
}

QVariant CardTextModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_rows[index.row()].value(index.column());
    if (role == Qt::TextAlignmentRole) {
        const bool isNumber = m_right.value(index.column());
        return QVariant::fromValue(Qt::AlignVCenter | (isNumber ? Qt::AlignRight : Qt::AlignLeft));
    }
    return {};
}

QVariant CardTextModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_captions.value(section);
}

namespace CardTexts {

QList<ExportColumn> ledgerColumns()
{
    using enum ExportCellType;
    return { { QStringLiteral("流水号"), Integer, 50 }, { QStringLiteral("时间"), DateTime, 146 },
        { QStringLiteral("类型"), Text, 66 }, { QStringLiteral("本金"), Amount, 72 },
        { QStringLiteral("赠送"), Amount, 62 }, { QStringLiteral("本金余额"), Amount, 72 },
        { QStringLiteral("赠送余额"), Amount, 66 }, { QStringLiteral("单据"), Integer, 50 },
        { QStringLiteral("方式"), Text, 50 }, { QStringLiteral("收银员"), Text, 60 },
        { QStringLiteral("授权"), Text, 50 }, { QStringLiteral("备注"), Text, 160 } };
}

QStringList ledgerRow(const CardMovement& movement)
{
    return { QString::number(movement.id), movement.time, movement.kind, movement.principal.text(),
        movement.bonus.text(), movement.after.principal.text(), movement.after.bonus.text(),
        movement.receipt ? QString::number(movement.receipt) : QString(), movement.method, movement.cashier,
        movement.approver, movement.note };
}

QList<ExportColumn> totalsColumns()
{
    using enum ExportCellType;
    return { { QStringLiteral("类型"), Text, 90 }, { QStringLiteral("方式"), Text, 80 },
        { QStringLiteral("笔数"), Integer, 60 }, { QStringLiteral("本金"), Amount, 100 },
        { QStringLiteral("赠送"), Amount, 100 }, { QStringLiteral("合计"), Amount, 100 } };
}

QStringList totalsRow(const CardMovementTotal& total)
{
    return { total.kind, total.method, QString::number(total.movements), total.principal.text(), total.bonus.text(),
        (total.principal + total.bonus).text() };
}

QStringList captionsOf(const QList<ExportColumn>& columns)
{
    QStringList captions;
    for (const ExportColumn& column : columns)
        captions << column.caption;
    return captions;
}

ExportTable exportTable(const QString& sheetName, const QString& title, const QList<ExportColumn>& columns,
    const QList<QStringList>& rows, const QStringList& totals)
{
    ExportTable table;
    table.sheetName = sheetName;
    table.title = title;
    table.columns = columns;
    table.rowCount = rows.size();
    table.totals = totals;
    table.rows = [rows](const ExportTable::RowSink& sink) {
        for (const QStringList& row : rows) {
            if (!sink(row))
                break;
        }
        return QString();
    };
    return table;
}

PageDrawing slipDrawing(const TopUpSlip& slip)
{
    PageDrawing drawing;
    const QFont heading = PageDrawing::font(18);
    const QFont body = PageDrawing::font(13);
    qreal y = 8;
    drawing.addText(10, y, slip.house, heading);
    y += 28;
    drawing.addText(10, y, QStringLiteral("会员充值单"), heading);
    y += 30;
    drawing.addLine(6, y, SlipWindow.width() - 6, y);
    y += 8;
    const QStringList lines = slip.lines();
    // The house and the caption are drawn above; the rest line by line.
    for (qsizetype i = 2; i < lines.size(); ++i) {
        if (lines[i].startsWith(QStringLiteral("卡内本金")) || lines[i].startsWith(QStringLiteral("收银员"))) {
            drawing.addLine(6, y + 2, SlipWindow.width() - 6, y + 2);
            y += 8;
        }
        drawing.addText(10, y, lines[i], body);
        y += 24;
    }
    return drawing;
}

QList<PageDrawing> statementPages(
    const QString& house, const CardAccount& account, const QList<CardMovement>& movements, const QString& printedAt)
{
    QList<PageDrawing> pages;
    const QFont heading = PageDrawing::font(22, 110);
    const QFont title = PageDrawing::font(16);
    const QFont body = PageDrawing::font(12);
    const int columns[] = { 20, 70, 230, 320, 420, 510, 610 };
    const QStringList captions { QStringLiteral("流水号"), QStringLiteral("时间"), QStringLiteral("类型"),
        QStringLiteral("本金"), QStringLiteral("赠送"), QStringLiteral("余额"), QStringLiteral("单据") };
    const qsizetype count
        = std::max<qsizetype>(1, (movements.size() + StatementRowsPerPage - 1) / StatementRowsPerPage);
    for (qsizetype page = 0; page < count; ++page) {
        PageDrawing drawing;
        drawing.addText(20, 10, house, heading);
        drawing.addText(20, 44,
            QStringLiteral("会员卡对帐单  卡号:%1  会员:%2  状态:%3")
                .arg(account.card, account.member, CardStateText(account.state)),
            title);
        drawing.addText(20, 70,
            QStringLiteral("本金 %1  赠送 %2  余额 %3    打印时间:%4    第%5/%6页")
                .arg(account.balance.principal.text(), account.balance.bonus.text(), account.balance.total().text(),
                    printedAt)
                .arg(page + 1)
                .arg(count),
            body);
        qreal y = 96;
        drawing.addLine(16, y, 780, y);
        for (int i = 0; i < captions.size(); ++i)
            drawing.addText(columns[i], y + 4, captions[i], body);
        y += 24;
        drawing.addLine(16, y, 780, y);
        y += 4;
        for (qsizetype row = page * StatementRowsPerPage;
             row < std::min<qsizetype>(movements.size(), (page + 1) * StatementRowsPerPage); ++row) {
            const CardMovement& movement = movements[row];
            const QStringList texts { QString::number(movement.id), movement.time, movement.kind,
                movement.principal.text(), movement.bonus.text(), movement.after.total().text(),
                movement.receipt ? QString::number(movement.receipt) : QString() };
            for (int i = 0; i < texts.size(); ++i)
                drawing.addText(columns[i], y, texts[i], body);
            y += 20;
        }
        drawing.addLine(16, y + 2, 780, y + 2);
        pages << drawing;
    }
    return pages;
}

} // namespace CardTexts
