#include "desk/DeskSessionStore.h"

#include "app/Database.h"
#include "app/TextFormat.h"

namespace {

// The names under which the lists are stored.
const QString IdleQueueKey = QStringLiteral("idle");
const QString WorkingListKey = QStringLiteral("working");
const QString AttendanceKey = QStringLiteral("attendance");
const QString EarlyRotaKey = QStringLiteral("early");
const QString LateRotaKey = QStringLiteral("late");

constexpr QStringView DayFormat = u"yyyy-MM-dd";

} // namespace

DeskSessionStore::DeskSessionStore(Database& database)
    : m_database(database)
{ }

Outcome<std::optional<ShiftMark>> DeskSessionStore::lastShiftMark() const
{
    const SqlResult result
        = m_database.exec(QStringLiteral("SELECT closed_at, last_receipt FROM handover ORDER BY id DESC LIMIT 1"));
    if (!result.ok())
        return Failure { result.error };
    if (result.isEmpty())
        return std::optional<ShiftMark>();
    return std::optional<ShiftMark>(
        ShiftMark { DateTimeFromText(result.first().value(0).toString()), result.first().value(1).toLongLong() });
}

namespace {

// The whole live state in one read, each table's rows under a kind of their own: a desk on a
// server reads it again whenever another desk changed it, and each statement is a round trip.
// Every row gives a kind, a key (room or list), six texts and a position. `%1` is the condition
// on the tables' rows (holdLater() reads them only when another desk changed them).
enum StateRow { DayRow, BillRow, TechnicianRow, GoodsRow, GuestRoomRow, QueueRow, RotaRow, BillItemRow };

// A technician's row carries his release mark (1) and his 点钟 mark (2) in one number.
const QString StateStatementOf = QStringLiteral(
    "SELECT 0, business_day, CAST(version AS TEXT), NULL, NULL, NULL, NULL, 0 FROM desk_day WHERE id=1 "
    "UNION ALL SELECT 1, room, start_time, CAST(massage_clocks AS TEXT), CAST(foot_wash_clocks AS TEXT), "
    "CAST(pedicure_count AS TEXT), NULL, 0 FROM desk_bill%1 "
    "UNION ALL SELECT 2, room, number, name, CAST(massage_clocks AS TEXT), CAST(foot_wash_clocks AS TEXT), "
    "CAST(released + 2 * requested AS TEXT), position FROM desk_bill_technician%1 "
    "UNION ALL SELECT 3, room, name, CAST(quantity AS TEXT), unit_price, unit, NULL, position FROM desk_bill_goods%1 "
    "UNION ALL SELECT 4, number, NULL, NULL, NULL, NULL, NULL, 0 FROM desk_room%1 "
    "UNION ALL SELECT 5, list, number, NULL, NULL, NULL, NULL, position FROM desk_queue%1 "
    "UNION ALL SELECT 6, list, number, NULL, NULL, NULL, NULL, position FROM desk_rota%1 "
    "UNION ALL SELECT 7, room, CAST(item AS TEXT), name, technician, CAST(count AS TEXT), "
    "CAST(requested + 2 * minutes AS TEXT), position FROM desk_bill_item%1 "
    "ORDER BY 1, 2, 8");

const QString StateStatement = StateStatementOf.arg(QString());

// The same, the tables' rows only when the stored version is not the one bound (seven times):
// a condition on no column of the rows, which the engine answers once for each table.
const QString StateStatementUnless
    = StateStatementOf.arg(QStringLiteral(" WHERE (SELECT version FROM desk_day WHERE id=1) <> ?"));
constexpr int StateTables = 7;

} // namespace

Outcome<LiveState> DeskSessionStore::load(qint64* version) const
{
    ++m_loads;
    const SqlResult rows = m_database.exec(StateStatement);
    if (!rows.ok())
        return Failure { rows.error };
    return stateOf(rows.rows, version);
}

DeskSessionStore::PendingHold DeskSessionStore::holdLater(qint64 expected)
{
    PendingHold pending;
    pending.m_store = this;
    pending.m_expected = expected;
    pending.m_error = m_database.execLater(QStringLiteral("UPDATE desk_day SET version=version+1 WHERE id=1"));
    if (pending.m_error.isEmpty())
        pending.m_rows = m_database.readLater(StateStatementUnless, QVariantList(StateTables, expected));
    return pending;
}

Outcome<DeskSessionStore::Held> DeskSessionStore::PendingHold::held()
{
    if (!m_error.isEmpty())
        return Failure { m_error };
    if (m_rows->error == Database::UnansweredText) {
        if (const QString error = m_store->m_database.sendDeferred(); !error.isEmpty())
            return Failure { error };
    }
    const SqlResult& rows = *m_rows;
    if (!rows.ok())
        return Failure { rows.error };
    if (rows.isEmpty() || rows.first().value(0).toInt() != DayRow)
        return Failure { QStringLiteral("数据库缺少前台状态记录(desk_day),无法保存。") };
    Held held;
    held.version = rows.first().value(2).toString().toLongLong();
    if (held.version != m_expected) {
        ++m_store->m_loads;
        held.state = stateOf(rows.rows, nullptr);
    }
    return held;
}

LiveState DeskSessionStore::stateOf(const QList<QSqlRecord>& rows, qint64* version)
{
    LiveState state;
    QHash<QString, QStringList> queues;
    QHash<QString, QStringList> rota;
    // Rows come by kind: the bills before their lines and before the rooms with a guest.
    for (const QSqlRecord& row : rows) {
        const auto text = [&row](int column) { return row.value(column).toString(); };
        const auto number = [&row](int column) { return row.value(column).toString().toInt(); };
        switch (row.value(0).toInt()) {
        case DayRow:
            state.businessDay = QDate::fromString(text(1), DayFormat);
            if (version)
                *version = text(2).toLongLong();
            break;
        case BillRow: {
            OpenBill bill;
            bill.startTime = DateTimeFromText(text(2));
            bill.massageClocks = number(3);
            bill.footWashClocks = number(4);
            bill.pedicureCount = number(5);
            state.bills.insert(text(1), bill);
            break;
        }
        case TechnicianRow:
            if (const auto bill = state.bills.find(text(1)); bill != state.bills.end())
                bill->technicians.append(
                    { text(2), text(3), number(4), number(5), (number(6) & 1) != 0, (number(6) & 2) != 0 });
            break;
        case BillItemRow:
            if (const auto bill = state.bills.find(text(1)); bill != state.bills.end())
                bill->items.append(
                    { text(2).toLongLong(), text(3), text(4), number(5), (number(6) & 1) != 0, number(6) / 2 });
            break;
        case GoodsRow:
            if (const auto bill = state.bills.find(text(1)); bill != state.bills.end())
                bill->goods.append({ text(2), number(3), text(4), text(5) });
            break;
        case GuestRoomRow:
            if (!state.bills.contains(text(1))) // a bill means the service runs
                state.guestInRooms.insert(text(1));
            break;
        case QueueRow:
            queues[text(1)].append(text(2));
            break;
        case RotaRow:
            rota[text(1)].append(text(2));
            break;
        }
    }
    state.idleQueue = TechnicianQueue(queues.value(IdleQueueKey));
    state.workingList = TechnicianQueue(queues.value(WorkingListKey));
    state.attendanceList = rota.value(AttendanceKey);
    state.earlyRota = rota.value(EarlyRotaKey);
    state.lateRota = rota.value(LateRotaKey);
    return state;
}

Outcome<qint64> DeskSessionStore::version() const
{
    const SqlResult day = m_database.exec(QStringLiteral("SELECT version FROM desk_day WHERE id=1"));
    if (!day.ok())
        return Failure { day.error };
    if (day.isEmpty())
        return Failure { QStringLiteral("数据库缺少前台状态记录(desk_day)。") };
    return day.first().value(0).toLongLong();
}

QString DeskSessionStore::write(const LiveState& before, const LiveState& after)
{
    QString error = writeGuestRooms(before.guestInRooms, after.guestInRooms);

    for (auto bill = before.bills.cbegin(); error.isEmpty() && bill != before.bills.cend(); ++bill) {
        if (!after.bills.contains(bill.key()))
            error = removeBill(bill.key());
    }
    for (auto bill = after.bills.cbegin(); error.isEmpty() && bill != after.bills.cend(); ++bill) {
        const auto stored = before.bills.constFind(bill.key());
        if (stored == before.bills.cend() || stored.value() != bill.value())
            error = writeBill(bill.key(), stored == before.bills.cend() ? nullptr : &stored.value(), bill.value());
    }

    const QString queues = QStringLiteral("desk_queue");
    const QString rota = QStringLiteral("desk_rota");
    const struct
    {
        const QStringList& before;
        const QStringList& after;
        const QString& table;
        const QString& key;
    } lists[] = {
        { before.idleQueue.numbers(), after.idleQueue.numbers(), queues, IdleQueueKey },
        { before.workingList.numbers(), after.workingList.numbers(), queues, WorkingListKey },
        { before.attendanceList, after.attendanceList, rota, AttendanceKey },
        { before.earlyRota, after.earlyRota, rota, EarlyRotaKey },
        { before.lateRota, after.lateRota, rota, LateRotaKey },
    };
    // The changed lists of each table are written together: the queues change with every
    // settlement.
    for (const QString& table : { queues, rota }) {
        QList<ListChange> changed;
        for (const auto& list : lists) {
            if (list.table == table && list.before != list.after)
                changed.append({ list.key, list.before, list.after });
        }
        if (error.isEmpty() && !changed.isEmpty())
            error = writeLists(table, changed);
    }

    if (error.isEmpty() && before.businessDay != after.businessDay)
        error = m_database.execLater(
            QStringLiteral("UPDATE desk_day SET business_day=? WHERE id=1"), { after.businessDay.toString(DayFormat) });
    return error;
}

QString DeskSessionStore::writeGuestRooms(const QSet<QString>& before, const QSet<QString>& after)
{
    for (const QString& room : before) {
        if (!after.contains(room)) {
            const QString error
                = m_database.execLater(QStringLiteral("DELETE FROM desk_room WHERE number=?"), { room });
            if (!error.isEmpty())
                return error;
        }
    }
    for (const QString& room : after) {
        if (!before.contains(room)) {
            const QString error
                = m_database.execLater(QStringLiteral("INSERT INTO desk_room (number) VALUES (?)"), { room });
            if (!error.isEmpty())
                return error;
        }
    }
    return {};
}

QString DeskSessionStore::writeBill(const QString& room, const OpenBill* before, const OpenBill& after)
{
    const QVariantList header { DateTimeText(after.startTime), after.massageClocks, after.footWashClocks,
        after.pedicureCount, room };
    QString error;
    if (!before) {
        error = m_database.execLater(
            QStringLiteral("INSERT INTO desk_bill (start_time, massage_clocks, foot_wash_clocks, "
                           "pedicure_count, room) VALUES (?, ?, ?, ?, ?)"),
            header);
    } else if (before->startTime != after.startTime || before->massageClocks != after.massageClocks
        || before->footWashClocks != after.footWashClocks || before->pedicureCount != after.pedicureCount) {
        error = m_database.execLater(QStringLiteral("UPDATE desk_bill SET start_time=?, massage_clocks=?, "
                                                    "foot_wash_clocks=?, pedicure_count=? WHERE room=?"),
            header);
    }
    if (!error.isEmpty())
        return error;
    if (!before || before->technicians != after.technicians) {
        if (error = writeTechnicians(room, after.technicians); !error.isEmpty())
            return error;
    }
    if (!before || before->items != after.items) {
        if (error = writeItems(room, after.items); !error.isEmpty())
            return error;
    }
    if (!before || before->goods != after.goods)
        return writeGoods(room, after.goods);
    return {};
}

QString DeskSessionStore::removeBill(const QString& room)
{
    for (const QString& statement : { QStringLiteral("DELETE FROM desk_bill_technician WHERE room=?"),
             QStringLiteral("DELETE FROM desk_bill_item WHERE room=?"),
             QStringLiteral("DELETE FROM desk_bill_goods WHERE room=?"),
             QStringLiteral("DELETE FROM desk_bill WHERE room=?") }) {
        if (const QString error = m_database.execLater(statement, { room }); !error.isEmpty())
            return error;
    }
    return {};
}

QString DeskSessionStore::writeTechnicians(const QString& room, const QList<TechnicianLine>& lines)
{
    if (const QString error
        = m_database.execLater(QStringLiteral("DELETE FROM desk_bill_technician WHERE room=?"), { room });
        !error.isEmpty())
        return error;
    for (int position = 0; position < lines.size(); ++position) {
        const TechnicianLine& line = lines[position];
        const QString error = m_database.execLater(
            QStringLiteral("INSERT INTO desk_bill_technician (room, position, number, name, massage_clocks, "
                           "foot_wash_clocks, released, requested) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
            { room, position, line.number, line.name, line.massageClocks, line.footWashClocks, line.released ? 1 : 0,
                line.requested ? 1 : 0 });
        if (!error.isEmpty())
            return error;
    }
    return {};
}

QString DeskSessionStore::writeItems(const QString& room, const QList<ItemLine>& lines)
{
    if (const QString error = m_database.execLater(QStringLiteral("DELETE FROM desk_bill_item WHERE room=?"), { room });
        !error.isEmpty())
        return error;
    for (int position = 0; position < lines.size(); ++position) {
        const ItemLine& line = lines[position];
        const QString error = m_database.execLater(
            QStringLiteral("INSERT INTO desk_bill_item (room, position, item, name, technician, count, requested, "
                           "minutes) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
            { room, position, line.item, line.name, line.technician, line.count, line.requested ? 1 : 0,
                line.minutes });
        if (!error.isEmpty())
            return error;
    }
    return {};
}

QString DeskSessionStore::writeGoods(const QString& room, const QList<GoodsLine>& lines)
{
    if (const QString error
        = m_database.execLater(QStringLiteral("DELETE FROM desk_bill_goods WHERE room=?"), { room });
        !error.isEmpty())
        return error;
    for (int position = 0; position < lines.size(); ++position) {
        const GoodsLine& line = lines[position];
        const QString error
            = m_database.execLater(QStringLiteral("INSERT INTO desk_bill_goods (room, position, name, "
                                                  "quantity, unit_price, unit) VALUES (?, ?, ?, ?, ?, ?)"),
                { room, position, line.name, line.quantity, line.unitPrice, line.unit });
        if (!error.isEmpty())
            return error;
    }
    return {};
}

QString DeskSessionStore::writeLists(const QString& table, const QList<ListChange>& lists)
{
    // Each list keeps the head it shares with what is stored; the rest is written anew. A
    // technician who goes to the tail of the idle queue is one row added.
    QStringList kept;
    QVariantList keptValues;
    QStringList rows;
    QVariantList values;
    for (const ListChange& list : lists) {
        qsizetype same = 0;
        while (same < list.before.size() && same < list.after.size() && list.before[same] == list.after[same])
            ++same;
        kept.append(QStringLiteral("(list=? AND position>=?)"));
        keptValues << list.key << same;
        for (qsizetype position = same; position < list.after.size(); ++position) {
            rows.append(QStringLiteral("(?, ?, ?)"));
            values << list.key << position << list.after[position];
        }
    }
    const QString error
        = m_database.execLater(QStringLiteral("DELETE FROM %1 WHERE %2").arg(table, kept.join(u" OR ")), keptValues);
    if (!error.isEmpty() || rows.isEmpty())
        return error;
    // Every new row in one statement (one for each shape it has had): on a server each
    // statement prepared is a round trip.
    return m_database.execLater(
        QStringLiteral("INSERT INTO %1 (list, position, number) VALUES %2").arg(table, rows.join(u", ")), values);
}
