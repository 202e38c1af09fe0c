#include "desk/DeskSession.h"

#include "app/Clock.h"
#include "app/Database.h"
#include "app/DatabaseNotices.h"
#include "app/HouseSettings.h"
#include "app/SqlTransaction.h"
#include "app/StaffLookup.h"
#include "app/TextFormat.h"
#include "desk/BusinessDay.h"
#include "desk/OperatorLog.h"

#include <QTimer>

#include <utility>

const QString DeskSession::UnrecognisedText = QStringLiteral("操作错误,系统无法识别!");
const QString DeskSession::AlreadyQueuedText = QStringLiteral("选择技师已经排钟!请核对后再操作!");
const QString DeskSession::RoomChangedText
    = QStringLiteral("%1号房刚在另一台收银电脑上改动过,这次操作没有保存。现在显示的是它现在的样子,请核对后再操作。");
const QString DeskSession::TechnicianChangedText = QStringLiteral(
    "技师%1刚在另一台收银电脑上上钟、下钟或排钟,这次操作没有保存。现在显示的是最新的顺序,请核对后再操作。");
const QString DeskSession::NothingToMoveText = QStringLiteral("%1号房没有客人,不能换房!");
const QString DeskSession::RoomNotIdleText = QStringLiteral("%1号房不是空房,不能换过去!");
const QString DeskSession::NotInRoomText = QStringLiteral("技师%1不在%2号房上钟!");
const QString DeskSession::ServingAlreadyText = QStringLiteral("技师%1正在上钟,不能换上!");
const QString DeskSession::UnknownTechnicianText = QStringLiteral("没有%1号技师!");
const QString DeskSession::ConnectionLostText = QStringLiteral("与服务器的连接已断开…正在自动重新连接。");
const QString DeskSession::ShiftClosedAlreadyText = QStringLiteral("本班已经交班,请重新打开交班打印!");

namespace {

bool sameDayLists(const LiveState& a, const LiveState& b)
{
    return a.idleQueue == b.idleQueue && a.attendanceList == b.attendanceList && a.earlyRota == b.earlyRota
        && a.lateRota == b.lateRota;
}

// The first line of `number` (unreleased only, when asked), or -1.
qsizetype lineOf(const OpenBill& bill, const QString& number, bool unreleasedOnly = false)
{
    for (qsizetype i = 0; i < bill.technicians.size(); ++i) {
        if (bill.technicians[i].number == number && !(unreleasedOnly && bill.technicians[i].released))
            return i;
    }
    return -1;
}

// Whether `number` kept her place in the idle queue while she serves: she stands in both lists
// and a bill shows her as a 点钟, or `requested` says so of the line she leaves.
bool keptTurn(const LiveState& state, const QString& number, bool requested = false)
{
    if (!KeepsTurnWhileServing(state.idleQueue, state.workingList, number))
        return false;
    if (requested)
        return true;
    for (const OpenBill& bill : state.bills) {
        for (const TechnicianLine& line : bill.technicians) {
            if (line.number == number && line.requested)
                return true;
        }
    }
    return false;
}

// The rooms whose guest mark or bill differs between `before` and `after`, in order.
QStringList changedRooms(const LiveState& before, const LiveState& after)
{
    QSet<QString> rooms = before.guestInRooms + after.guestInRooms;
    for (const QString& room : before.bills.keys() + after.bills.keys())
        rooms.insert(room);
    QStringList changed;
    for (const QString& room : std::as_const(rooms)) {
        if (before.guestInRooms.contains(room) != after.guestInRooms.contains(room)
            || before.bills.value(room) != after.bills.value(room)
            || before.bills.contains(room) != after.bills.contains(room))
            changed.append(room);
    }
    changed.sort();
    return changed;
}

} // namespace

DeskSession::DeskSession(Database& database, const Clock& clock, QObject* parent)
    : QObject(parent)
    , m_database(database)
    , m_clock(clock)
    , m_store(database)
{ }

DeskSession::~DeskSession() = default;

// --- transactions ---------------------------------------------------------------------------

Outcome<> DeskSession::act(const Subject& subject, const std::function<Outcome<>(LiveState&)>& change)
{
    SqlTransaction transaction(m_database);
    if (!transaction.isActive())
        return Failure { transaction.error() };
    // An earlier action of the same transaction holds the state already, with its own changes.
    if (!m_held) {
        if (const Outcome<> held = hold(transaction); !held)
            return held;
    }
    const LiveState stored = *m_staged;
    if (const QString changed = changedElsewhere(subject, stored); !changed.isEmpty()) {
        transaction.onRollback([this] { refreshWhenDone(); });
        return Refusal { changed };
    }
    // The same action on what the desk showed, for the actions after it; first, so that what
    // the action hands back (a place in the rota) is what it did to the stored state.
    LiveState seen = m_seen ? *m_seen : m_state;
    (void)change(seen);
    LiveState next = stored;
    if (const Outcome<> changed = change(next); !changed)
        return changed;
    return write(transaction, stored, std::move(next), std::move(seen));
}

void DeskSession::holdSoon(SqlTransaction& transaction)
{
    if (m_held || m_holding)
        return;
    m_holding = m_store.holdLater(expectedVersion());
    const auto forget = [this] { m_holding.reset(); };
    transaction.onRollback(forget);
    transaction.onCommit(forget);
}

qint64 DeskSession::expectedVersion() const
{
    // Before its first reading the desk expects nothing: the state is read.
    return m_version >= 0 ? m_version + 1 : -1;
}

Outcome<> DeskSession::hold(SqlTransaction& transaction)
{
    // The hold holdSoon() sent ahead, or one sent now.
    std::optional<DeskSessionStore::PendingHold> pending = std::exchange(m_holding, std::nullopt);
    if (!pending)
        pending = m_store.holdLater(expectedVersion());
    Outcome<DeskSessionStore::Held> held = pending->held();
    if (!held)
        return held.setback<void>();
    DeskSessionStore::Held stored = std::move(held).value();
    const qint64 version = stored.version;
    if (stored.state)
        m_staged = std::move(*stored.state);
    else
        m_staged = m_state; // nobody else wrote since this desk did or read it
    m_held = version;
    transaction.onRollback([this] {
        m_held.reset();
        m_staged.reset();
        m_seen.reset();
    });
    transaction.onCommit([this, version] {
        m_held.reset();
        m_version = version;
        publish();
    });
    return {};
}

QString DeskSession::changedElsewhere(const Subject& subject, const LiveState& stored) const
{
    const LiveState& shown = m_seen ? *m_seen : m_state;
    for (const QString& room : subject.rooms) {
        if (shown.guestInRooms.contains(room) != stored.guestInRooms.contains(room)
            || shown.bills.contains(room) != stored.bills.contains(room)
            || shown.bills.value(room) != stored.bills.value(room))
            return RoomChangedText.arg(room);
    }
    for (const QString& number : subject.technicians) {
        if (shown.idleQueue.numbers().count(number) != stored.idleQueue.numbers().count(number)
            || shown.workingList.numbers().count(number) != stored.workingList.numbers().count(number))
            return TechnicianChangedText.arg(number);
    }
    return {};
}

Outcome<> DeskSession::write(SqlTransaction& transaction, const LiveState& stored, LiveState next, LiveState seen)
{
    if (next == stored)
        return transaction.commit() ? Outcome<>() : Outcome<>(Failure { transaction.error() });
    // The day's lists belong to the business day in which they last changed.
    if (!sameDayLists(stored, next))
        next.businessDay = BusinessDayOf(m_clock.now());
    if (const QString error = m_store.write(stored, next); !error.isEmpty())
        return Failure { error };
    // The other desks hear of it when (and only if) the outermost transaction commits.
    QStringList notices = changedRooms(stored, next);
    if (!sameDayLists(stored, next) || stored.workingList != next.workingList)
        notices.append(DatabaseNotices::Queues);
    for (const QString& notice : std::as_const(notices)) {
        if (const QString error = DatabaseNotices::send(m_database, notice); !error.isEmpty())
            return Failure { error };
    }

    // From here on the open transaction holds `next`: later actions in it build on it. It is
    // shown once the outermost transaction commits (see hold()) and forgotten if this part is
    // undone.
    transaction.onRollback([this, previous = m_staged, previousSeen = m_seen] {
        m_staged = previous;
        m_seen = previousSeen;
    });
    m_staged = std::move(next);
    m_seen = std::move(seen);
    if (!transaction.commit())
        return Failure { transaction.error() };
    return {};
}

void DeskSession::refreshWhenDone()
{
    if (m_database.transactionDepth() > 0) {
        // Inside the caller's action, which ends either way.
        m_database.onCommit([this] { refreshWhenDone(); });
        m_database.onRollback([this] { refreshWhenDone(); });
        return;
    }
    qint64 version = -1;
    Outcome<LiveState> stored = m_store.load(&version);
    if (!stored)
        return; // shown as it was; the next action reads it again
    m_staged = std::move(stored).value();
    m_version = version;
    publish();
}

void DeskSession::publish()
{
    if (!m_staged)
        return;
    const LiveState before = std::exchange(m_state, std::move(*m_staged));
    m_staged.reset();
    m_seen.reset();

    for (const QString& room : changedRooms(before, m_state))
        emit roomChanged(room);
    if (before.idleQueue != m_state.idleQueue || before.workingList != m_state.workingList)
        emit queuesChanged();
    if (before.attendanceList != m_state.attendanceList || before.earlyRota != m_state.earlyRota
        || before.lateRota != m_state.lateRota)
        emit rotaChanged();
}

Outcome<> DeskSession::restore()
{
    qint64 version = -1;
    Outcome<LiveState> stored = m_store.load(&version);
    if (!stored)
        return stored.setback<void>();
    Outcome<std::optional<ShiftMark>> shiftStart = m_store.lastShiftMark();
    if (!shiftStart)
        return shiftStart.setback<void>();
    m_staged.reset();
    m_seen.reset();
    m_state = std::move(stored).value();
    m_version = version;
    m_shiftStart = std::move(shiftStart).value();
    followOtherDesks();

    const QDate today = BusinessDayOf(m_clock.now());
    if (m_state.businessDay == today)
        return {};
    // A new day starts with nobody queued, as the desk always did after a restart.
    return act({}, [today](LiveState& next) -> Outcome<> {
        if (next.businessDay == today)
            return {}; // another desk began the day already
        next.idleQueue.clear();
        next.attendanceList.clear();
        next.earlyRota.clear();
        next.lateRota.clear();
        next.businessDay = today;
        return {};
    });
}

// --- the other desks of the house -------------------------------------------------------------

void DeskSession::followOtherDesks()
{
    if (m_database.dialect().isSqlite())
        return; // the data folder's one desk
    if (!m_listener) {
        m_listener = new DatabaseListener(m_database, this);
        connect(m_listener, &DatabaseListener::noticed, this, &DeskSession::otherDeskChanged);
        m_lookAgain = new QTimer(this);
        m_lookAgain->setInterval(LookAgainInterval);
        connect(m_lookAgain, &QTimer::timeout, this, &DeskSession::lookAgain);
        m_lookAgain->start();
    }
    m_listener->listen(); // when the server refuses, looking again still finds every change
}

void DeskSession::otherDeskChanged(const QString& what)
{
    if (what == DatabaseNotices::Settings)
        emit settingsChanged();
    else if (what == DatabaseNotices::Shift)
        readShiftStart();
    else
        refreshWhenDone();
}

void DeskSession::lookAgain()
{
    if (m_database.transactionDepth() > 0)
        return; // the next round
    if (!m_database.isOpen()) {
        // The connection to the server broke: connect again, listen again and read everything
        // again, since the notices of meanwhile are lost. Until then each action says the
        // connection is gone; a refused connection is tried again the next round.
        if (m_connected) {
            m_connected = false;
            emit connectionChanged(false);
        }
        if (!m_database.server())
            return;
        const ServerAddress server = *m_database.server();
        if (!m_database.openServer(server))
            return;
        m_listener->listen();
        refreshWhenDone();
        readShiftStart();
        m_connected = true;
        emit connectionChanged(true);
        return;
    }
    const Outcome<qint64> version = m_store.version();
    if (version && version.value() != m_version)
        refreshWhenDone();
    readShiftStart();
}

void DeskSession::readShiftStart()
{
    const Outcome<std::optional<ShiftMark>> stored = m_store.lastShiftMark();
    if (!stored || stored.value() == m_shiftStart)
        return;
    m_shiftStart = stored.value();
    emit sessionChanged();
}

// --- rooms and bills --------------------------------------------------------------------------

RoomState DeskSession::roomState(const QString& room) const
{
    if (m_state.bills.contains(room))
        return RoomState::InService;
    if (m_state.guestInRooms.contains(room))
        return RoomState::GuestIn;
    return RoomState::Idle;
}

std::optional<OpenBill> DeskSession::bill(const QString& room) const
{
    const auto found = m_state.bills.constFind(room);
    if (found == m_state.bills.cend())
        return std::nullopt;
    return found.value();
}

std::optional<OpenBill> DeskSession::stagedBill(const QString& room) const
{
    const auto found = current().bills.constFind(room);
    if (found == current().bills.cend())
        return std::nullopt;
    return found.value();
}

OpenBill* DeskSession::billOf(LiveState& state, const QString& room)
{
    const auto found = state.bills.find(room);
    return found == state.bills.end() ? nullptr : &found.value();
}

Outcome<> DeskSession::markGuestIn(const QString& room)
{
    return act({ { room }, {} }, [&room](LiveState& next) -> Outcome<> {
        if (next.bills.contains(room))
            return Refusal { UnrecognisedText };
        next.guestInRooms.insert(room);
        return {};
    });
}

Outcome<> DeskSession::openBill(const QString& room, const OpenBill& bill)
{
    return act({ { room }, {} }, [&room, &bill](LiveState& next) -> Outcome<> {
        if (next.bills.contains(room))
            return Refusal { UnrecognisedText };
        next.guestInRooms.remove(room);
        next.bills.insert(room, bill);
        return {};
    });
}

Outcome<> DeskSession::changeBill(
    const QString& room, const std::function<bool(OpenBill&, LiveState&)>& change, const QStringList& technicians)
{
    return act({ { room }, technicians }, [&room, &change](LiveState& next) -> Outcome<> {
        OpenBill* bill = billOf(next, room);
        if (!bill || !change(*bill, next))
            return Refusal { UnrecognisedText };
        return {};
    });
}

Outcome<> DeskSession::changeQueues(const QString& number, const std::function<void(LiveState&)>& change)
{
    return act({ {}, { number } }, [&change](LiveState& next) -> Outcome<> {
        change(next);
        return {};
    });
}

Outcome<> DeskSession::replaceBill(const QString& room, const OpenBill& replacement)
{
    return changeBill(room, [&replacement](OpenBill& bill, LiveState&) {
        const QDateTime start = bill.startTime;
        bill = replacement;
        bill.startTime = start;
        return true;
    });
}

Outcome<> DeskSession::setCount(const QString& room, BillCount count, int value)
{
    return changeBill(room, [count, value](OpenBill& bill, LiveState&) {
        switch (count) {
        case BillCount::Massage:
            bill.massageClocks = value;
            break;
        case BillCount::FootWash:
            bill.footWashClocks = value;
            break;
        case BillCount::Pedicure:
            bill.pedicureCount = value;
            break;
        }
        return true;
    });
}

Outcome<bool> DeskSession::keepsTurn(bool requested)
{
    if (!requested)
        return false;
    QString error;
    const bool losesTurn = HouseSettings::isOn(m_database, HouseSettings::RequestedLosesTurn, &error);
    if (!error.isEmpty())
        return Failure { error };
    return !losesTurn;
}

Outcome<> DeskSession::addTechnician(const QString& room, const TechnicianLine& line)
{
    std::optional<bool> keeps; // read once, in the action's transaction
    return act({ { room }, { line.number } }, [&](LiveState& next) -> Outcome<> {
        if (!keeps) {
            const Outcome<bool> read = keepsTurn(line.requested);
            if (!read)
                return read.setback<void>();
            keeps = read.value();
        }
        OpenBill* bill = billOf(next, room);
        if (!bill)
            return Refusal { UnrecognisedText };
        const bool kept = keptTurn(next, line.number);
        bill->technicians.prepend(line);
        BringToWork(next.idleQueue, next.workingList, line.number, *keeps, kept);
        return {};
    });
}

Outcome<> DeskSession::removeTechnician(const QString& room, const QString& number)
{
    return changeBill(room,
        [&number](OpenBill& bill, LiveState& state) {
            const qsizetype line = lineOf(bill, number);
            if (line < 0)
                return false;
            const bool kept = keptTurn(state, number);
            bill.technicians.removeAt(line);
            SendBack(state.idleQueue, state.workingList, number, true, kept);
            return true;
        },
        { number });
}

Outcome<> DeskSession::releaseTechnician(const QString& room, const QString& number)
{
    return changeBill(room,
        [&number](OpenBill& bill, LiveState& state) {
            if (lineOf(bill, number) < 0)
                return false;
            const qsizetype line = lineOf(bill, number, true);
            if (line >= 0) {
                bill.technicians[line].released = true;
                SendBack(state.idleQueue, state.workingList, number, false, keptTurn(state, number));
            }
            return true;
        },
        { number });
}

Outcome<> DeskSession::addItem(const QString& room, const ItemLine& line, const QString& technicianName)
{
    if (line.count < 0)
        return Refusal { UnrecognisedText };
    QStringList subject;
    if (!line.technician.isEmpty())
        subject.append(line.technician);
    std::optional<bool> keeps; // read once, in the action's transaction
    return act({ { room }, subject }, [&](LiveState& next) -> Outcome<> {
        if (!keeps) {
            const Outcome<bool> read = keepsTurn(line.requested && !line.technician.isEmpty());
            if (!read)
                return read.setback<void>();
            keeps = read.value();
        }
        OpenBill* bill = billOf(next, room);
        if (!bill)
            return Refusal { UnrecognisedText };
        bill->items.prepend(line);
        // A technician not serving the room yet comes to it as the technicians' rows bring
        // him; one serving it already (or sent down from it) stays as he is.
        if (!line.technician.isEmpty() && lineOf(*bill, line.technician) < 0) {
            const bool kept = keptTurn(next, line.technician);
            TechnicianLine serving;
            serving.number = line.technician;
            serving.name = technicianName;
            serving.requested = line.requested;
            bill->technicians.prepend(serving);
            BringToWork(next.idleQueue, next.workingList, line.technician, *keeps, kept);
        }
        return {};
    });
}

Outcome<> DeskSession::removeItem(const QString& room, int line)
{
    return changeBill(room, [line](OpenBill& bill, LiveState&) {
        if (line < 0 || line >= bill.items.size())
            return false;
        bill.items.removeAt(line);
        return true;
    });
}

Outcome<> DeskSession::replaceTechnicians(const QString& room, const QList<TechnicianLine>& lines)
{
    return changeBill(room, [&lines](OpenBill& bill, LiveState&) {
        bill.technicians = lines;
        return true;
    });
}

Outcome<> DeskSession::closeRoom(const QString& room)
{
    return closeRoom(room, std::nullopt);
}

Outcome<> DeskSession::closeRoom(const QString& room, const QList<TechnicianLine>& lines)
{
    return closeRoom(room, std::optional(lines));
}

Outcome<> DeskSession::closeRoom(const QString& room, const std::optional<QList<TechnicianLine>>& lines)
{
    return act({ { room }, {} }, [&room, &lines](LiveState& next) -> Outcome<> {
        next.guestInRooms.remove(room);
        if (OpenBill* bill = billOf(next, room)) {
            if (lines)
                bill->technicians = *lines;
            // Technicians released at checkout stand in the idle queue already.
            for (const TechnicianLine& line : bill->technicians) {
                if (!line.released)
                    SendBack(next.idleQueue, next.workingList, line.number, false,
                        keptTurn(next, line.number, line.requested));
            }
            next.bills.remove(room);
        }
        return {};
    });
}

Outcome<> DeskSession::moveGuest(const QString& from, const QString& to)
{
    if (from.isEmpty() || to.isEmpty() || from == to)
        return Refusal { RoomNotIdleText.arg(to) };
    const LogEntry entry {
        .kind = LogKind::MoveGuest, .description = QStringLiteral("%1号房换到%2号房").arg(from, to), .room = to
    };
    return OperatorLog(m_database, *this).record(entry, [&] {
        return act({ { from, to }, {} }, [&from, &to](LiveState& next) -> Outcome<> {
            const bool guest = next.guestInRooms.contains(from);
            const bool billed = next.bills.contains(from);
            if (!guest && !billed)
                return Refusal { NothingToMoveText.arg(from) };
            if (next.guestInRooms.contains(to) || next.bills.contains(to))
                return Refusal { RoomNotIdleText.arg(to) };
            if (guest) {
                next.guestInRooms.remove(from);
                next.guestInRooms.insert(to);
            }
            if (billed)
                next.bills.insert(to, next.bills.take(from)); // the start time goes with it
            return {};
        });
    });
}

Outcome<> DeskSession::replaceTechnician(
    const QString& room, const QString& oldNumber, const QString& newNumber, const QString& newName, bool requested)
{
    if (newNumber.isEmpty() || newNumber == oldNumber)
        return Refusal { ServingAlreadyText.arg(newNumber) };
    const LogEntry entry { .kind = LogKind::ReplaceTechnician,
        .description
        = QStringLiteral("%1号房技师%2换成技师%3(%4)")
              .arg(room, oldNumber, newNumber, requested ? QStringLiteral("点钟") : QStringLiteral("轮钟")),
        .room = room };
    return OperatorLog(m_database, *this).record(entry, [&]() -> Outcome<> {
        const StaffName staff = LookUpStaffName(m_database, newNumber);
        if (!staff.error.isEmpty())
            return Failure { staff.error };
        if (!staff.found)
            return Refusal { UnknownTechnicianText.arg(newNumber) };
        const QString name = newName.isEmpty() ? staff.name : newName;
        std::optional<bool> keeps; // read once, in the action's transaction
        return act({ { room }, { oldNumber, newNumber } }, [&](LiveState& next) -> Outcome<> {
            if (!keeps) {
                const Outcome<bool> read = keepsTurn(requested);
                if (!read)
                    return read.setback<void>();
                keeps = read.value();
            }
            OpenBill* bill = billOf(next, room);
            const qsizetype line = bill ? lineOf(*bill, oldNumber, true) : -1;
            if (line < 0)
                return Refusal { NotInRoomText.arg(oldNumber, room) };
            const bool serving = next.workingList.contains(newNumber)
                || std::any_of(next.bills.cbegin(), next.bills.cend(),
                    [&newNumber](const OpenBill& open) { return lineOf(open, newNumber, true) >= 0; });
            if (serving)
                return Refusal { ServingAlreadyText.arg(newNumber) };

            TechnicianLine& taken = bill->technicians[line];
            SendBack(next.idleQueue, next.workingList, oldNumber, true, keptTurn(next, oldNumber, taken.requested));
            taken.number = newNumber;
            taken.name = name;
            taken.requested = requested;
            for (ItemLine& item : bill->items) {
                if (item.technician == oldNumber) {
                    item.technician = newNumber;
                    item.requested = requested;
                }
            }
            BringToWork(next.idleQueue, next.workingList, newNumber, *keeps);
            return {};
        });
    });
}

// --- the technicians' queues ----------------------------------------------------------------

QStringList DeskSession::offeredTechnicians() const
{
    return OfferedTechnicians(m_state.idleQueue, m_state.workingList);
}

QString DeskSession::nextTechnician() const
{
    const QStringList offered = offeredTechnicians();
    return offered.isEmpty() ? QString() : offered.first();
}

bool DeskSession::servesKeepingTurn(const QString& number) const
{
    return KeepsTurnWhileServing(m_state.idleQueue, m_state.workingList, number);
}

Outcome<> DeskSession::moveToWorking(const QString& number, bool requested)
{
    std::optional<bool> keeps; // read once, in the action's transaction
    return act({ {}, { number } }, [&](LiveState& next) -> Outcome<> {
        if (!keeps) {
            const Outcome<bool> read = keepsTurn(requested);
            if (!read)
                return read.setback<void>();
            keeps = read.value();
        }
        BringToWork(next.idleQueue, next.workingList, number, *keeps, keptTurn(next, number));
        return {};
    });
}

Outcome<> DeskSession::moveToIdle(const QString& number, bool requested)
{
    return changeQueues(number, [&number, requested](LiveState& next) {
        SendBack(next.idleQueue, next.workingList, number, false, keptTurn(next, number, requested));
    });
}

Outcome<> DeskSession::returnToIdleHead(const QString& number, bool requested)
{
    return changeQueues(number, [&number, requested](LiveState& next) {
        SendBack(next.idleQueue, next.workingList, number, true, keptTurn(next, number, requested));
    });
}

// --- the day's rota ---------------------------------------------------------------------------

const QStringList& DeskSession::rota(RotaShift shift) const
{
    return shift == RotaShift::Late ? m_state.lateRota : m_state.earlyRota;
}

Outcome<> DeskSession::markPresent(const QString& number)
{
    return act({}, [&number](LiveState& next) -> Outcome<> {
        next.attendanceList.append(number);
        return {};
    });
}

Outcome<int> DeskSession::queueTechnician(RotaShift shift, const QString& number)
{
    int order = 0;
    const Outcome<> stored = act({}, [shift, &number, &order](LiveState& next) -> Outcome<> {
        QStringList& rota = shift == RotaShift::Late ? next.lateRota : next.earlyRota;
        if (rota.contains(number))
            return Refusal { AlreadyQueuedText };
        rota.append(number);
        next.idleQueue.append(number);
        order = static_cast<int>(rota.size());
        return {};
    });
    if (!stored)
        return stored.setback<int>();
    return order;
}

// --- the shift ------------------------------------------------------------------------------

QDateTime DeskSession::shiftStartTime() const
{
    return m_shiftStart ? m_shiftStart->closedAt : QDateTime();
}

Outcome<> DeskSession::startShift(const ShiftMark& next)
{
    SqlTransaction transaction(m_database);
    if (!transaction.isActive())
        return Failure { transaction.error() };
    // The one stored last, not the one in memory: another desk may have closed the shift.
    const Outcome<std::optional<ShiftMark>> stored = m_store.lastShiftMark();
    if (!stored)
        return stored.setback<void>();
    if (stored.value() != m_shiftStart || (m_shiftStart && next.lastReceipt < m_shiftStart->lastReceipt))
        return Refusal { ShiftClosedAlreadyText };
    if (const QString error = DatabaseNotices::send(m_database, DatabaseNotices::Shift); !error.isEmpty())
        return Failure { error };
    transaction.onCommit([this, next] {
        m_shiftStart = next;
        emit sessionChanged();
        emit shiftClosed();
    });
    if (!transaction.commit())
        return Failure { transaction.error() };
    return {};
}

// --- login and heading ------------------------------------------------------------------------

void DeskSession::logIn(int role, const QString& displayName, const QString& login)
{
    m_userSession = { role, displayName, login };
    emit sessionChanged();
}

void DeskSession::setCurrentCashier(const QString& login)
{
    m_currentCashier = login;
    emit sessionChanged();
}

void DeskSession::setCompany(const QString& name, const QString& tel)
{
    m_companyName = name;
    m_companyTel = tel;
    emit sessionChanged();
}
