#pragma once

#include "desk/PaymentMethod.h"

#include <QLabel>

#include <optional>

// The takings per payment method under the receipts list, in one line: "现金: 100.00元
// 微信: …", with the receipts settled before methods were recorded as "未记录" when there are
// any. While the totals are being read it shows nothing.
class PaymentTotalsLine : public QLabel
{
    Q_OBJECT

public:
    explicit PaymentTotalsLine(QWidget* parent = nullptr);

    void setTotals(const std::optional<PaymentTotals>& totals);

    static QString text(const PaymentTotals& totals);
};
