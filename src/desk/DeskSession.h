#pragma once

#include "app/Outcome.h"
#include "desk/DeskSessionStore.h"
#include "desk/LiveState.h"
#include "desk/ShiftMark.h"
#include "desk/UserSession.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class Clock;
class Database;
class DatabaseListener;
class QTimer;
class SqlTransaction;

// The state of one room: a room with an open bill is in service, a room with a guest and no
// bill is guest-in, every other room is idle.
enum class RoomState { Idle, GuestIn, InService };

// The two shifts of the rota.
enum class RotaShift { Early, Late };

// The three counts of a bill.
enum class BillCount { Massage, FootWash, Pedicure };

// The one owner of the desk's live state: the rooms with a guest, the open bill of every room
// in service, the idle queue and the working list of technicians, the day's rota lists, the
// login and the company heading. Its mutators are the only way to change that state, and
// each announces what it changed.
//
// Every mutator writes to the database first, in one transaction that joins the caller's
// when there is one, and changes memory and emits its signals only once that transaction has
// committed; a failed write returns the database error text and changes nothing. Settlement
// thus runs as one action:
//
//     SqlTransaction settlement(database);
//     … receipt, salary and goods rows, stock …
//     session.closeRoom(room);                  // joins; memory still shows the bill
//     settlement.commit();                      // now the room is idle and roomChanged is emitted
//
// The login, the current cashier and the company heading live in memory only; the desk logs in
// again after a restart. The shift runs from the last hand-over, which is stored.
class DeskSession : public QObject
{
    Q_OBJECT

public:
    static const QString UnrecognisedText; // "操作错误,系统无法识别!"
    static const QString AlreadyQueuedText; // "选择技师已经排钟!请核对后再操作!"
    // An action on a room or a technician that another desk of the house changed since this
    // desk showed it: nothing is written and the desk shows it as it is now.
    static const QString RoomChangedText;
    static const QString TechnicianChangedText;
    // 换房 and 换技师 refused.
    static const QString NothingToMoveText; // "%1号房没有客人,不能换房!"
    static const QString RoomNotIdleText; // "%1号房不是空房,不能换过去!"
    static const QString NotInRoomText; // "技师%1不在%2号房上钟!"
    static const QString ServingAlreadyText; // "技师%1正在上钟,不能换上!"
    static const QString UnknownTechnicianText; // "没有%1号技师!"

    // How often a desk on a server looks whether another desk changed the live state, in case
    // a notice of it was lost (milliseconds).
    static constexpr int LookAgainInterval = 5000;

    DeskSession(Database& database, const Clock& clock, QObject* parent = nullptr);
    ~DeskSession() override;

    // Loads the stored state, replacing what the session holds. On a later business day than
    // the stored one the idle queue and the rota lists start empty (the rooms, their bills
    // and the working list come back), and the database is made to agree. The shift running
    // starts at the last hand-over. On a server the session then follows the other desks of
    // the house: every change of the live state or of the shift committed there is read and
    // announced here as this desk's own are.
    Outcome<> restore();

    // --- rooms and bills --------------------------------------------------------------------

    RoomState roomState(const QString& room) const;
    // The room's open bill; nothing when it is not in service.
    std::optional<OpenBill> bill(const QString& room) const;
    const QMap<QString, OpenBill>& bills() const { return m_state.bills; }
    // The room's bill as the transaction open now holds it (bill() shows it only after the
    // commit): what an action compares before and after its own change.
    std::optional<OpenBill> stagedBill(const QString& room) const;
    const QSet<QString>& guestInRooms() const { return m_state.guestInRooms; }

    // An idle room takes a guest; a room in service is refused.
    Outcome<> markGuestIn(const QString& room);
    // The service starts: the room gets `bill` and is no longer only guest-in. A room that has a
    // bill already is refused.
    Outcome<> openBill(const QString& room, const OpenBill& bill);
    // The bill takes the counts and lines of `bill`; its start time stays, as the service began
    // then. A room without a bill is refused (so are all the bill operations below).
    Outcome<> replaceBill(const QString& room, const OpenBill& bill);
    Outcome<> setCount(const QString& room, BillCount count, int value);
    // The technician joins the room's lines (on top) and moves from the idle queue to the
    // tail of the working list. A 点钟 (line.requested) keeps her place in the idle queue while
    // she serves, unless the house ticked "点钟保留轮次" off (see keepsTurn()).
    Outcome<> addTechnician(const QString& room, const TechnicianLine& line);
    // The first line of `number` leaves the room; he goes back to the head of the idle queue,
    // keeping his turn, and leaves the working list (one who kept his place while serving a
    // 点钟 is there already).
    Outcome<> removeTechnician(const QString& room, const QString& number);
    // "下钟": the first unreleased line of `number` is marked released and he moves from the
    // working list to the tail of the idle queue, or, having kept his place while serving a
    // 点钟, stands at that place again. A technician released already changes
    // nothing.
    Outcome<> releaseTechnician(const QString& room, const QString& number);
    // A line of the menu joins the room's item lines (on top). Its technician, when the room
    // has no line of his yet, joins the room's technicians as addTechnician() brings him, with
    // the line's 点钟 mark.
    Outcome<> addItem(const QString& room, const ItemLine& line, const QString& technicianName);
    // The item line at `line` (0 = top) leaves the bill; its technician stays with the room.
    Outcome<> removeItem(const QString& room, int line);
    // The lines as checkout hands them back ("继续"): clocks entered, release marks kept.
    Outcome<> replaceTechnicians(const QString& room, const QList<TechnicianLine>& lines);
    // The stay ends, settled or voided: the bill (or the guest mark) goes and the technicians
    // of the room not released yet go back to the tail of the idle queue (those who kept
    // their place while serving a 点钟 to that place). An idle room changes nothing.
    Outcome<> closeRoom(const QString& room);
    // The same, with the bill's lines first replaced by `lines` as checkout hands them back,
    // in one change: the technicians go back to the queue in checkout's order.
    Outcome<> closeRoom(const QString& room, const QList<TechnicianLine>& lines);
    // For a transaction that waits for a statement of its own before its first action on the
    // live state (a settlement, for its receipt number): the live state is held with that
    // statement, in its round trip, rather than in one of its own. Before that statement.
    void holdSoon(SqlTransaction& transaction);
    // "换房": the guest mark or the open bill of `from` (its start time, counts, technicians,
    // item lines and goods) goes to the idle room `to`, whose clocks thus run on; logged in the
    // operator log in the same transaction. Refused when `from` has nothing or `to` is not idle.
    Outcome<> moveGuest(const QString& from, const QString& to);
    // "换技师": the first unreleased line of `oldNumber` in the room goes to `newNumber` (its
    // clocks, and the item lines the old one served); the old one goes back to the head of
    // the idle queue as removeTechnician() sends him, the new one comes to work as
    // addTechnician() brings him, with the 点钟 mark `requested`. Logged in the same
    // transaction. Refused when the old one does not serve the room, the new one is unknown or
    // serves already.
    Outcome<> replaceTechnician(const QString& room, const QString& oldNumber, const QString& newNumber,
        const QString& newName, bool requested);

    // --- the technicians' queues ------------------------------------------------------------

    const TechnicianQueue& idleQueue() const { return m_state.idleQueue; }
    const TechnicianQueue& workingList() const { return m_state.workingList; }
    // The technicians the desk offers for a room, head first: the idle queue without those
    // who kept their place in it while they serve a 点钟.
    QStringList offeredTechnicians() const;
    // "下一位": the first of them; empty when there is none.
    QString nextTechnician() const;
    // Whether `number` serves a 点钟 keeping his place in the idle queue (the status board
    // marks him there).
    bool servesKeepingTurn(const QString& number) const;
    // MoveTechnician between the two lists (the status board's ">>" and "<<"). A technician
    // brought to a room as a 点钟 (`requested`) keeps his place in the idle queue as
    // addTechnician() keeps it; one who kept it goes back to it.
    Outcome<> moveToWorking(const QString& number) { return moveToWorking(number, false); }
    Outcome<> moveToWorking(const QString& number, bool requested);
    Outcome<> moveToIdle(const QString& number) { return moveToIdle(number, false); }
    Outcome<> moveToIdle(const QString& number, bool requested);
    // A technician taken off a room keeps his turn: head of the idle queue, out of the working
    // list; one who kept his place there while serving a 点钟 (`requested`: his line) stays at it.
    Outcome<> returnToIdleHead(const QString& number, bool requested = false);

    // --- the day's rota ---------------------------------------------------------------------

    const QStringList& attendanceList() const { return m_state.attendanceList; }
    const QStringList& rota(RotaShift shift) const;
    QDate businessDay() const { return m_state.businessDay; }
    // "出勤": appended, also when he is marked already.
    Outcome<> markPresent(const QString& number);
    // "排钟": appended to the shift's rota and to the tail of the idle queue; returns his place
    // in the rota (工序). Someone queued on that shift already is refused.
    Outcome<int> queueTechnician(RotaShift shift, const QString& number);

    // --- the shift ---------------------------------------------------------------------------

    static const QString ShiftClosedAlreadyText; // "本班已经交班,请重新打开交班打印!"

    // Where the shift running now began; nothing before the first hand-over.
    const std::optional<ShiftMark>& shiftStart() const { return m_shiftStart; }
    // When the shift running now began: the last hand-over's moment (invalid before the first).
    QDateTime shiftStartTime() const;
    // The shift running now is handed over and the next one starts at `next`, joining the
    // caller's transaction, in which the caller records the hand-over itself after this call.
    // Refused when the shift was handed over meanwhile (what is stored last is not where the
    // running shift began) or when `next` lies before it.
    Outcome<> startShift(const ShiftMark& next);

    // --- login and heading (memory only) ----------------------------------------------------

    // Whether the session reaches its database: false while the connection to the server is
    // broken.
    bool connected() const { return m_connected; }
    // What the desk shows while it is.
    static const QString ConnectionLostText;

    const UserSession& userSession() const { return m_userSession; }
    // The desk's clock, by which the rows the session's actions write are stamped.
    const Clock& clock() const { return m_clock; }
    // How many times the session has read the whole stored state (for the tests and the
    // benchmark: a desk that alone writes reads it once, at the start).
    int stateReads() const { return m_store.loads(); }
    QString currentCashier() const { return m_currentCashier; }
    QString companyName() const { return m_companyName; }
    QString companyTel() const { return m_companyTel; }

    void logIn(int role, const QString& displayName, const QString& login = {});
    void setCurrentCashier(const QString& login);
    void setCompany(const QString& name, const QString& tel);

signals:
    // A room took or lost a guest or a bill, or its bill changed.
    void roomChanged(const QString& room);
    // The idle queue or the working list changed.
    void queuesChanged();
    // The attendance list or a rota changed.
    void rotaChanged();
    // The login, the current cashier, the shift (a hand-over) or the company heading changed.
    void sessionChanged();
    // A shift was handed over (after sessionChanged): the desk takes a backup then.
    void shiftClosed();
    // Another desk of the house changed a setting (prices, the house's figures): whoever shows
    // one reads it again.
    void settingsChanged();
    // On a server: the connection broke (false; the session shows the state as last read and
    // connects again by itself) or is back and the state read again (true).
    void connectionChanged(bool connected);

private:
    // What an action was asked on: the rooms and technicians as this desk shows them.
    struct Subject
    {
        QStringList rooms;
        QStringList technicians;
    };

    // The state this desk shows, and actions in an open transaction build on: what that
    // transaction has written so far, or else what is committed and shown.
    const LiveState& current() const { return m_staged ? *m_staged : m_state; }
    // One action, in one transaction that joins the caller's: the live state is held as
    // stored (another desk of the house may have changed it, see hold()), `change` is made to
    // that, and what it changed is written. When another desk changed one of the action's
    // subjects since this desk showed it, nothing is written and the refusal says so; the desk
    // then shows the state as stored once the outermost transaction has ended.
    Outcome<> act(const Subject& subject, const std::function<Outcome<>(LiveState&)>& change);
    Outcome<> closeRoom(const QString& room, const std::optional<QList<TechnicianLine>>& lines);
    // The first action of a transaction holds the live state until the transaction ends: it
    // counts the stored version up, and when that is this desk's own plus one nobody else
    // changed the state since this desk read or wrote it, and the state shown is the one
    // stored; otherwise it is read again. m_staged holds it from then on.
    Outcome<> hold(SqlTransaction& transaction);
    // The version a hold finds when nobody else changed the state since this desk read it.
    qint64 expectedVersion() const;
    // The text of a refusal when `stored` holds a subject otherwise than this desk showed it.
    QString changedElsewhere(const Subject& subject, const LiveState& stored) const;
    // Writes the difference from `stored` to `next` in `transaction` and makes `next` the state
    // once the outermost transaction has committed; `seen` is what the desk showed, changed alike.
    Outcome<> write(SqlTransaction& transaction, const LiveState& stored, LiveState next, LiveState seen);
    // Shows the state as stored, at once or when the outermost transaction has ended.
    void refreshWhenDone();
    // On a server: listens to the other desks' notices and looks again now and then.
    void followOtherDesks();
    // Another desk said it changed `what` (a room, the queues, the shift, the settings).
    void otherDeskChanged(const QString& what);
    // Reads the state again when its stored version is not the one shown, and the shift's
    // start when another desk handed it over: what a lost notice would have said.
    void lookAgain();
    // The shift's start as stored, announced when it moved.
    void readShiftStart();
    // The committed state becomes the shown one; emits what changed.
    void publish();
    // The room's bill in `state`, or nothing.
    static OpenBill* billOf(LiveState& state, const QString& room);
    Outcome<> changeBill(const QString& room, const std::function<bool(OpenBill&, LiveState&)>& change,
        const QStringList& technicians = {});
    // Whether a 点钟 keeps its turn: the house's rule as stored, read in the open transaction
    // so that every desk of the house obeys the same one. `requested` false is never kept.
    Outcome<bool> keepsTurn(bool requested);
    // A change of the technicians' lists alone.
    Outcome<> changeQueues(const QString& number, const std::function<void(LiveState&)>& change);

    Database& m_database;
    const Clock& m_clock;
    DeskSessionStore m_store;
    LiveState m_state; // committed and shown
    qint64 m_version = -1; // the stored version m_state is; -1 before the first reading
    // The state as the open transaction holds it, with what it has written so far.
    std::optional<LiveState> m_staged;
    std::optional<qint64> m_held; // the version the open transaction counted up to
    std::optional<DeskSessionStore::PendingHold> m_holding; // holdSoon()'s, until an action takes it
    // What the desk showed, with the changes of that transaction: what its actions were asked
    // on (m_staged also holds what other desks changed meanwhile).
    std::optional<LiveState> m_seen;

    UserSession m_userSession;
    QString m_currentCashier;
    std::optional<ShiftMark> m_shiftStart;
    DatabaseListener* m_listener = nullptr; // on a server, once restored
    QTimer* m_lookAgain = nullptr;
    bool m_connected = true;
    QString m_companyName;
    QString m_companyTel;
};
