#include "users/OperatorLogFilter.h"

#include "app/TextFormat.h"
#include "users/Roles.h"

#include <QDateTime>

namespace {

enum Column { Time, Kind, Login, Role, Authoriser, AuthoriserRole, Room, Receipt, Description, Amount };

} // namespace

QString OperatorLogFilter::sql() const
{
    // Stamps are "yyyy-MM-dd HH:mm:ss" texts, which compare in time order.
    QString condition = QStringLiteral("time>=? AND time<=?");
    if (!login.isEmpty())
        condition += QStringLiteral(" AND login=?");
    if (!kind.isEmpty())
        condition += QStringLiteral(" AND kind=?");
    return condition;
}

QVariantList OperatorLogFilter::values() const
{
    QVariantList values { DateTimeText(QDateTime(firstDay, QTime(0, 0))),
        DateTimeText(QDateTime(lastDay, QTime(23, 59, 59))) };
    if (!login.isEmpty())
        values << login;
    if (!kind.isEmpty())
        values << kind;
    return values;
}

QStringList OperatorLogColumns()
{
    return { QStringLiteral("time"), QStringLiteral("kind"), QStringLiteral("login"), QStringLiteral("role"),
        QStringLiteral("authoriser"), QStringLiteral("authoriser_role"), QStringLiteral("room"),
        QStringLiteral("receipt"), QStringLiteral("description"), QStringLiteral("amount") };
}

QStringList OperatorLogCaptions()
{
    return { QStringLiteral("时间"), QStringLiteral("类别"), QStringLiteral("帐号"), QStringLiteral("权限"),
        QStringLiteral("授权人"), QStringLiteral("授权人权限"), QStringLiteral("房间号"), QStringLiteral("单据编号"),
        QStringLiteral("说明"), QStringLiteral("金额") };
}

QString OperatorLogCellText(int column, const QString& stored)
{
    switch (column) {
    case Login:
        return stored.isEmpty() ? QStringLiteral("未登录") : stored;
    case Role:
    case AuthoriserRole:
        return RoleName(stored.toInt());
    case Receipt:
        return stored == u"0" ? QString() : stored;
    default:
        return stored;
    }
}
