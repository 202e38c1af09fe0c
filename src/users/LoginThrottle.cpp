#include "users/LoginThrottle.h"

#include "app/Database.h"
#include "app/TextFormat.h"

#include <QList>

LoginThrottle::LoginThrottle(Database& database)
    : m_database(database)
{ }

Outcome<qint64> LoginThrottle::waitSeconds(int role, const QString& login, const QDateTime& now) const
{
    // The failures of the account, newest first; the run of them that matters is the one whose
    // newest is less than a window ago, each within a window of the next.
    QList<QDateTime> failures;
    const QString error = m_database.readRows(
        QStringLiteral("SELECT time FROM login_failure WHERE role=? AND login=? ORDER BY time DESC LIMIT ?"),
        { role, login, FreeAttempts + 16 }, [&failures](const QSqlQuery& row) {
            failures << QDateTime::fromString(row.value(0).toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            return true;
        });
    if (!error.isEmpty())
        return Failure { error };
    int run = 0;
    QDateTime later = now;
    for (const QDateTime& failure : std::as_const(failures)) {
        if (!failure.isValid() || failure.secsTo(later) > WindowSeconds)
            break;
        ++run;
        later = failure;
    }
    if (run < FreeAttempts)
        return qint64(0);
    const qint64 wait = std::min(LongestWaitSeconds, FirstWaitSeconds << std::min(run - FreeAttempts, 10));
    return std::max<qint64>(0, wait - failures.first().secsTo(now));
}

QString LoginThrottle::addFailure(int role, const QString& login, const QDateTime& now)
{
    const QString error
        = m_database.exec(QStringLiteral("DELETE FROM login_failure WHERE time<?"), { DateTimeText(now.addDays(-1)) })
              .error;
    if (!error.isEmpty())
        return error;
    return m_database
        .exec(QStringLiteral("INSERT INTO login_failure (role, login, time) VALUES (?, ?, ?)"),
            { role, login, DateTimeText(now) })
        .error;
}

QString LoginThrottle::clear(int role, const QString& login)
{
    return m_database.exec(QStringLiteral("DELETE FROM login_failure WHERE role=? AND login=?"), { role, login }).error;
}

QString LoginThrottle::waitText(qint64 seconds)
{
    const QString wait
        = seconds >= 120 ? QStringLiteral("%1分钟").arg((seconds + 59) / 60) : QStringLiteral("%1秒").arg(seconds);
    return QStringLiteral("这个帐号登录失败次数过多,请等待%1后再试。").arg(wait);
}
