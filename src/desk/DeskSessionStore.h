#pragma once

#include "app/Outcome.h"
#include "desk/LiveState.h"
#include "desk/ShiftMark.h"

#include <QHash>
#include <QList>
#include <QSqlRecord>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class Database;
struct SqlResult;

// The desk session's rows: guest-in rooms, open bills with one row per line (technicians,
// menu items, goods), the two
// technician queues, the day's rota lists and their business day. The writers assume the
// caller's transaction (the session runs each action in one).
class DeskSessionStore
{
public:
    explicit DeskSessionStore(Database& database);

    // Everything stored. A bill's lines come back in the order they were written. `version`,
    // when asked, is the version of the live state read first: outside a transaction another
    // desk may change the rows meanwhile, and then the state read is newer than that, never
    // older.
    Outcome<LiveState> load(qint64* version = nullptr) const;
    // The version of the live state stored now.
    Outcome<qint64> version() const;
    // How many times load() has read the whole state (for the tests and the benchmark).
    int loads() const { return m_loads; }
    // Where the shift running now began: the moment and last receipt of the hand-over stored
    // last (the shift's own folder keeps the hand-overs whole); nothing before the first.
    Outcome<std::optional<ShiftMark>> lastShiftMark() const;

    // What a hold found: the version counted up to, and the state stored when that is not the
    // version the caller expected.
    struct Held
    {
        qint64 version = -1;
        std::optional<LiveState> state;
    };
    // A hold sent on with the statements after it (see holdLater()).
    class PendingHold
    {
    public:
        // What the hold found; sends what is deferred first when nothing has been waited for
        // since. The hold's error when it failed.
        Outcome<Held> held();

    private:
        friend class DeskSessionStore;
        DeskSessionStore* m_store = nullptr;
        qint64 m_expected = -1;
        QString m_error;
        std::shared_ptr<const SqlResult> m_rows;
    };
    // Counts the version of the live state up by one; the count holds the live state against
    // the other desks of the house until the caller's transaction ends (a file's write
    // transaction holds it already; on a server the row stays locked), and a rollback takes it
    // back. Every action on the live state begins with it, so a desk that gets its own last
    // version plus one (`expected`) knows that nobody else changed the state meanwhile; when
    // somebody did, the state as stored comes with it, read after the count holds it. On a
    // server both go with the transaction's next statement that is waited for, in its round
    // trip: a settlement holds the state in the round trip of its receipt number.
    PendingHold holdLater(qint64 expected);

    // Writes what differs between `before` (what is stored) and `after`. On a server the rows
    // go with the transaction's next statement that is waited for (Database::execLater()), so a
    // failure may show there. Returns the database error text known now, empty on success.
    QString write(const LiveState& before, const LiveState& after);

private:
    // The state in the rows of the state statement; `version`, when asked, gets the day row's.
    static LiveState stateOf(const QList<QSqlRecord>& rows, qint64* version);
    QString writeGuestRooms(const QSet<QString>& before, const QSet<QString>& after);
    QString writeBill(const QString& room, const OpenBill* before, const OpenBill& after);
    QString removeBill(const QString& room);
    QString writeTechnicians(const QString& room, const QList<TechnicianLine>& lines);
    QString writeItems(const QString& room, const QList<ItemLine>& lines);
    QString writeGoods(const QString& room, const QList<GoodsLine>& lines);
    // One stored list (desk_queue or desk_rota) as it was and as it is to be, head first.
    struct ListChange
    {
        QString key;
        QStringList before;
        QStringList after;
    };
    // Writes the changed lists of `table`, in two statements.
    QString writeLists(const QString& table, const QList<ListChange>& lists);

    Database& m_database;
    mutable int m_loads = 0;
};
