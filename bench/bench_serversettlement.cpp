// How long the guest waits at a desk whose house is on a PostgreSQL server while his bill is
// settled, alone and with a second desk settling at the same time:
//
//     build/bench/bench_serversettlement --server postgresql://tavrel@host/tavrel [--settlements 1000] [--desks 2]
//         [--items 4]
//
// The database holds a house (tavrel --create-house), or is empty and gets one. Each round
// settles a bill of 2 technicians, 3 goods lines and --items lines of the menu (none unless
// asked; every other one a 点钟) through the desk's own settlement (one
// transaction through QtSql and the desk session), then writes the same rows through libpq
// with statements prepared once, in one transaction that takes the same write lock of the
// house: the floor no code on top of the server can beat. The two alternate round by round.
// With --desks 2 a second process does the same at the same time on its own rooms and
// technicians, in step: both desks settle through the desk at once, then both through the
// floor at once, so that each kind waits for its own kind at the other desk. Both add their
// bills to the house.

#include "SettlementTimings.h"
#include "app/Clock.h"
#include "app/Database.h"
#include "app/MessageService.h"
#include "app/ServerAddress.h"
#include "app/SettingPlace.h"
#include "app/TextFormat.h"
#include "desk/DeskSession.h"
#include "payroll/CommissionFormulaStore.h"
#include "service/ServiceCatalog.h"
#include "service/ServiceSettings.h"
#include "service/Settlement.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QProcess>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <libpq-fe.h>

namespace {

constexpr int TechniciansPerDesk = 20;
constexpr int StockOfEachGoods = 10'000'000;
// The key of the house's write lock, as the desk takes it.
constexpr qint64 HouseWriteLock = 0x74617672656c; // "tavrel"

[[noreturn]] void Fail(const QString& text)
{
    QTextStream(stderr) << "bench_serversettlement: " << text << '\n';
    std::exit(1);
}

// Keeps the two desks in step. Each round, both meet before they settle through the desk and
// again before they settle through the floor: a settlement waits for the house's write lock,
// and a desk left to drift would wait behind the other desk's floor in one run and behind its
// desk in the next, which says more about the drift than about the settlement. The first desk
// and the second meet over the second's standard input and output (the second's messages go to
// its standard error; anything else it prints is passed on).
class Step
{
public:
    static constexpr char Token = '\x1e';

    enum class Role { Alone, First, Second };

    // `second` is the process of the second desk, for the first.
    Step(Role role, QProcess* second)
        : m_role(role)
        , m_second(second)
    { }

    void meet()
    {
        if (m_role == Role::Alone)
            return;
        if (m_role == Role::Second) {
            std::fputc(Token, stdout);
            std::fflush(stdout);
            if (std::fgetc(stdin) != Token)
                Fail(QStringLiteral("the first desk went away"));
            return;
        }
        m_second->write(QByteArray(1, Token));
        m_second->waitForBytesWritten(-1);
        for (;;) {
            while (m_second->bytesAvailable() == 0) {
                if (!m_second->waitForReadyRead(-1))
                    Fail(QStringLiteral("the second desk ended"));
            }
            char byte = 0;
            m_second->getChar(&byte);
            if (byte == Token)
                return;
            std::fputc(byte, stdout);
        }
    }

private:
    Role m_role;
    QProcess* m_second;
};

QString GoodsName(int index)
{
    return QStringLiteral("商品%1").arg(index + 1);
}

// The item of the menu the bills take.
const QString BenchItemName = QStringLiteral("足疗(测试)");

// --- the floor: the same rows through libpq --------------------------------------------------------

// The rows one settlement writes, each statement prepared once: the receipt and its payment, 2 salary rows and
// the 2 technicians' calls, the item lines, 3 stock counts taken down with their goods rows, the receipt's link, the
// operator log's row and its link, the live state's version counted up, the room's open bill removed and its 2
// technicians moved from the working list to the tail of the idle queue, and the notices of the room and the queues to
// the other desks; under the house's write lock. A link is read before
// and hashed from what was written, not read back: the floor's links are not the desk's, so the walk of the chains does
// not accept a house the bench ran on.
class Floor
{
public:
    Floor(const ServerAddress& address, QString tag, int items)
        : m_tag(std::move(tag))
        , m_items(items)
    {
        m_connection = PQconnectdb(address.url().toUtf8().constData());
        if (PQstatus(m_connection) != CONNECTION_OK)
            Fail(QString::fromUtf8(PQerrorMessage(m_connection)));
        prepare("lock", "SELECT pg_advisory_xact_lock($1)");
        prepare("largest", "SELECT max(id) FROM Receiptform");
        prepare("receipt",
            "INSERT INTO Receiptform (id, housnum, bytime, massagetime, washfoottime, trimfoot, spjine, dazhe, "
            "dazheperson, alljine, paytype, cashier, time) VALUES ($1, $2, $3, '2', '1', '', $4, '1.00', '0', $5, "
            "'普通', 'c1', $6)");
        prepare("salary",
            "INSERT INTO salaryform (id, num, name, massagetime, washfoottime, salary, time, cashier) "
            "VALUES ($1, $2, $3, '1', '1', '18.00', $4, 'c1')");
        prepare("sell",
            "UPDATE kucheninfo SET str6=CAST(CAST(str6 AS bigint) - 1 AS text) "
            "WHERE rowid=(SELECT rowid FROM kucheninfo WHERE str2=$1 ORDER BY rowid LIMIT 1) RETURNING str6");
        prepare("log",
            "INSERT INTO operator_log (time, kind, login, role, authoriser, authoriser_role, room, receipt, "
            "description, amount) VALUES ($1, '结帐', 'c1', 3, '', -1, $2, $3, $4, '155.00') RETURNING id");
        prepare(
            "link_before", "SELECT link FROM chain_link WHERE chain=$1 AND position<$2 ORDER BY position DESC LIMIT 1");
        prepare("link", "INSERT INTO chain_link (chain, position, link) VALUES ($1, $2, $3)");
        prepare("notice", "SELECT pg_notify('tavrel_house', $1), pg_notify('tavrel_house', 'queues')");
        prepare("payment",
            "INSERT INTO receipt_payment (id, line, method, amount_fen, card, receipt_method, time) "
            "VALUES ($1, 0, '现金', 15500, '', '现金', $2)");
        prepare("version", "UPDATE desk_day SET version=version+1 WHERE id=1");
        prepare("goods",
            "INSERT INTO spsalay (id, name, danwe, danjia, counter, jine, time, cashier) "
            "VALUES ($1, $2, '瓶', '5.00', '1', '5.00', $3, 'c1')");
        prepare("call",
            "INSERT INTO receipt_technician (id, line, technician, requested, clocks, supplement_fen, time) "
            "VALUES ($1, $2, $3, 0, 3, 0, $4)");
        prepare("item",
            "INSERT INTO receipt_item (id, line, item, name, technician, requested, count, unit_price_fen, "
            "amount_fen, commission_fen, time, cashier) VALUES ($1, $2, 1, '足疗', $3, $4, 1, 9800, 9800, 3000, $5, "
            "'c1')");
        prepare("itemline",
            "INSERT INTO desk_bill_item (room, position, item, name, technician, count, requested, minutes) "
            "VALUES ($1, $2, 1, '足疗', $3, 1, $4, 60)");
        for (const char* table : { "desk_bill_technician", "desk_bill_item", "desk_bill_goods", "desk_bill" })
            prepare(QByteArray("remove_") + table, QByteArray("DELETE FROM ") + table + " WHERE room=$1");
        prepare("leave", "DELETE FROM desk_queue WHERE list=$1 AND number=$2");
        prepare("leave_all", "DELETE FROM desk_queue WHERE list=$1");
        prepare("queue", "INSERT INTO desk_queue (list, position, number) VALUES ($1, $2, $3)");
        prepare("open", "INSERT INTO desk_bill (room, start_time) VALUES ($1, $2)");
        prepare("line", "INSERT INTO desk_bill_technician (room, position, number, name) VALUES ($1, $2, $3, $4)");
        prepare("goodsline",
            "INSERT INTO desk_bill_goods (room, position, name, quantity, unit_price, unit) VALUES ($1, $2, $3, 1, "
            "'5.00', '瓶')");
        clearLists();
    }
    ~Floor()
    {
        clearLists();
        PQfinish(m_connection);
    }

    // The open bill the next settlement removes, its technicians taken from the idle queue to the
    // working list as a desk does (not timed): the lists stay as long as a house's.
    void openBill(int round)
    {
        m_room = (m_tag + QStringLiteral("FLOOR%1").arg(round)).toUtf8();
        m_time = DateTimeText(QDateTime::currentDateTime()).toUtf8();
        m_numbers = { QByteArray::number(900 + round % 60), QByteArray::number(900 + (round + 1) % 60) };
        plain("BEGIN");
        run("version", {});
        run("open", { m_room, m_time });
        for (int i = 0; i < 2; ++i) {
            run("line", { m_room, QByteArray::number(i), m_numbers[i], m_numbers[i] });
            run("leave", { idle(), m_numbers[i] });
            run("queue", { working(), QByteArray::number(2 * round + i), m_numbers[i] });
        }
        for (int i = 0; i < m_items; ++i)
            run("itemline", { m_room, QByteArray::number(i), m_numbers[i % 2], QByteArray::number(i % 2) });
        for (int i = 0; i < 3; ++i)
            run("goodsline", { m_room, QByteArray::number(i), GoodsName(i).toUtf8() });
        plain("COMMIT");
    }

    void settle(int round)
    {
        plain("BEGIN");
        run("lock", { QByteArray::number(HouseWriteLock) });
        PGresult* largest = run("largest", {}, true);
        const qint64 number = PQgetisnull(largest, 0, 0) ? 1 : QByteArray(PQgetvalue(largest, 0, 0)).toLongLong() + 1;
        PQclear(largest);
        const QByteArray id = QByteArray::number(number);
        run("payment", { id, m_time });
        run("receipt", { id, m_room, m_time + "—" + m_time, "15.00", "155.00", m_time });
        for (int i = 0; i < 2; ++i)
            run("salary", { id, m_numbers[i], m_numbers[i], m_time });
        for (int i = 0; i < 2; ++i)
            run("call", { id, QByteArray::number(i), m_numbers[i], m_time });
        for (int i = 0; i < m_items; ++i)
            run("item", { id, QByteArray::number(i), m_numbers[i % 2], QByteArray::number(i % 2), m_time });
        QCryptographicHash receiptContent(QCryptographicHash::Sha256);
        receiptContent.addData(QByteArray(id + m_room + m_time));
        for (int i = 0; i < 3; ++i) {
            const QByteArray name = GoodsName(i).toUtf8();
            run("sell", { name });
            run("goods", { id, name, m_time });
            receiptContent.addData(name);
        }
        link("receipt", id, receiptContent);
        PGresult* log = run("log", { m_time, m_room, id, "结帐" }, true);
        const QByteArray logId = PQgetvalue(log, 0, 0);
        PQclear(log);
        QCryptographicHash logContent(QCryptographicHash::Sha256);
        logContent.addData(QByteArray(logId + m_time + m_room));
        link("log", logId, logContent);
        run("version", {});
        for (const char* table : { "desk_bill_technician", "desk_bill_item", "desk_bill_goods", "desk_bill" })
            run(QByteArray("remove_") + table, { m_room });
        for (int i = 0; i < 2; ++i) {
            run("leave", { working(), m_numbers[i] });
            run("queue", { idle(), QByteArray::number(2 * round + i), m_numbers[i] });
        }
        run("notice", { m_room });
        plain("COMMIT");
    }

    // The statements it has sent, each waited for.
    int roundTrips() const { return m_roundTrips; }

private:
    // Links the row at `position` to the one before it in `chain`: the link before read, the new
    // one hashed from the content written and the link before.
    void link(const QByteArray& chain, const QByteArray& position, QCryptographicHash& content)
    {
        PGresult* before = run("link_before", { chain, position }, true);
        if (PQntuples(before) > 0)
            content.addData(QByteArray(PQgetvalue(before, 0, 0)));
        PQclear(before);
        run("link", { chain, position, content.result().toHex() });
    }

    QByteArray working() const { return (m_tag + QStringLiteral("floor-working")).toUtf8(); }
    QByteArray idle() const { return (m_tag + QStringLiteral("floor-idle")).toUtf8(); }

    void clearLists()
    {
        for (const QByteArray& list : { working(), idle() })
            run("leave_all", { list });
    }

    void prepare(const QByteArray& name, const QByteArray& sql)
    {
        PGresult* result = PQprepare(m_connection, name.constData(), sql.constData(), 0, nullptr);
        check(result, PGRES_COMMAND_OK);
        PQclear(result);
    }

    // Runs a prepared statement; its result is returned when `keep` is set (the caller clears it).
    PGresult* run(const QByteArray& name, const QList<QByteArray>& values, bool keep = false)
    {
        std::vector<const char*> pointers;
        for (const QByteArray& value : values)
            pointers.push_back(value.constData());
        ++m_roundTrips;
        PGresult* result = PQexecPrepared(
            m_connection, name.constData(), int(pointers.size()), pointers.data(), nullptr, nullptr, 0);
        check(result, PQresultStatus(result) == PGRES_TUPLES_OK ? PGRES_TUPLES_OK : PGRES_COMMAND_OK);
        if (keep)
            return result;
        PQclear(result);
        return nullptr;
    }

    void plain(const char* sql)
    {
        ++m_roundTrips;
        PGresult* result = PQexec(m_connection, sql);
        check(result, PGRES_COMMAND_OK);
        PQclear(result);
    }

    void check(PGresult* result, ExecStatusType expected)
    {
        if (PQresultStatus(result) != expected)
            Fail(QString::fromUtf8(PQerrorMessage(m_connection)));
    }

    PGconn* m_connection = nullptr;
    int m_roundTrips = 0;
    const QString m_tag;
    const int m_items;
    QByteArray m_room;
    QByteArray m_time;
    QList<QByteArray> m_numbers;
};

// --- the desk's own settlement ---------------------------------------------------------------------

// This desk's technicians: 20 of its own, so that two desks never ask for the same one.
QString Technician(const QString& tag, int index)
{
    return tag + QStringLiteral("%1").arg(index + 1, 2, 10, QLatin1Char('0'));
}

// A room in service with 2 technicians from the idle queue, `items` lines of the menu's `item`
// and 3 goods lines (not timed).
void OpenRoom(DeskSession& session, const Clock& clock, const QString& room, const QString& tag,
    const ServiceItem& item, int items)
{
    OpenBill bill;
    bill.startTime = clock.now().addSecs(-3600);
    bill.massageClocks = 2;
    bill.footWashClocks = 1;
    QStringList mine;
    for (const QString& number : session.idleQueue().numbers()) {
        if (number.startsWith(tag))
            mine.append(number);
    }
    if (mine.size() < 2)
        Fail(QStringLiteral("the idle queue holds no technicians of desk %1: give the bench a database of its own")
                 .arg(tag));
    for (int i = 0; i < 2; ++i) {
        bill.technicians.append({ mine[i], QStringLiteral("技师") + mine[i], 2 - i, 1, false });
        if (const Outcome<> moved = session.moveToWorking(mine[i]); !moved)
            Fail(moved.text());
    }
    for (int i = 0; i < items; ++i)
        bill.items.append({ item.id, item.name, mine[i % 2], 1, i % 2 == 1, item.minutes });
    for (int i = 0; i < 3; ++i)
        bill.goods.append({ GoodsName(i), 1 + i, QStringLiteral("5.00"), QStringLiteral("瓶") });
    if (const Outcome<> opened = session.openBill(room, bill); !opened)
        Fail(opened.text());
}

// The goods, prices and commission formula a settlement needs, once per house.
void PrepareHouse(Database& database, SettingPlace& settings, MessageService& messages)
{
    if (!ServiceSettings::readForCheckout(settings, messages).complete) {
        const ServiceSettings prices { Decimal::whole(40), Decimal::whole(30), Decimal::whole(20), Decimal::whole(5),
            Decimal::fromDouble(0.9).value() };
        if (!prices.write(settings, messages))
            Fail(QStringLiteral("cannot write the prices"));
    }
    for (int i = 0; i < 3; ++i) {
        if (database.scalar(QStringLiteral("SELECT count(*) FROM kucheninfo WHERE str2=?"), { GoodsName(i) }).toInt()
            == 0)
            database.exec(
                QStringLiteral("INSERT INTO kucheninfo (str1, str2, str4, str5, str6) VALUES (?, ?, ?, ?, ?)"),
                { QStringLiteral("B%1").arg(i), GoodsName(i), QStringLiteral("瓶"), QStringLiteral("5.00"),
                    QString::number(StockOfEachGoods) });
    }
    CommissionFormulaStore formulas(database);
    const Outcome<std::optional<CommissionFormula>> formula = formulas.load();
    if (formula && !formula.value()) {
        const CommissionFormula standard { QStringLiteral("20"), QStringLiteral("20"), QStringLiteral("20"),
            QStringLiteral("20"), QStringLiteral("10"), QStringLiteral("0") };
        if (const Outcome<> saved = formulas.save(standard); !saved)
            Fail(saved.text());
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times settlement at a desk whose house is on a server."));
    parser.addHelpOption();
    const QCommandLineOption serverOption(
        QStringLiteral("server"), QStringLiteral("the house's database (postgresql://…)"), QStringLiteral("URL"));
    const QCommandLineOption roundsOption(QStringLiteral("settlements"), QStringLiteral("settlements of each kind"),
        QStringLiteral("N"), QStringLiteral("1000"));
    const QCommandLineOption desksOption(QStringLiteral("desks"), QStringLiteral("desks settling at once (1 or 2)"),
        QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption tagOption(QStringLiteral("desk-tag"), QStringLiteral("(the second desk's own)"),
        QStringLiteral("TAG"), QStringLiteral("A"));
    const QCommandLineOption itemsOption(QStringLiteral("items"), QStringLiteral("item lines of the menu on each bill"),
        QStringLiteral("N"), QStringLiteral("0"));
    parser.addOptions({ serverOption, roundsOption, desksOption, tagOption, itemsOption });
    parser.process(application);
    const Outcome<ServerAddress> address = ServerAddress::parse(parser.value(serverOption));
    if (!address)
        Fail(address.text());
    const int rounds = std::max(10, parser.value(roundsOption).toInt());
    const QString tag = parser.value(tagOption);
    const int items = std::clamp(parser.value(itemsOption).toInt(), 0, 16);
    QTextStream out(stdout);

    Database database;
    if (!database.openServer(address.value())) {
        if (database.problem() != DatabaseProblem::NoHouse || !database.createHouse(address.value())
            || !database.openServer(address.value()))
            Fail(database.lastError());
    }
    PrintingMessages messages;
    const std::unique_ptr<SettingPlace> settings = MakeSettingPlace(database);
    if (tag == u"A")
        PrepareHouse(database, *settings, messages);

    // The second desk: the same rounds in a process of its own, started now.
    QProcess second;
    const bool twoDesks = parser.value(desksOption).toInt() >= 2;
    if (twoDesks) {
        second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        second.start(QCoreApplication::applicationFilePath(),
            { QStringLiteral("--server"), address.value().url(), QStringLiteral("--settlements"),
                QString::number(rounds), QStringLiteral("--desk-tag"), QStringLiteral("B"), QStringLiteral("--items"),
                QString::number(items) });
        if (!second.waitForStarted())
            Fail(QStringLiteral("cannot start the second desk"));
    }

    SystemClock clock;
    DeskSession session(database, clock);
    if (const Outcome<> restored = session.restore(); !restored)
        Fail(restored.text());
    session.setCompany(QStringLiteral("Tavrel 桑拿足浴中心"), QStringLiteral("020-00000000"));
    session.setCurrentCashier(QStringLiteral("c1"));
    for (int i = 0; i < TechniciansPerDesk; ++i) {
        if (!session.idleQueue().numbers().contains(Technician(tag, i))) {
            const auto queued = session.queueTechnician(RotaShift::Early, Technician(tag, i));
            if (!queued && queued.text() != DeskSession::AlreadyQueuedText)
                Fail(queued.text());
        }
    }
    const Outcome<std::optional<CommissionFormula>> formula = CommissionFormulaStore(database).load();
    if (!formula || !formula.value())
        Fail(QStringLiteral("no commission formula"));
    const ServiceSettings prices = ServiceSettings::readForCheckout(*settings, messages);
    // The menu's item, made by the first desk; the second waits for it.
    ServiceCatalog catalog(database, session);
    ServiceItem item;
    for (int attempt = 0; items > 0 && item.id == 0 && attempt < 100; ++attempt) {
        const Outcome<QList<ServiceItem>> menu = catalog.list();
        if (!menu)
            Fail(menu.text());
        for (const ServiceItem& offered : menu.value()) {
            if (offered.name == BenchItemName)
                item = offered;
        }
        if (item.id == 0 && tag == u"A") {
            ServiceItem made;
            made.name = BenchItemName;
            made.minutes = 60;
            made.price = Money::fromFen(9800);
            made.rotation = { CommissionKind::Amount, Money::fromFen(3000), 0 };
            made.requested = { CommissionKind::Share, Money(), 4000 };
            const Outcome<ServiceItem> added = catalog.add(made);
            if (!added)
                Fail(added.text());
            item = added.value();
        } else if (item.id == 0) {
            QThread::msleep(50);
        }
    }
    if (items > 0 && item.id == 0)
        Fail(QStringLiteral("the menu has no %1").arg(BenchItemName));
    // Checkout reads the menu as it opens, before the guest waits.
    const Outcome<ItemTerms> terms = ItemTerms::read(database, session, false);
    if (!terms)
        Fail(terms.text());
    Settlement settlement(database, session);
    Floor floor(address.value(), tag, items);
    const QString room = QStringLiteral("BENCH") + tag;
    if (session.bill(room)) { // left by a run that was stopped
        if (const Outcome<> closed = session.closeRoom(room); !closed)
            Fail(closed.text());
    }

    Step step(tag == u"B" ? Step::Role::Second : twoDesks ? Step::Role::First : Step::Role::Alone, &second);
    QList<qint64> desk;
    QList<qint64> raw;
    QList<int> waits; // the desk's round trips in each settlement
    int floorWaits = 0; // the floor's, the same every time
    for (int round = 0; round < rounds; ++round) {
        OpenRoom(session, clock, room, tag, item, items);
        step.meet();
        SettlementRequest request;
        request.room = room;
        request.prices = prices;
        request.technicians = session.bill(room)->technicians;
        request.formula = *formula.value();
        request.itemTerms = terms.value();
        request.billTime = clock.now();
        request.cashier = session.currentCashier();
        QElapsedTimer timer;
        const int waitsBefore = database.serverWaits();
        timer.start();
        const Outcome<SettledBill> settled = settlement.settle(request);
        desk.append(timer.nsecsElapsed());
        waits.append(database.serverWaits() - waitsBefore);
        if (!settled)
            Fail(settled.text());

        floor.openBill(round);
        step.meet();
        const int floorBefore = floor.roundTrips();
        timer.start();
        floor.settle(round);
        raw.append(timer.nsecsElapsed());
        floorWaits = floor.roundTrips() - floorBefore;
    }
    if (second.state() != QProcess::NotRunning && !second.waitForFinished(-1))
        Fail(QStringLiteral("the second desk did not end"));
    if (twoDesks)
        out << second.readAllStandardOutput(); // the second desk's own figures

    const Percentiles ours = PercentilesOf(desk);
    const Percentiles bare = PercentilesOf(raw);
    const auto ms = [](double value) { return QString::number(value, 'f', 3); };
    out << "desk " << tag << ": " << desk.size() << " settlements of 2 technicians, " << items
        << " item lines and 3 goods lines each, "
        << (second.exitCode() == 0 && twoDesks ? "with another desk settling, " : "") << "on "
        << database.scalar(QStringLiteral("SELECT count(*) FROM Receiptform")).toLongLong() << " receipts:\n";
    out << "  desk settlement     p50 " << ms(ours.p50) << " ms   p99 " << ms(ours.p99) << " ms   max " << ms(ours.max)
        << " ms\n";
    out << "  libpq floor         p50 " << ms(bare.p50) << " ms   p99 " << ms(bare.p99) << " ms   max " << ms(bare.max)
        << " ms\n";
    std::sort(waits.begin(), waits.end());
    out << "  round trips         desk " << waits.value(waits.size() / 2) << " (" << waits.value(0, 0) << "-"
        << waits.value(waits.size() - 1, 0) << ", the first preparing its statements)   floor " << floorWaits << "\n";
    out << "  ratio               p50 " << QString::number(ours.p50 / bare.p50, 'f', 2) << " x (goal <= 2)   p99 "
        << QString::number(ours.p99 / bare.p99, 'f', 2) << " x (goal <= 1.5)\n";
    return second.exitCode();
}
