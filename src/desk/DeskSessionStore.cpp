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

Outcome<LiveState> DeskSessionStore::load(qint64* version) const
{
    ++m_loads;
    LiveState state;

    const SqlResult day = m_database.exec(QStringLiteral("SELECT business_day, version FROM desk_day WHERE id=1"));
    if (!day.ok())
        return Failure { day.error };
    if (!day.isEmpty()) {
        state.businessDay = QDate::fromString(day.first().value(0).toString(), DayFormat);
        if (version)
            *version = day.first().value(1).toLongLong();
    }

    const SqlResult bills = m_database.exec(QStringLiteral(
        "SELECT room, start_time, massage_clocks, foot_wash_clocks, pedicure_count FROM desk_bill ORDER BY room"));
    if (!bills.ok())
        return Failure { bills.error };
    for (const QSqlRecord& row : bills.rows) {
        OpenBill bill;
        bill.startTime = DateTimeFromText(row.value(1).toString());
        bill.massageClocks = row.value(2).toInt();
        bill.footWashClocks = row.value(3).toInt();
        bill.pedicureCount = row.value(4).toInt();
        state.bills.insert(row.value(0).toString(), bill);
    }

    const SqlResult technicians
        = m_database.exec(QStringLiteral("SELECT room, number, name, massage_clocks, foot_wash_clocks, released "
                                         "FROM desk_bill_technician ORDER BY room, position"));
    if (!technicians.ok())
        return Failure { technicians.error };
    for (const QSqlRecord& row : technicians.rows) {
        const auto bill = state.bills.find(row.value(0).toString());
        if (bill != state.bills.end())
            bill->technicians.append({ row.value(1).toString(), row.value(2).toString(), row.value(3).toInt(),
                row.value(4).toInt(), row.value(5).toInt() != 0 });
    }

    const SqlResult goods = m_database.exec(
        QStringLiteral("SELECT room, name, quantity, unit_price, unit FROM desk_bill_goods ORDER BY room, position"));
    if (!goods.ok())
        return Failure { goods.error };
    for (const QSqlRecord& row : goods.rows) {
        const auto bill = state.bills.find(row.value(0).toString());
        if (bill != state.bills.end())
            bill->goods.append(
                { row.value(1).toString(), row.value(2).toInt(), row.value(3).toString(), row.value(4).toString() });
    }

    const SqlResult rooms = m_database.exec(QStringLiteral("SELECT number FROM desk_room"));
    if (!rooms.ok())
        return Failure { rooms.error };
    for (const QSqlRecord& row : rooms.rows) {
        if (!state.bills.contains(row.value(0).toString())) // a bill means the service runs
            state.guestInRooms.insert(row.value(0).toString());
    }

    const Outcome<QHash<QString, QStringList>> queues = loadLists(QStringLiteral("desk_queue"));
    if (!queues)
        return queues.setback<LiveState>();
    state.idleQueue = TechnicianQueue(queues.value().value(IdleQueueKey));
    state.workingList = TechnicianQueue(queues.value().value(WorkingListKey));

    const Outcome<QHash<QString, QStringList>> rota = loadLists(QStringLiteral("desk_rota"));
    if (!rota)
        return rota.setback<LiveState>();
    state.attendanceList = rota.value().value(AttendanceKey);
    state.earlyRota = rota.value().value(EarlyRotaKey);
    state.lateRota = rota.value().value(LateRotaKey);
    return state;
}

Outcome<QHash<QString, QStringList>> DeskSessionStore::loadLists(const QString& table) const
{
    const SqlResult rows
        = m_database.exec(QStringLiteral("SELECT list, number FROM %1 ORDER BY list, position").arg(table));
    if (!rows.ok())
        return Failure { rows.error };
    QHash<QString, QStringList> lists;
    for (const QSqlRecord& row : rows.rows)
        lists[row.value(0).toString()].append(row.value(1).toString());
    return lists;
}

Outcome<qint64> DeskSessionStore::countUp()
{
    const SqlResult counted
        = m_database.exec(QStringLiteral("UPDATE desk_day SET version=version+1 WHERE id=1 RETURNING version"));
    if (!counted.ok())
        return Failure { counted.error };
    if (counted.isEmpty())
        return Failure { QStringLiteral("数据库缺少前台状态记录(desk_day),无法保存。") };
    return counted.first().value(0).toLongLong();
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
    for (const auto& list : lists) {
        if (error.isEmpty() && list.before != list.after)
            error = writeList(list.table, list.key, list.after);
    }

    if (error.isEmpty() && before.businessDay != after.businessDay)
        error = m_database
                    .exec(QStringLiteral("UPDATE desk_day SET business_day=? WHERE id=1"),
                        { after.businessDay.toString(DayFormat) })
                    .error;
    return error;
}

QString DeskSessionStore::writeGuestRooms(const QSet<QString>& before, const QSet<QString>& after)
{
    for (const QString& room : before) {
        if (!after.contains(room)) {
            const SqlResult removed = m_database.exec(QStringLiteral("DELETE FROM desk_room WHERE number=?"), { room });
            if (!removed.ok())
                return removed.error;
        }
    }
    for (const QString& room : after) {
        if (!before.contains(room)) {
            const SqlResult added
                = m_database.exec(QStringLiteral("INSERT INTO desk_room (number) VALUES (?)"), { room });
            if (!added.ok())
                return added.error;
        }
    }
    return {};
}

QString DeskSessionStore::writeBill(const QString& room, const OpenBill* before, const OpenBill& after)
{
    const QVariantList header { DateTimeText(after.startTime), after.massageClocks, after.footWashClocks,
        after.pedicureCount, room };
    SqlResult written;
    if (!before) {
        written = m_database.exec(QStringLiteral("INSERT INTO desk_bill (start_time, massage_clocks, foot_wash_clocks, "
                                                 "pedicure_count, room) VALUES (?, ?, ?, ?, ?)"),
            header);
    } else if (before->startTime != after.startTime || before->massageClocks != after.massageClocks
        || before->footWashClocks != after.footWashClocks || before->pedicureCount != after.pedicureCount) {
        written = m_database.exec(QStringLiteral("UPDATE desk_bill SET start_time=?, massage_clocks=?, "
                                                 "foot_wash_clocks=?, pedicure_count=? WHERE room=?"),
            header);
    }
    if (!written.ok())
        return written.error;
    if (!before || before->technicians != after.technicians) {
        if (const QString error = writeTechnicians(room, after.technicians); !error.isEmpty())
            return error;
    }
    if (!before || before->goods != after.goods)
        return writeGoods(room, after.goods);
    return {};
}

QString DeskSessionStore::removeBill(const QString& room)
{
    for (const QString& statement : { QStringLiteral("DELETE FROM desk_bill_technician WHERE room=?"),
             QStringLiteral("DELETE FROM desk_bill_goods WHERE room=?"),
             QStringLiteral("DELETE FROM desk_bill WHERE room=?") }) {
        const SqlResult removed = m_database.exec(statement, { room });
        if (!removed.ok())
            return removed.error;
    }
    return {};
}

QString DeskSessionStore::writeTechnicians(const QString& room, const QList<TechnicianLine>& lines)
{
    const SqlResult cleared
        = m_database.exec(QStringLiteral("DELETE FROM desk_bill_technician WHERE room=?"), { room });
    if (!cleared.ok())
        return cleared.error;
    for (int position = 0; position < lines.size(); ++position) {
        const TechnicianLine& line = lines[position];
        const SqlResult added = m_database.exec(
            QStringLiteral("INSERT INTO desk_bill_technician (room, position, number, name, massage_clocks, "
                           "foot_wash_clocks, released) VALUES (?, ?, ?, ?, ?, ?, ?)"),
            { room, position, line.number, line.name, line.massageClocks, line.footWashClocks, line.released ? 1 : 0 });
        if (!added.ok())
            return added.error;
    }
    return {};
}

QString DeskSessionStore::writeGoods(const QString& room, const QList<GoodsLine>& lines)
{
    const SqlResult cleared = m_database.exec(QStringLiteral("DELETE FROM desk_bill_goods WHERE room=?"), { room });
    if (!cleared.ok())
        return cleared.error;
    for (int position = 0; position < lines.size(); ++position) {
        const GoodsLine& line = lines[position];
        const SqlResult added = m_database.exec(QStringLiteral("INSERT INTO desk_bill_goods (room, position, name, "
                                                               "quantity, unit_price, unit) VALUES (?, ?, ?, ?, ?, ?)"),
            { room, position, line.name, line.quantity, line.unitPrice, line.unit });
        if (!added.ok())
            return added.error;
    }
    return {};
}

QString DeskSessionStore::writeList(const QString& table, const QString& key, const QStringList& numbers)
{
    const SqlResult cleared = m_database.exec(QStringLiteral("DELETE FROM %1 WHERE list=?").arg(table), { key });
    if (!cleared.ok())
        return cleared.error;
    if (numbers.isEmpty())
        return {};
    // The whole list in one statement (one for each length it has had): on a server each
    // statement is a round trip, and the queue is written back with every settlement.
    QStringList rows;
    QVariantList values;
    for (int position = 0; position < numbers.size(); ++position) {
        rows.append(QStringLiteral("(?, ?, ?)"));
        values << key << position << numbers[position];
    }
    return m_database
        .exec(QStringLiteral("INSERT INTO %1 (list, position, number) VALUES %2").arg(table, rows.join(u", ")), values)
        .error;
}
