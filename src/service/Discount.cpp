#include "service/Discount.h"

#include "app/Database.h"
#include "app/TypedNumber.h"

QString DiscountFactorRefusal(const QString& typed)
{
    if (!ReadTyped(typed, TypedRule::factor()).ok())
        return QStringLiteral("请输入范围在0-1之间的小数!");
    return {};
}

Decimal DiscountFactor(const QString& typed)
{
    return ReadTyped(typed, TypedRule::factor()).value;
}

Outcome<bool> MemberCardExists(Database& database, const QString& cardNumber)
{
    const SqlResult found
        = database.exec(QStringLiteral("SELECT count(*) FROM huiyeninfo WHERE str1=?"), { cardNumber });
    if (!found.ok())
        return Failure { found.error };
    return !found.isEmpty() && found.first().value(0).toInt() > 0;
}
