#pragma once

#include "app/Money.h"
#include "cards/CardDesk.h"
#include "cards/CardLedger.h"
#include "printing/PageDrawing.h"
#include "printing/TableExport.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>

// What the card windows list, print and export, as plain texts: the same rows fill a list on
// the screen, a page for the guest and a workbook.

// A list of texts under captions, for a view.
class CardTextModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // Amounts and counts stand right, as the desk's other lists show them.
    explicit CardTextModel(const QList<ExportColumn>& columns, QObject* parent = nullptr);

    void setRows(QList<QStringList> rows);
    const QList<QStringList>& rowTexts() const { return m_rows; }
    const QStringList& captions() const { return m_captions; }
    // The texts of one column, top to bottom.
    QStringList column(int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QStringList m_captions;
    QList<bool> m_right;
    QList<QStringList> m_rows;
};

namespace CardTexts {

// The card's ledger: 流水号, 时间, 类型, 本金, 赠送, 本金余额, 赠送余额, 单据, 方式, 收银员, 授权, 备注.
QList<ExportColumn> ledgerColumns();
QStringList ledgerRow(const CardMovement& movement);
// The 会员充值表 of a period: per kind and method, how many, principal, bonus, in all.
QList<ExportColumn> totalsColumns();
QStringList totalsRow(const CardMovementTotal& total);
QStringList captionsOf(const QList<ExportColumn>& columns);

// A table of rows already read, for TableExport.
ExportTable exportTable(const QString& sheetName, const QString& title, const QList<ExportColumn>& columns,
    const QList<QStringList>& rows, const QStringList& totals = {});

// The top-up slip as a small page (80 mm wide), and the card's statement for the guest, one
// drawing per page.
PageDrawing slipDrawing(const TopUpSlip& slip);
inline constexpr QSize SlipWindow { 302, 520 };
QList<PageDrawing> statementPages(
    const QString& house, const CardAccount& account, const QList<CardMovement>& movements, const QString& printedAt);
inline constexpr int StatementRowsPerPage = 20;

} // namespace CardTexts
