#include "service/RoomServiceActions.h"

#include "app/SqlTransaction.h"
#include "desk/DeskSession.h"

RoomServiceActions::RoomServiceActions(Database& database, DeskSession& session)
    : m_database(database)
    , m_session(session)
{ }

Outcome<> RoomServiceActions::withLines(
    const QString& room, const QList<TechnicianLine>& lines, const std::function<Outcome<>()>& change)
{
    SqlTransaction transaction(m_database);
    if (!transaction.isActive())
        return Failure { transaction.error() };
    if (m_session.roomState(room) == RoomState::InService) {
        if (const Outcome<> kept = m_session.replaceTechnicians(room, lines); !kept)
            return kept;
    }
    if (change) {
        if (const Outcome<> changed = change(); !changed)
            return changed;
    }
    if (!transaction.commit())
        return Failure { transaction.error() };
    return {};
}

Outcome<> RoomServiceActions::addTechnician(
    const QString& room, const QString& number, const QList<TechnicianLine>& lines)
{
    return withLines(room, lines, [this, &number] { return m_session.moveToWorking(number); });
}

Outcome<> RoomServiceActions::removeTechnician(
    const QString& room, const TechnicianLine& removed, const QList<TechnicianLine>& lines)
{
    if (removed.released)
        return withLines(room, lines, {});
    return withLines(room, lines, [this, &removed] { return m_session.returnToIdleHead(removed.number); });
}

Outcome<> RoomServiceActions::releaseTechnician(
    const QString& room, const QString& number, const QList<TechnicianLine>& lines)
{
    return withLines(room, lines, [this, &number] { return m_session.moveToIdle(number); });
}

Outcome<> RoomServiceActions::keepCheckoutLines(const QString& room, const QList<TechnicianLine>& lines)
{
    return withLines(room, lines, {});
}

Outcome<> RoomServiceActions::endStay(const QString& room, const QStringList& unbilled)
{
    SqlTransaction transaction(m_database);
    if (!transaction.isActive())
        return Failure { transaction.error() };
    if (const Outcome<> closed = m_session.closeRoom(room); !closed)
        return closed;
    for (const QString& number : unbilled) {
        if (const Outcome<> returned = m_session.moveToIdle(number); !returned)
            return returned;
    }
    if (!transaction.commit())
        return Failure { transaction.error() };
    return {};
}
