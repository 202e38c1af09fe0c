// How long the guest waits at the desk while his bill is settled, and how long checkout takes
// to open and draw the bill, on the data folder of a busy house (GenerateHouse):
//
//     build/bench/bench_settlement --folder /tmp/house [--settlements 1000]
//
// Each round settles a bill of 2 technicians and 3 goods lines through the desk's own
// settlement (one transaction through QtSql and the desk session), and writes the same rows
// through SQLite's C API with prepared statements in one transaction, WAL and
// synchronous=FULL: the floor no code on top of SQLite can beat. The two alternate round by
// round on the same file. Both add their bills to the folder's database.

#include "HeadlessSeams.h"
#include "SettlementTimings.h"
#include "app/Clock.h"
#include "app/DataFolder.h"
#include "app/Database.h"
#include "app/MessageService.h"
#include "app/SettingPlace.h"
#include "app/Speech.h"
#include "app/TextFormat.h"
#include "desk/AppServices.h"
#include "desk/DeskSession.h"
#include "payroll/CommissionFormulaStore.h"
#include "service/CheckoutDialog.h"
#include "service/Settlement.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPrinter>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sqlite3.h>

namespace {

constexpr int QueuedTechnicians = 20;
const QString Room = QStringLiteral("BENCH");

[[noreturn]] void Fail(const QString& text)
{
    QTextStream(stderr) << "bench_settlement: " << text << '\n';
    std::exit(1);
}

QString Technician(int index)
{
    return QStringLiteral("%1").arg(index + 1, 3, 10, QLatin1Char('0'));
}

QString GoodsName(int index)
{
    return QStringLiteral("商品%1").arg(index + 1);
}

// --- the floor: the same rows through SQLite's C API -------------------------------------------

class Statement
{
public:
    Statement(sqlite3* db, const char* sql)
        : m_db(db)
    {
        if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &m_statement, nullptr) != SQLITE_OK)
            Fail(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, qint64 value)
    {
        sqlite3_bind_int64(m_statement, index, value);
        return *this;
    }
    Statement& bind(int index, const QByteArray& utf8)
    {
        sqlite3_bind_text(m_statement, index, utf8.constData(), int(utf8.size()), SQLITE_STATIC);
        return *this;
    }
    // Runs to the first row (true) or the end (false).
    bool step()
    {
        const int result = sqlite3_step(m_statement);
        if (result != SQLITE_ROW && result != SQLITE_DONE)
            Fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
        return result == SQLITE_ROW;
    }
    qint64 integer(int column) const { return sqlite3_column_int64(m_statement, column); }
    void reset()
    {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
    void run()
    {
        step();
        reset();
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_statement = nullptr;
};

// The rows one settlement writes, each statement prepared once: the receipt, 2 salary rows,
// 3 stock updates with their goods rows, the room's open bill removed and its 2 technicians
// moved from the working list to the tail of the idle queue.
class Floor
{
public:
    explicit Floor(const QString& path)
    {
        if (sqlite3_open(QFile::encodeName(path).constData(), &m_db) != SQLITE_OK)
            Fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
        sqlite3_busy_timeout(m_db, 3000);
        exec("PRAGMA journal_mode=WAL");
        exec("PRAGMA synchronous=FULL");
        m_begin = std::make_unique<Statement>(m_db, "BEGIN IMMEDIATE");
        m_commit = std::make_unique<Statement>(m_db, "COMMIT");
        m_largest = std::make_unique<Statement>(m_db, "SELECT max(id) FROM Receiptform");
        m_receipt = std::make_unique<Statement>(m_db,
            "INSERT INTO Receiptform (id, housnum, bytime, massagetime, washfoottime, trimfoot, spjine, dazhe, "
            "dazheperson, alljine, paytype, cashier, time) VALUES (?, ?, ?, '2', '1', '', ?, '1.00', '0', ?, '普通', "
            "'c1', ?)");
        m_salary = std::make_unique<Statement>(m_db,
            "INSERT INTO salaryform (id, num, name, massagetime, washfoottime, salary, time, cashier) "
            "VALUES (?, ?, ?, '1', '1', '18.00', ?, 'c1')");
        m_stock = std::make_unique<Statement>(
            m_db, "SELECT rowid, str6 FROM kucheninfo WHERE str2=? ORDER BY rowid LIMIT 1");
        m_sell = std::make_unique<Statement>(m_db, "UPDATE kucheninfo SET str6=? WHERE rowid=?");
        m_goods = std::make_unique<Statement>(m_db,
            "INSERT INTO spsalay (id, name, danwe, danjia, counter, jine, time, cashier) "
            "VALUES (?, ?, '瓶', '5.00', '1', '5.00', ?, 'c1')");
        for (const char* table : { "desk_bill_technician", "desk_bill_goods", "desk_bill" })
            m_removeBill.push_back(std::make_unique<Statement>(
                m_db, QStringLiteral("DELETE FROM %1 WHERE room=?").arg(QLatin1String(table)).toUtf8().constData()));
        m_leaveWork
            = std::make_unique<Statement>(m_db, "DELETE FROM desk_queue WHERE list='floor-working' AND number=?");
        m_queue = std::make_unique<Statement>(
            m_db, "INSERT INTO desk_queue (list, position, number) VALUES ('floor-idle', ?, ?)");
        m_openBill = std::make_unique<Statement>(m_db, "INSERT INTO desk_bill (room, start_time) VALUES (?, ?)");
        m_openLine = std::make_unique<Statement>(
            m_db, "INSERT INTO desk_bill_technician (room, position, number, name) VALUES (?, ?, ?, ?)");
        m_openGoods = std::make_unique<Statement>(m_db,
            "INSERT INTO desk_bill_goods (room, position, name, quantity, unit_price, unit) VALUES (?, ?, ?, 1, "
            "'5.00', '瓶')");
        m_startWork = std::make_unique<Statement>(
            m_db, "INSERT INTO desk_queue (list, position, number) VALUES ('floor-working', ?, ?)");
        exec("DELETE FROM desk_queue WHERE list IN ('floor-idle', 'floor-working')");
    }
    ~Floor()
    {
        exec("DELETE FROM desk_queue WHERE list IN ('floor-idle', 'floor-working')");
        m_begin.reset();
        m_commit.reset();
        m_largest.reset();
        m_receipt.reset();
        m_salary.reset();
        m_stock.reset();
        m_sell.reset();
        m_goods.reset();
        m_removeBill.clear();
        m_leaveWork.reset();
        m_queue.reset();
        m_openBill.reset();
        m_openLine.reset();
        m_openGoods.reset();
        m_startWork.reset();
        sqlite3_close(m_db);
    }

    // The open bill the next settlement removes (not timed).
    void openBill(int round)
    {
        m_room = QStringLiteral("FLOOR%1").arg(round).toUtf8();
        m_time = DateTimeText(QDateTime::currentDateTime()).toUtf8();
        m_numbers = { Technician(round % 60).toUtf8(), Technician((round + 1) % 60).toUtf8() };
        exec("BEGIN IMMEDIATE");
        m_openBill->bind(1, m_room).bind(2, m_time).run();
        for (int i = 0; i < 2; ++i) {
            m_openLine->bind(1, m_room).bind(2, i).bind(3, m_numbers[i]).bind(4, m_numbers[i]).run();
            m_startWork->bind(1, 2 * qint64(round) + i).bind(2, m_numbers[i]).run();
        }
        for (int i = 0; i < 3; ++i)
            m_openGoods->bind(1, m_room).bind(2, i).bind(3, GoodsName(i).toUtf8()).run();
        exec("COMMIT");
    }

    void settle(int round)
    {
        m_begin->run();
        qint64 number = 1;
        if (m_largest->step())
            number = m_largest->integer(0) + 1;
        m_largest->reset();
        const QByteArray period = m_time + "—" + m_time;
        m_receipt->bind(1, number)
            .bind(2, m_room)
            .bind(3, period)
            .bind(4, "15.00")
            .bind(5, "155.00")
            .bind(6, m_time)
            .run();
        for (int i = 0; i < 2; ++i)
            m_salary->bind(1, number).bind(2, m_numbers[i]).bind(3, m_numbers[i]).bind(4, m_time).run();
        for (int i = 0; i < 3; ++i) {
            const QByteArray name = GoodsName(i).toUtf8();
            m_stock->bind(1, name);
            if (m_stock->step()) {
                const qint64 row = m_stock->integer(0);
                const QByteArray remaining = QByteArray::number(m_stock->integer(1) - 1);
                m_stock->reset();
                m_sell->bind(1, remaining).bind(2, row).run();
            } else {
                m_stock->reset();
            }
            m_goods->bind(1, number).bind(2, name).bind(3, m_time).run();
        }
        for (const auto& remove : m_removeBill)
            remove->bind(1, m_room).run();
        for (int i = 0; i < 2; ++i) {
            m_leaveWork->bind(1, m_numbers[i]).run();
            m_queue->bind(1, 2 * qint64(round) + i).bind(2, m_numbers[i]).run();
        }
        m_commit->run();
    }

private:
    void exec(const char* sql)
    {
        char* error = nullptr;
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
            const QString text = QString::fromUtf8(error);
            sqlite3_free(error);
            Fail(text);
        }
    }

    sqlite3* m_db = nullptr;
    std::unique_ptr<Statement> m_begin, m_commit, m_largest, m_receipt, m_salary, m_stock, m_sell, m_goods, m_leaveWork,
        m_queue, m_openBill, m_openLine, m_openGoods, m_startWork;
    std::vector<std::unique_ptr<Statement>> m_removeBill;
    QByteArray m_room;
    QByteArray m_time;
    QList<QByteArray> m_numbers;
};

// --- the desk's own settlement ---------------------------------------------------------------------

// A room in service with 2 technicians from the idle queue and 3 goods lines (not timed).
void OpenRoom(DeskSession& session, const Clock& clock)
{
    OpenBill bill;
    bill.startTime = clock.now().addSecs(-3600);
    bill.massageClocks = 2;
    bill.footWashClocks = 1;
    const QStringList idle = session.idleQueue().numbers();
    for (int i = 0; i < 2; ++i) {
        bill.technicians.append({ idle[i], QStringLiteral("技师") + idle[i], 2 - i, 1, false });
        if (!session.moveToWorking(idle[i]))
            Fail(QStringLiteral("cannot move a technician"));
    }
    for (int i = 0; i < 3; ++i)
        bill.goods.append({ GoodsName(i), 1 + i, QStringLiteral("5.00"), QStringLiteral("瓶") });
    if (const Outcome<> opened = session.openBill(Room, bill); !opened)
        Fail(opened.text());
}

} // namespace

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("FONTCONFIG_FILE"))
        qputenv("FONTCONFIG_FILE", TAVREL_FONTS_CONF);
    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times settlement and the opening of checkout."));
    parser.addHelpOption();
    const QCommandLineOption folderOption(
        QStringLiteral("folder"), QStringLiteral("data folder made by GenerateHouse"), QStringLiteral("DIR"));
    const QCommandLineOption roundsOption(QStringLiteral("settlements"), QStringLiteral("settlements of each kind"),
        QStringLiteral("N"), QStringLiteral("1000"));
    // For bench/startup.sh: settles while the desk's start works in the background.
    const QCommandLineOption whileOption(QStringLiteral("while-file"),
        QStringLiteral("settle only while FILE exists (at most --settlements rounds)"), QStringLiteral("FILE"));
    parser.addOptions({ folderOption, roundsOption, whileOption });
    parser.process(application);
    if (!parser.isSet(folderOption))
        parser.showHelp(2);
    const int rounds = std::max(10, parser.value(roundsOption).toInt());
    const QString folder = QDir(parser.value(folderOption)).absolutePath();
    if (!QFile::exists(DataFolder::databasePath(folder)) || !DataFolder::prepare(folder))
        Fail(QStringLiteral("%1 holds no data.db: make it with GenerateHouse").arg(folder));

    QElapsedTimer opening;
    opening.start();
    Database database;
    if (!database.open(DataFolder::databasePath(folder)))
        Fail(database.lastError());
    const qint64 receiptsBefore = database.scalar(QStringLiteral("SELECT count(*) FROM Receiptform")).toLongLong();
    QTextStream out(stdout);
    out << "data.db opened (and brought to schema version " << Database::SchemaVersion << ") in " << opening.elapsed()
        << " ms; " << receiptsBefore << " receipts\n";
    out.flush();

    SystemClock clock;
    DeskSession session(database, clock);
    if (const Outcome<> restored = session.restore(); !restored)
        Fail(restored.text());
    session.setCompany(QStringLiteral("Tavrel 桑拿足浴中心"), QStringLiteral("020-00000000"));
    session.setCurrentCashier(QStringLiteral("c1"));
    while (session.idleQueue().size() < QueuedTechnicians) {
        if (!session.queueTechnician(RotaShift::Early, Technician(int(session.idleQueue().size()))))
            Fail(QStringLiteral("cannot queue the technicians (is the rota of today already full?)"));
    }

    const Outcome<std::optional<CommissionFormula>> formula = CommissionFormulaStore(database).load();
    if (!formula || !formula.value())
        Fail(QStringLiteral("no commission formula"));
    PrintingMessages messages;
    SettingFolder settings(folder);
    const ServiceSettings prices = ServiceSettings::readForCheckout(settings, messages);
    Settlement settlement(database, session);
    Floor floor(DataFolder::databasePath(folder));

    QList<qint64> desk;
    QList<qint64> raw;
    const QString whileFile = parser.value(whileOption);
    for (int round = 0; round < rounds; ++round) {
        if (!whileFile.isEmpty() && !QFile::exists(whileFile) && round >= 10)
            break;
        OpenRoom(session, clock);
        SettlementRequest request;
        request.room = Room;
        request.prices = prices;
        request.technicians = session.bill(Room)->technicians;
        request.formula = *formula.value();
        request.billTime = clock.now();
        request.cashier = session.currentCashier();
        QElapsedTimer timer;
        timer.start();
        const Outcome<SettledBill> settled = settlement.settle(request);
        desk.append(timer.nsecsElapsed());
        if (!settled)
            Fail(settled.text());

        floor.openBill(round);
        timer.start();
        floor.settle(round);
        raw.append(timer.nsecsElapsed());
    }

    // Opening checkout on a room in service and drawing it, as the clerk sees it.
    NoPrinter printers;
    NoLauncher launcher;
    NoFiles files;
    Silence sound;
    SilentSpeech speech;
    NoSlipPrinter slips;
    AppServices services { database, session, messages, clock, printers, launcher, files, sound, speech, settings,
        slips };
    OpenRoom(session, clock);
    QList<qint64> checkout;
    for (int round = 0; round < 50; ++round) {
        QElapsedTimer timer;
        timer.start();
        CheckoutDialog dialog(services, Room);
        const QPixmap drawn = dialog.grab();
        checkout.append(timer.nsecsElapsed());
        if (drawn.isNull())
            Fail(QStringLiteral("checkout was not drawn"));
    }
    if (const Outcome<> closed = session.closeRoom(Room); !closed)
        Fail(closed.text());

    const Percentiles ours = PercentilesOf(desk);
    const Percentiles bare = PercentilesOf(raw);
    const Percentiles opened = PercentilesOf(checkout);
    const auto ms = [](double value) { return QString::number(value, 'f', 3); };
    out << desk.size() << " settlements of 2 technicians and 3 goods lines each, on "
        << database.scalar(QStringLiteral("SELECT count(*) FROM Receiptform")).toLongLong() << " receipts:\n";
    out << "  desk settlement     p50 " << ms(ours.p50) << " ms   p99 " << ms(ours.p99) << " ms   max " << ms(ours.max)
        << " ms\n";
    out << "  SQLite C API floor  p50 " << ms(bare.p50) << " ms   p99 " << ms(bare.p99) << " ms   max " << ms(bare.max)
        << " ms\n";
    out << "  ratio               p50 " << QString::number(ours.p50 / bare.p50, 'f', 2) << " x (goal <= 2)   p99 "
        << QString::number(ours.p99 / bare.p99, 'f', 2) << " x (goal <= 1.5)\n";
    out << "checkout opened and drawn, 50 times: p50 " << ms(opened.p50) << " ms   max " << ms(opened.max)
        << " ms (goal <= 30 ms)\n";
    return 0;
}
