#pragma once

#include "app/Money.h"
#include "desk/PaymentMethod.h"

#include <QList>
#include <QString>

// How checkout rounds a bill's total off at the cashier's word (抹零).
enum class WaiverKind {
    None,
    ToYuan, // "抹到元": the jiao and fen go
    ToJiao, // "抹到角": the fen go
    Amount, // a small amount typed by the cashier
};

// What rounding `total` down by `kind` waives; 0 for None and Amount.
Money RoundedOff(WaiverKind kind, Money total);
// Why `waived` cannot be waived of `total`; empty when it can.
QString WaiverRefusal(Money waived, Money total);
// A waiver above the limit (%1) that nobody above a cashier approved.
inline const QString WaiverApprovalText = QStringLiteral("抹零超过%1元,须经理授权!");
// Whether waiving `waived` needs a manager: it is more than the house's limit.
inline bool WaiverNeedsApproval(Money waived, Money limit)
{
    return waived > limit;
}

// A 会员卡 payment without the card given at "打折".
inline const QString MemberCardFirstText = QStringLiteral("会员卡付款请先按“打折”输入会员卡号!");

// Why a bill of `payable` cannot be paid by `parts` (组合支付): a part that is not more than 0,
// parts that do not add up to the amount payable, a 会员卡 part without a card or two cards.
// Empty when they pay it exactly.
QString PaymentPartsRefusal(const QList<PaymentPart>& parts, Money payable);

// The parts a bill of `payable` is paid with: `parts` when given, else the whole by `method`
// (from `card` for 会员卡).
QList<PaymentPart> PaymentPartsOrWhole(
    const QList<PaymentPart>& parts, PaymentMethod method, const QString& card, Money payable);

// The method a receipt's own row names: the one way it was paid, or 组合支付.
QString ReceiptMethodName(const QList<PaymentPart>& parts);
// Whether some of `parts` was paid in cash (the drawer opens for it).
bool PaidInCash(const QList<PaymentPart>& parts);
