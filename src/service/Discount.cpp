#include "service/Discount.h"

#include "app/Database.h"

QString DiscountFactorRefusal(double factor)
{
    // Written as "not within" so that a value that is not a number is refused as well.
    if (!(factor > 0.0 && factor <= 1.0))
        return QStringLiteral("请输入范围在0-1之间的小数!");
    return {};
}

Outcome<bool> MemberCardExists(Database& database, const QString& cardNumber)
{
    const SqlResult found
        = database.exec(QStringLiteral("SELECT count(*) FROM huiyeninfo WHERE str1=?"), { cardNumber });
    if (!found.ok())
        return Failure { found.error };
    return !found.isEmpty() && found.first().value(0).toInt() > 0;
}
