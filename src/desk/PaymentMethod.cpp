#include "desk/PaymentMethod.h"

namespace {

const QStringList Names { QStringLiteral("现金"), QStringLiteral("微信"), QStringLiteral("支付宝"),
    QStringLiteral("银行卡"), QStringLiteral("会员卡") };

} // namespace

QString PaymentMethodName(PaymentMethod method)
{
    return Names[int(method)];
}

std::optional<PaymentMethod> PaymentMethodFromName(const QString& name)
{
    const qsizetype index = Names.indexOf(name);
    if (index < 0)
        return std::nullopt;
    return PaymentMethod(index);
}

QString UnrecordedMethodName()
{
    return QStringLiteral("未记录");
}

QString SplitPaymentName()
{
    return QStringLiteral("组合支付");
}
