#pragma once

#include <QList>
#include <QString>

// The three record tables the business queries list: the receipts settled at checkout, the
// technicians' services on them and the goods sold on them.
enum class RecordKind {
    Receipts = 0, // Receiptform
    TechnicianServices = 1, // salaryform
    GoodsSales = 2, // spsalay
};

// One column of a query list: its caption, the table column it shows and its width in pixels.
struct QueryColumn
{
    QString caption;
    QString name;
    int width = 68;
};

// What a query window shows of one kind: the table, the window's caption and the columns.
// The totals under the list add list column 1 (the amount) as a real number and columns 4, 5
// and 6 as whole numbers, as far as the kind has sums (summedColumns: 3, 2 or 1 of them).
struct RecordKindLayout
{
    QString table;
    QString caption;
    QList<QueryColumn> columns;
    int summedColumns = 0;

    static constexpr int AmountColumn = 1;
    static constexpr int FirstSummedColumn = 4;

    static const RecordKindLayout& of(RecordKind kind);

    QStringList captions() const;
    QStringList columnNames() const;
    QList<int> widths() const;
};
