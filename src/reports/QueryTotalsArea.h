#pragma once

#include "reports/QueryTotals.h"
#include "reports/RecordKind.h"

#include <QList>
#include <QPoint>
#include <QWidget>

#include <optional>

// The totals painted under a query list: the record count and the amount, a rule, the sums of
// the kind (clocks and pedicures, or the quantity of goods) and a closing rule, in the 13-pixel
// 宋体 at fixed places. While the totals are being read it says so.
class QueryTotalsArea : public QWidget
{
    Q_OBJECT

public:
    struct Text
    {
        QPoint topLeft;
        QString text;
    };

    explicit QueryTotalsArea(RecordKind kind, QWidget* parent = nullptr);

    // Nothing while the totals are being read.
    void setTotals(const std::optional<QueryTotals>& totals);
    // What the area paints, left to right and top to bottom.
    QList<Text> texts() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    RecordKind m_kind;
    std::optional<QueryTotals> m_totals;
};
