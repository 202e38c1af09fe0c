#include "service/RoomServiceActions.h"

#include "app/SqlTransaction.h"
#include "desk/DeskSession.h"
#include "service/Bill.h"
#include "service/BillReduction.h"

#include <algorithm>

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
    // The line added stands on top; a 点钟 keeps its turn as the house's rule says.
    const auto added = std::find_if(
        lines.cbegin(), lines.cend(), [&number](const TechnicianLine& line) { return line.number == number; });
    const bool requested = added != lines.cend() && added->requested;
    return withLines(room, lines, [this, &number, requested] { return m_session.moveToWorking(number, requested); });
}

Outcome<> RoomServiceActions::loggingReduction(const QString& room, const std::optional<ServiceSettings>& prices,
    const Authoriser& approver, const std::function<Outcome<>()>& change, const ItemTerms& terms)
{
    SqlTransaction transaction(m_database);
    if (!transaction.isActive())
        return Failure { transaction.error() };
    const std::optional<OpenBill> before = m_session.stagedBill(room);
    if (const Outcome<> changed = change(); !changed)
        return changed;
    const std::optional<OpenBill> after = m_session.stagedBill(room);
    if (before && after) {
        if (const std::optional<LogEntry> entry = BillReductionEntry(room, *before, *after, prices, approver, terms)) {
            if (const QString error = OperatorLog(m_database, m_session).write(*entry); !error.isEmpty())
                return Failure { error };
        }
    }
    if (!transaction.commit())
        return Failure { transaction.error() };
    return {};
}

Outcome<> RoomServiceActions::removeTechnician(const QString& room, const TechnicianLine& removed,
    const QList<TechnicianLine>& lines, const std::optional<ServiceSettings>& prices, const Authoriser& approver)
{
    return loggingReduction(room, prices, approver, [&]() -> Outcome<> {
        if (removed.released)
            return withLines(room, lines, {});
        return withLines(
            room, lines, [this, &removed] { return m_session.returnToIdleHead(removed.number, removed.requested); });
    });
}

Outcome<> RoomServiceActions::setCount(const QString& room, BillCount count, int value,
    const std::optional<ServiceSettings>& prices, const Authoriser& approver)
{
    return loggingReduction(room, prices, approver, [&] { return m_session.setCount(room, count, value); });
}

Outcome<> RoomServiceActions::replaceBill(
    const QString& room, const OpenBill& bill, const std::optional<ServiceSettings>& prices, const Authoriser& approver)
{
    return loggingReduction(room, prices, approver, [&] { return m_session.replaceBill(room, bill); });
}

Outcome<> RoomServiceActions::addItem(const QString& room, const ItemLine& line, const QString& technicianName)
{
    return m_session.addItem(room, line, technicianName);
}

Outcome<> RoomServiceActions::removeItem(const QString& room, int line, const std::optional<ServiceSettings>& prices,
    const ItemTerms& terms, const Authoriser& approver)
{
    return loggingReduction(
        room, prices, approver, [&] { return m_session.removeItem(room, line); }, terms);
}

std::optional<LogEntry> RoomServiceActions::reduction(const QString& room, const std::function<void(OpenBill&)>& change,
    const std::optional<ServiceSettings>& prices) const
{
    const std::optional<OpenBill> before = m_session.bill(room);
    if (!before)
        return std::nullopt;
    OpenBill after = *before;
    change(after);
    return BillReductionEntry(room, *before, after, prices);
}

Outcome<> RoomServiceActions::releaseTechnician(
    const QString& room, const QString& number, const QList<TechnicianLine>& lines)
{
    return withLines(room, lines, [this, &room, &number]() -> Outcome<> {
        if (const Outcome<> moved = m_session.moveToIdle(number); !moved)
            return moved;
        const LogEntry entry {
            .kind = LogKind::Release, .description = QStringLiteral("%1号房技师%2下钟").arg(room, number), .room = room
        };
        if (const QString error = OperatorLog(m_database, m_session).write(entry); !error.isEmpty())
            return Failure { error };
        return {};
    });
}

Outcome<> RoomServiceActions::keepCheckoutLines(const QString& room, const QList<TechnicianLine>& lines)
{
    return withLines(room, lines, {});
}

Outcome<> RoomServiceActions::endStay(
    const QString& room, const QStringList& unbilled, const std::optional<LogEntry>& voided)
{
    SqlTransaction transaction(m_database);
    if (!transaction.isActive())
        return Failure { transaction.error() };
    if (voided) {
        if (const QString error = OperatorLog(m_database, m_session).write(*voided); !error.isEmpty())
            return Failure { error };
    }
    if (const Outcome<> closed = m_session.closeRoom(room); !closed)
        return closed;
    // A room without a bill keeps no 点钟 marks: one of its technicians who stands in both
    // lists kept her place while she served it.
    for (const QString& number : unbilled) {
        if (const Outcome<> returned = m_session.moveToIdle(number, true); !returned)
            return returned;
    }
    if (!transaction.commit())
        return Failure { transaction.error() };
    return {};
}

LogEntry RoomServiceActions::voidEntry(const QString& room, const QStringList& unbilled, const Authoriser& approver,
    const std::optional<ServiceSettings>& prices) const
{
    QStringList held;
    QString amount;
    const std::optional<OpenBill> bill = m_session.bill(room);
    if (bill) {
        QStringList counts;
        if (bill->massageClocks != 0)
            counts << QStringLiteral("按摩%1钟").arg(bill->massageClocks);
        if (bill->footWashClocks != 0)
            counts << QStringLiteral("洗脚%1钟").arg(bill->footWashClocks);
        if (bill->pedicureCount != 0)
            counts << QStringLiteral("修脚%1人次").arg(bill->pedicureCount);
        if (!counts.isEmpty())
            held << counts.join(u' ');
    }
    QStringList technicians;
    for (const TechnicianLine& line : bill ? bill->technicians : QList<TechnicianLine>())
        technicians << line.number;
    technicians += unbilled;
    if (!technicians.isEmpty())
        held << QStringLiteral("技师") + technicians.join(u' ');
    if (bill) {
        QStringList goods;
        for (const GoodsLine& line : bill->goods)
            goods << QStringLiteral("%1%2%3").arg(line.name).arg(line.quantity).arg(line.unit);
        if (!goods.isEmpty())
            held << goods.join(u' ');
        if (prices && prices->complete)
            amount = Bill::price(&*bill, *prices, Decimal::whole(1)).total;
    }
    const QString description = QStringLiteral("作废%1号房的单据").arg(room)
        + (held.isEmpty() ? QString() : QStringLiteral(":") + held.join(QStringLiteral("; ")));
    return {
        .kind = LogKind::Void, .description = description, .amount = amount, .room = room, .authoriser = approver
    };
}
