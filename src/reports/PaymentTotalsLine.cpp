#include "reports/PaymentTotalsLine.h"

#include "app/TextFormat.h"
#include "skin/PaintedText.h"

PaymentTotalsLine::PaymentTotalsLine(QWidget* parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("paymentTotals"));
    setFont(PaintedFont(13));
    setIndent(20);
}

void PaymentTotalsLine::setTotals(const std::optional<PaymentTotals>& totals)
{
    setText(totals ? text(*totals) : QString());
}

QString PaymentTotalsLine::text(const PaymentTotals& totals)
{
    QStringList parts;
    for (PaymentMethod method : PaymentMethods)
        parts << QStringLiteral("%1: %2元").arg(PaymentMethodName(method), totals.of(method).amount.text());
    if (totals.unrecorded.count > 0)
        parts << QStringLiteral("%1: %2元").arg(UnrecordedMethodName(), totals.unrecorded.amount.text());
    return parts.join(QStringLiteral("   "));
}
