#include "desk/OperatorLog.h"

#include "app/Clock.h"
#include "app/Database.h"
#include "app/RecordChain.h"
#include "app/SqlTransaction.h"
#include "app/TextFormat.h"
#include "desk/DeskSession.h"

QStringList LogKind::all()
{
    return { Login, FailedLogin, Settlement, Discount, Void, Reduction, Release, Reprint, HandOver, Prices,
        CommissionFormula, Permissions, Accounts, Backup, Restore, MoveGuest, ReplaceTechnician, Waiver, TopUp,
        MemberCards, TopUpRules, CashDrawer };
}

OperatorLog::OperatorLog(Database& database, const DeskSession& session)
    : m_database(database)
    , m_session(session)
{ }

QString OperatorLog::write(std::span<const LogEntry> entries, std::span<const RecordChain::Position> alongside)
{
    // The rows and their links are stored together. The rows' ids are not waited for: their
    // links' read finds each row counting back from the id the last insert gave.
    SqlTransaction transaction(m_database);
    if (!transaction.isActive())
        return transaction.error();
    const UserSession& user = m_session.userSession();
    const QString now = DateTimeText(m_session.clock().now());
    QList<RecordChain::Position> linked(alongside.begin(), alongside.end());
    for (qsizetype index = 0; index < qsizetype(entries.size()); ++index) {
        const LogEntry& entry = entries[index];
        if (const QString error = m_database.execLater(
                QStringLiteral("INSERT INTO operator_log (time, kind, login, role, authoriser, authoriser_role, "
                               "room, receipt, description, amount) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                { now, entry.kind, user.login, user.login.isEmpty() ? -1 : user.role, entry.authoriser.login,
                    entry.authoriser.isPresent() ? entry.authoriser.role : -1, entry.room, entry.receipt,
                    entry.description, entry.amount });
            !error.isEmpty())
            return error;
        linked.append({ RecordChain::Chain::OperatorLog, RecordChain::JustWritten,
            static_cast<int>(qsizetype(entries.size()) - 1 - index) });
    }
    QString error = RecordChain::link(m_database, linked);
    if (error.isEmpty() && !transaction.commit())
        error = transaction.error();
    return error;
}

Outcome<> OperatorLog::record(const LogEntry& entry, const std::function<Outcome<>()>& action)
{
    return record([&]() -> Outcome<LogEntry> {
        if (const Outcome<> done = action(); !done)
            return done.setback<LogEntry>();
        return entry;
    });
}

Outcome<> OperatorLog::record(const std::function<Outcome<LogEntry>()>& action)
{
    SqlTransaction transaction(m_database);
    if (!transaction.isActive())
        return Failure { transaction.error() };
    const Outcome<LogEntry> done = action();
    if (!done)
        return done.setback<void>();
    if (const QString error = write(done.value()); !error.isEmpty())
        return Failure { error };
    if (!transaction.commit())
        return Failure { transaction.error() };
    return {};
}
