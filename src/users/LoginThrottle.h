#pragma once

#include "app/Outcome.h"

#include <QDateTime>
#include <QString>

class Database;

// Guessing passwords at the login is slowed down per account: after FreeAttempts failed
// logins of one account, each less than Window after the one before, that account waits before
// it may try again, and each further failure doubles the wait (up to LongestWait). The
// account is counted by the role and the login as typed, whether it exists or not, so that
// the wait tells nobody which accounts exist. A successful login ends the count. The failures
// are kept in the table login_failure, so a restarted desk keeps counting.
class LoginThrottle
{
public:
    static constexpr int FreeAttempts = 5;
    static constexpr qint64 WindowSeconds = 10 * 60;
    static constexpr qint64 FirstWaitSeconds = 30;
    static constexpr qint64 LongestWaitSeconds = 10 * 60;

    explicit LoginThrottle(Database& database);

    // How many seconds the account must still wait at `now`; 0 when it may try.
    Outcome<qint64> waitSeconds(int role, const QString& login, const QDateTime& now) const;
    // A failed login at `now`, in the caller's transaction. Returns the error text.
    QString addFailure(int role, const QString& login, const QDateTime& now);
    // A successful login: the count starts again. Returns the error text.
    QString clear(int role, const QString& login);

    // What the login tells a waiting account: "登录失败次数过多,请等待N秒后再试。" (or minutes).
    static QString waitText(qint64 seconds);

private:
    Database& m_database;
};
