#pragma once

#include "app/Outcome.h"
#include "desk/DeskSession.h"
#include "desk/OpenBill.h"
#include "desk/OperatorLog.h"
#include "service/Bill.h"
#include "service/ServiceSettings.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class Database;
class DeskSession;

// The changes that room service and checkout make to a room at once, each stored as one
// action through the desk session, so that a crash right after it finds the room's bill and
// both technician queues as the desk left them.
//
// `lines` is always the room's technician list as the dialog shows it after the change, top
// first: a room with an open bill keeps exactly those lines. A room going into service for
// the first time has no bill until its dialog ends with "确定"; its technicians then change
// only the queues.
class RoomServiceActions
{
public:
    RoomServiceActions(Database& database, DeskSession& session);

    // "添加": the technician leaves the idle queue for the tail of the working list; a 点钟
    // (his line in `lines` marked requested) keeps his place in it as the house's rule says.
    Outcome<> addTechnician(const QString& room, const QString& number, const QList<TechnicianLine>& lines);
    // "删除": the technician goes back to the head of the idle queue, keeping his turn, and
    // leaves the working list. One released at checkout stands in the idle queue already. A
    // line of an open bill that goes is logged (see BillReduction.h) with `approver`.
    Outcome<> removeTechnician(const QString& room, const TechnicianLine& removed, const QList<TechnicianLine>& lines,
        const std::optional<ServiceSettings>& prices = {}, const Authoriser& approver = {});
    // A count of the open bill chosen from its list; the bill as the dialog shows it at "确定".
    // Whatever either takes off the stored bill is logged with it, in one transaction.
    Outcome<> setCount(const QString& room, BillCount count, int value, const std::optional<ServiceSettings>& prices,
        const Authoriser& approver = {});
    Outcome<> replaceBill(const QString& room, const OpenBill& bill, const std::optional<ServiceSettings>& prices,
        const Authoriser& approver = {});
    // The log row of changing the room's stored bill to `after` (the room's lines changed by
    // `change`), when that takes something off it; nothing for a room without a bill.
    std::optional<LogEntry> reduction(const QString& room, const std::function<void(OpenBill&)>& change,
        const std::optional<ServiceSettings>& prices) const;
    // An item line of the menu joins the room's bill (see DeskSession::addItem()).
    Outcome<> addItem(const QString& room, const ItemLine& line, const QString& technicianName);
    // The item line at `line` (0 = top) leaves the bill; the reduction is logged as any other,
    // the amounts priced by `terms`.
    Outcome<> removeItem(const QString& room, int line, const std::optional<ServiceSettings>& prices,
        const ItemTerms& terms, const Authoriser& approver = {});
    // "下钟": the technician (marked released in `lines`) leaves the working list for the tail
    // of the idle queue; the clocks entered so far are kept with the mark, and the operator log
    // records it.
    Outcome<> releaseTechnician(const QString& room, const QString& number, const QList<TechnicianLine>& lines);
    // "继续": the clocks and marks entered at checkout are kept for the next checkout.
    Outcome<> keepCheckoutLines(const QString& room, const QList<TechnicianLine>& lines);
    // The stay ends without a bill being settled ("作废"), or after a bill was settled: the
    // room is idle again, the bill's technicians not released yet go back to the tail of the
    // idle queue, and so do `unbilled` (those a room without a bill had taken). A void of a
    // service comes with its row of the operator log (voidEntry()): a void whose row cannot be
    // written does not happen.
    Outcome<> endStay(const QString& room, const QStringList& unbilled, const std::optional<LogEntry>& voided = {});

    // The operator log's row of voiding the room's service: what its bill held (the counts,
    // the technicians, the goods), its amount at `prices` when they were read whole, and who
    // approved it. `unbilled` are technicians of a service without a bill yet.
    LogEntry voidEntry(const QString& room, const QStringList& unbilled, const Authoriser& approver,
        const std::optional<ServiceSettings>& prices) const;

private:
    // Runs `change` and logs what it took off the room's open bill, in one transaction.
    Outcome<> loggingReduction(const QString& room, const std::optional<ServiceSettings>& prices,
        const Authoriser& approver, const std::function<Outcome<>()>& change, const ItemTerms& terms = {});
    // Runs `change` and, for a room with an open bill, stores `lines` with it, in one
    // transaction.
    Outcome<> withLines(
        const QString& room, const QList<TechnicianLine>& lines, const std::function<Outcome<>()>& change);

    Database& m_database;
    DeskSession& m_session;
};
