#pragma once

#include "app/Money.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// How a guest paid a bill. The receipt keeps the method's name (Receiptform.paymethod); its
// pay type stays "普通" or the member card number, as before, so that every earlier reader of
// the receipts reads them as it always did.
enum class PaymentMethod { Cash, WeChat, Alipay, BankCard, MemberCard };

inline constexpr int PaymentMethodCount = 5;
inline constexpr std::array<PaymentMethod, PaymentMethodCount> PaymentMethods { PaymentMethod::Cash,
    PaymentMethod::WeChat, PaymentMethod::Alipay, PaymentMethod::BankCard, PaymentMethod::MemberCard };

// "现金", "微信", "支付宝", "银行卡", "会员卡": the text stored and shown.
QString PaymentMethodName(PaymentMethod method);
// The method of a stored name; nothing for receipts settled before methods were recorded (an
// empty name) and for any other text.
std::optional<PaymentMethod> PaymentMethodFromName(const QString& name);
// What the totals call receipts without a method: "未记录".
QString UnrecordedMethodName();
// The method a receipt paid in several parts names (组合支付): the parts themselves, each with
// one of the methods above, are kept beside it.
QString SplitPaymentName();

// One part of a bill's payment: how much was paid which way; a part paid from a member card
// names the card.
struct PaymentPart
{
    PaymentMethod method = PaymentMethod::Cash;
    Money amount;
    QString card;

    friend bool operator==(const PaymentPart&, const PaymentPart&) = default;
};

// What one payment method took: the receipts and their amount.
struct MethodTotal
{
    qint64 count = 0;
    Money amount;

    friend bool operator==(const MethodTotal&, const MethodTotal&) = default;
};

// The takings of a list of receipts by payment method, with those that have none (settled
// before methods were recorded) apart.
struct PaymentTotals
{
    std::array<MethodTotal, PaymentMethodCount> methods {};
    MethodTotal unrecorded;

    const MethodTotal& of(PaymentMethod method) const { return methods[size_t(method)]; }
    MethodTotal& of(PaymentMethod method) { return methods[size_t(method)]; }

    friend bool operator==(const PaymentTotals&, const PaymentTotals&) = default;
};
