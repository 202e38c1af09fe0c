#include "app/CardBalanceProof.h"

#include "app/Database.h"
#include "app/Money.h"
#include "app/SqlDialect.h"

#include <QSqlError>
#include <QSqlQuery>

QStringList CardBalanceDifferences(const QSqlDatabase& connection, QString* error)
{
    QStringList lines;
    {
        QSqlQuery present(connection);
        if (!present.prepare(SqlDialect::of(connection).tablesNamed())) {
            *error = DatabaseErrorText(present.lastError());
            return lines;
        }
        present.addBindValue(QStringLiteral("member_card"));
        if (!present.exec() || !present.next()) {
            *error = DatabaseErrorText(present.lastError());
            return lines;
        }
        if (present.value(0).toInt() == 0)
            return lines;
    }
    // Each card's rows added up, beside the balance its card row caches; a card with rows and
    // no card row caches nothing.
    const QString sums
        = QStringLiteral("SELECT card, sum(principal_fen) AS principal, sum(bonus_fen) AS bonus FROM card_ledger "
                         "GROUP BY card");
    const QString sql = QStringLiteral(
        "SELECT c.card, c.principal_fen, c.bonus_fen, coalesce(l.principal, 0), coalesce(l.bonus, 0) "
        "FROM member_card c LEFT JOIN (%1) AS l ON l.card=c.card "
        "WHERE c.principal_fen<>coalesce(l.principal, 0) OR c.bonus_fen<>coalesce(l.bonus, 0) "
        "OR c.principal_fen<0 OR c.bonus_fen<0 "
        "UNION ALL SELECT l.card, 0, 0, l.principal, l.bonus FROM (%1) AS l "
        "WHERE NOT EXISTS (SELECT 1 FROM member_card WHERE card=l.card) AND (l.principal<>0 OR l.bonus<>0) "
        "ORDER BY 1")
                            .arg(sums);
    QSqlQuery query(connection);
    query.setForwardOnly(true);
    if (!query.prepare(sql) || !query.exec()) {
        *error = DatabaseErrorText(query.lastError());
        return lines;
    }
    constexpr int Shown = 5;
    int count = 0;
    while (query.next()) {
        if (++count > Shown)
            continue;
        const auto yuan = [&query](int column) { return Money::fromFen(query.value(column).toLongLong()).text(); };
        lines << QStringLiteral("会员卡%1的余额与流水不符: 余额本金 %2、赠送 %3,流水合计本金 %4、赠送 %5")
                     .arg(query.value(0).toString(), yuan(1), yuan(2), yuan(3), yuan(4));
    }
    if (query.lastError().isValid()) {
        *error = DatabaseErrorText(query.lastError());
        return lines;
    }
    if (count > Shown)
        lines << QStringLiteral("另有 %1 张会员卡的余额与流水不符").arg(count - Shown);
    return lines;
}
