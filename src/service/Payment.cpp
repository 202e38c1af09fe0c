#include "service/Payment.h"

#include <algorithm>

Money RoundedOff(WaiverKind kind, Money total)
{
    if (total.isNegative())
        return {};
    switch (kind) {
    case WaiverKind::ToYuan:
        return Money::fromFen(total.fen() % 100);
    case WaiverKind::ToJiao:
        return Money::fromFen(total.fen() % 10);
    case WaiverKind::None:
    case WaiverKind::Amount:
        break;
    }
    return {};
}

QString WaiverRefusal(Money waived, Money total)
{
    if (waived.isNegative())
        return QStringLiteral("抹零金额不能小于0!");
    if (waived > total)
        return QStringLiteral("抹零金额不能大于应收金额%1元!").arg(total.text());
    return {};
}

QString PaymentPartsRefusal(const QList<PaymentPart>& parts, Money payable)
{
    if (parts.isEmpty())
        return QStringLiteral("请输入付款金额!");
    Money sum;
    int cards = 0;
    for (const PaymentPart& part : parts) {
        if (part.amount <= Money())
            return QStringLiteral("%1付款金额必须大于0!").arg(PaymentMethodName(part.method));
        if (part.method == PaymentMethod::MemberCard) {
            if (part.card.trimmed().isEmpty())
                return MemberCardFirstText;
            ++cards;
        }
        sum += part.amount;
    }
    if (cards > 1)
        return QStringLiteral("一张单据只能用一张会员卡付款!");
    if (sum != payable)
        return QStringLiteral("付款金额合计%1元,与应收金额%2元不符!").arg(sum.text(), payable.text());
    return {};
}

QList<PaymentPart> PaymentPartsOrWhole(
    const QList<PaymentPart>& parts, PaymentMethod method, const QString& card, Money payable)
{
    if (!parts.isEmpty())
        return parts;
    return { PaymentPart { method, payable, method == PaymentMethod::MemberCard ? card : QString() } };
}

QString ReceiptMethodName(const QList<PaymentPart>& parts)
{
    return parts.size() == 1 ? PaymentMethodName(parts.first().method) : SplitPaymentName();
}

bool PaidInCash(const QList<PaymentPart>& parts)
{
    return std::any_of(parts.cbegin(), parts.cend(),
        [](const PaymentPart& part) { return part.method == PaymentMethod::Cash && part.amount > Money(); });
}
