// Two desks of one house on one PostgreSQL server, as two real processes beside the test, each
// with its own connection and session, writing at the same moment: nothing is lost or taken
// twice (receipt numbers, stock, technicians), a room changed at both keeps one change and the
// other desk is told, a desk killed in the middle of a settlement leaves the bill whole or
// absent and does not hold up the other desk, what one desk changes the other shows at once,
// and a desk whose connection broke connects again by itself. Every case but the window's
// needs the server `make test` starts (a file has one desk only).
//
// The test runs itself again as each of the other desks:
//     tst_twodesks --child <server address> <scenario> <desk> [count]
// A child says "ready" when it has read the house, waits for "go" on its input where the
// scenario races, and says what it did line by line.

#include "app/Database.h"
#include "app/DatabaseNotices.h"
#include "app/RecordChain.h"
#include "app/SettingPlace.h"
#include "app/SqlTransaction.h"
#include "app/TakingsLedger.h"
#include "desk/DeskSession.h"
#include "service/Settlement.h"
#include "shell/MainWindow.h"
#include "support/DeskFixture.h"
#include "support/ManualClock.h"
#include "support/ServerFixture.h"
#include "support/TestEnvironment.h"
#include "support/WidgetDriver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

const QDateTime Morning(QDate(2026, 12, 7), QTime(10, 0));
const QString Beer = u"啤酒"_s;
constexpr int BeerInStock = 5000;

// One desk of the house: its own connection to the server and its own session on it.
struct ServerDesk
{
    explicit ServerDesk(const ServerAddress& address)
        : session(database, clock)
    {
        if (!database.openServer(address))
            error = database.lastError();
        else if (const Outcome<> restored = session.restore(); !restored)
            error = restored.text();
    }
    bool ok() const { return error.isEmpty(); }

    ManualClock clock { Morning };
    Database database;
    DeskSession session;
    QString error;
};

QString technicianName(const QString& number)
{
    return u"技师"_s + number;
}

// A bill with one massage clock of `number` and a beer.
OpenBill billOf(const QString& number)
{
    OpenBill bill;
    bill.startTime = Morning;
    bill.massageClocks = 1;
    bill.technicians = { { number, technicianName(number), 0, 0, false } };
    bill.goods = { { Beer, 1, u"5.50"_s, u"瓶"_s } };
    return bill;
}

SettlementRequest requestFor(const QString& room, const OpenBill& bill, const QString& cashier)
{
    SettlementRequest request;
    request.room = room;
    request.prices = { Decimal::whole(40), Decimal::whole(30), Decimal::whole(20), Decimal::whole(5),
        Decimal::fromDouble(0.9).value() };
    request.formula = { u"10"_s, u"12"_s, u"15"_s, u"18"_s, u"8"_s, u"5"_s };
    request.billTime = Morning.addSecs(3600);
    request.cashier = cashier;
    request.technicians = bill.technicians;
    for (TechnicianLine& line : request.technicians)
        line.massageClocks = 1;
    return request;
}

void say(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

void waitForGo()
{
    std::string line;
    std::getline(std::cin, line);
}

// --- the other desks ----------------------------------------------------------------------------

// Opens room 80<desk> with technician 0<desk> and settles it, `count` times.
int settleMany(ServerDesk& desk, const QString& number, int count)
{
    const QString room = u"80"_s + number.right(1);
    Settlement settlement(desk.database, desk.session);
    say(u"ready"_s);
    waitForGo();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        const OpenBill bill = billOf(number);
        if (const Outcome<> opened = desk.session.openBill(room, bill); !opened) {
            say(u"failed to open: "_s + opened.text());
            return 3;
        }
        if (const Outcome<SettledBill> settled = settlement.settle(requestFor(room, bill, u"c"_s + number)); !settled) {
            say(u"failed to settle: "_s + settled.text());
            return 4;
        }
    }
    say(u"settled %1 in %2 ms"_s.arg(count).arg(timer.elapsed()));
    return 0;
}

// Opens `count` rooms one after the other and puts "the next technician" on each: the head of
// the idle queue as this desk shows it, again when another desk took him first.
int takeTheNext(ServerDesk& desk, const QString& deskNumber, int count)
{
    say(u"ready"_s);
    waitForGo();
    int refused = 0;
    for (int i = 0; i < count; ++i) {
        const QString room = u"%1%2"_s.arg(deskNumber).arg(i + 1, 2, 10, QChar(u'0'));
        OpenBill bill;
        bill.startTime = Morning;
        if (const Outcome<> opened = desk.session.openBill(room, bill); !opened) {
            say(u"failed to open: "_s + opened.text());
            return 3;
        }
        for (;;) {
            const QString head = desk.session.idleQueue().numbers().value(0);
            const Outcome<> taken = desk.session.addTechnician(room, { head, technicianName(head), 0, 0, false });
            if (taken) {
                say(u"took "_s + head);
                break;
            }
            if (taken.text() != DeskSession::TechnicianChangedText.arg(head)) {
                say(u"failed to take: "_s + taken.text());
                return 4;
            }
            ++refused;
        }
    }
    say(u"refused %1"_s.arg(refused));
    return 0;
}

// Room 6<desk>1 takes one technician when told: the next in turn ("next"), or 01 asked for by
// the guest ("ask"). Either is taken or refused once, without trying again.
int takeOnce(ServerDesk& desk, const QString& deskNumber, bool ask)
{
    const QString room = u"6%11"_s.arg(deskNumber);
    OpenBill bill;
    bill.startTime = Morning;
    if (const Outcome<> opened = desk.session.openBill(room, bill); !opened) {
        say(u"failed to open: "_s + opened.text());
        return 3;
    }
    say(u"ready"_s);
    waitForGo();
    const QString number = ask ? u"01"_s : desk.session.nextTechnician();
    TechnicianLine line { number, technicianName(number), 0, 0, false };
    line.requested = ask;
    const Outcome<> taken = desk.session.addTechnician(room, line);
    say(taken ? u"took "_s + number : u"refused "_s + taken.text());
    return 0;
}

// Sets the massage clocks of room 301 to the desk's number, at the same moment as the other.
int changeTheRoom(ServerDesk& desk, const QString& deskNumber)
{
    say(u"ready"_s);
    waitForGo();
    const Outcome<> changed = desk.session.setCount(u"301"_s, BillCount::Massage, deskNumber.toInt());
    say(changed ? u"changed"_s : u"refused "_s + changed.text());
    const std::optional<OpenBill> shown = desk.session.bill(u"301"_s);
    say(u"shows %1"_s.arg(shown ? shown->massageClocks : -1));
    return 0;
}

// Settles room 501 inside a transaction that it never ends: killed there.
[[noreturn]] void dieInTheMiddle(ServerDesk& desk)
{
    const std::optional<OpenBill> bill = desk.session.bill(u"501"_s);
    if (!bill)
        std::exit(3);
    Settlement settlement(desk.database, desk.session);
    SqlTransaction action(desk.database);
    const Outcome<SettledBill> settled = settlement.settle(requestFor(u"501"_s, *bill, u"c5"_s));
    if (!settled)
        std::exit(4);
    say(u"inside %1"_s.arg(settled.value().receiptNumber));
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1)); // until the parent kills us
}

// A guest comes into room 305, or (`setting`) the house's prices change, when told.
int changeOnce(ServerDesk& desk, const QString& what)
{
    say(u"ready"_s);
    waitForGo();
    if (what == u"setting"_s) {
        SilentMessages messages;
        say(SettingRows(desk.database).write(u"pagesel1.dat"_s, "40 30 20", messages) ? u"done"_s : u"failed"_s);
        return 0;
    }
    const Outcome<> marked = desk.session.markGuestIn(u"305"_s);
    say(marked ? u"done"_s : u"failed "_s + marked.text());
    return 0;
}

int runChild(const QStringList& arguments)
{
    const Outcome<ServerAddress> address = ServerAddress::parse(arguments.value(0));
    if (!address)
        return 2;
    ServerDesk desk(address.value());
    if (!desk.ok()) {
        say(u"failed to start: "_s + desk.error);
        return 2;
    }
    const QString scenario = arguments.value(1);
    const QString deskNumber = arguments.value(2);
    const int count = arguments.value(3).toInt();
    if (scenario == u"settle"_s)
        return settleMany(desk, deskNumber, count);
    if (scenario == u"next"_s)
        return takeTheNext(desk, deskNumber, count);
    if (scenario == u"room"_s)
        return changeTheRoom(desk, deskNumber);
    if (scenario == u"ask"_s || scenario == u"nextonce"_s)
        return takeOnce(desk, deskNumber, scenario == u"ask"_s);
    if (scenario == u"die"_s)
        dieInTheMiddle(desk);
    return changeOnce(desk, scenario);
}

// --- the test's side ----------------------------------------------------------------------------

// Another desk of the house, running as a process of its own.
class OtherDeskProcess
{
public:
    OtherDeskProcess(const ServerAddress& address, const QStringList& arguments)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(
            QCoreApplication::applicationFilePath(), QStringList { u"--child"_s, address.url() } + arguments);
    }
    ~OtherDeskProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    OtherDeskProcess(const OtherDeskProcess&) = delete;
    OtherDeskProcess& operator=(const OtherDeskProcess&) = delete;

    // The next line the desk says; empty when it ended or said nothing for `wait` ms.
    QString nextLine(int wait = 120000)
    {
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(wait))
                return m_process.canReadLine() ? nextLine(0) : QString();
        }
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }
    // Every line up to its end.
    QStringList allLines()
    {
        QStringList lines;
        for (QString line = nextLine(); !line.isEmpty(); line = nextLine())
            lines << line;
        return lines;
    }
    void go()
    {
        m_process.write("go\n");
        m_process.waitForBytesWritten();
    }
    bool ended()
    {
        if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(120000))
            return false;
        return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }
    QProcess& process() { return m_process; }

private:
    QProcess m_process;
};

// Waits until both desks have read the house, then lets them go at the same moment.
bool bothReadyThenGo(OtherDeskProcess& first, OtherDeskProcess& second)
{
    for (OtherDeskProcess* desk : { &first, &second }) {
        if (const QString said = desk->nextLine(); said != u"ready"_s) {
            qWarning("a desk did not get ready: %s", qPrintable(said));
            return false;
        }
    }
    first.go();
    second.go();
    return true;
}

bool makeHouse(const ServerAddress& address, int technicians)
{
    Database house;
    if (!house.createHouse(address)) {
        qWarning("%s", qPrintable(house.lastError()));
        return false;
    }
    for (int i = 1; i <= technicians; ++i) {
        const QString number = u"%1"_s.arg(i, 2, 10, QChar(u'0'));
        if (!house
                 .exec(u"INSERT INTO worksinfo (str1, str2, str9, restday, workstatus) VALUES (?, ?, '技师', 100, 0)"_s,
                     { number, technicianName(number) })
                 .ok())
            return false;
    }
    if (!house
             .exec(u"INSERT INTO kucheninfo (str1, str2, str4, str5, str6) VALUES ('G1', ?, '瓶', '5.5', ?)"_s,
                 { Beer, QString::number(BeerInStock) })
             .ok())
        return false;
    ManualClock clock(Morning);
    DeskSession session(house, clock);
    if (!session.restore())
        return false;
    for (int i = 1; i <= technicians; ++i) {
        if (!session.queueTechnician(RotaShift::Early, u"%1"_s.arg(i, 2, 10, QChar(u'0'))))
            return false;
    }
    return true;
}

bool makeHouse(const ServerFixture& server, int technicians)
{
    return makeHouse(server.address(), technicians);
}

// A server of a test's own, which it may restart without disturbing the others': the
// throwaway cluster of `make test`, in a folder of its own.
class OwnServer
{
public:
    OwnServer()
    {
        // The server's user reaches the folder; its socket path must stay short.
        QFile::setPermissions(m_parent.path(),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ExeOther);
        const std::optional<QString> said = script(u"start"_s);
        static const QRegularExpression line(u"TAVREL_TEST_SERVER='([^']+)'"_s);
        const QRegularExpressionMatch match = line.match(said.value_or(QString()));
        if (const Outcome<ServerAddress> parsed = ServerAddress::parse(match.captured(1)); match.hasMatch() && parsed)
            m_address = parsed.value();
    }
    ~OwnServer() { script(u"stop"_s); }

    const std::optional<ServerAddress>& address() const { return m_address; }
    bool restart() { return script(u"restart"_s).has_value(); }

private:
    // Runs scripts/pg-throwaway.sh; what it printed, or nothing when it failed.
    std::optional<QString> script(const QString& action) const
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(u"bash"_s,
            { QStringLiteral(TAVREL_SOURCE_DIR) + u"/scripts/pg-throwaway.sh"_s, action, m_parent.filePath(u"pg"_s) });
        if (!process.waitForFinished(60'000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    QTemporaryDir m_parent { u"/tmp/tavrel-restart-XXXXXX"_s };
    std::optional<ServerAddress> m_address;
};

qint64 number(Database& database, const QString& sql, const QVariantList& values = {})
{
    QString error;
    const QVariant value = database.scalar(sql, values, &error);
    if (!error.isEmpty())
        qWarning("%s: %s", qPrintable(sql), qPrintable(error));
    return value.toLongLong();
}

// A house on the fixture's database with technicians 01 to `technicians` in the idle queue in
// that order and beer in stock.

// The receipts' chain walked and the daily ledger compared with the rows: both hold.
void verifyTheBooks(Database& database)
{
    const RecordChain::Verdict chains = RecordChain::verify(database.connection());
    QVERIFY2(chains.whole(), qPrintable(chains.summary()));
    QString error;
    QSqlDatabase connection = database.connection();
    const QStringList differences = TakingsLedger::Differences(connection, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY2(differences.isEmpty(), qPrintable(differences.join(u'\n')));
}

} // namespace

class tst_TwoDesks : public QObject
{
    Q_OBJECT

private slots:
    void settlementsAtOnceTakeEveryNumberOnce();
    void bothDesksTakeTheNextTechnician();
    void aRequestedTechnicianGoesToOneDesk();
    void aRoomChangedAtBothKeepsOneChange();
    void aDeskKilledInASettlementHoldsUpNobody();
    void aChangeAtOneDeskShowsAtTheOther();
    void aDeskWhoseConnectionBrokeConnectsAgain();
    void aDeskOutlivesARestartOfItsServer();
    void aBrokenConnectionShowsInTheWindow();
};

void tst_TwoDesks::settlementsAtOnceTakeEveryNumberOnce()
{
    TAVREL_SKIP_WITHOUT_SERVER();
    ServerFixture server;
    QVERIFY2(server.ok(), qPrintable(server.error()));
    QVERIFY(makeHouse(server, 2));

    constexpr int EachDesk = 500;
    OtherDeskProcess first(server.address(), { u"settle"_s, u"01"_s, QString::number(EachDesk) });
    OtherDeskProcess second(server.address(), { u"settle"_s, u"02"_s, QString::number(EachDesk) });
    QVERIFY(bothReadyThenGo(first, second));
    const QString firstDone = first.nextLine();
    const QString secondDone = second.nextLine();
    QVERIFY2(firstDone.startsWith(u"settled %1 "_s.arg(EachDesk)), qPrintable(firstDone));
    QVERIFY2(secondDone.startsWith(u"settled %1 "_s.arg(EachDesk)), qPrintable(secondDone));
    QVERIFY(first.ended() && second.ended());
    qInfo("%s; %s", qPrintable(firstDone), qPrintable(secondDone));

    ServerDesk desk(server.address());
    QVERIFY2(desk.ok(), qPrintable(desk.error));
    Database& db = desk.database;
    // Every number from 1 to 1000 once, each desk's bills under its own room.
    constexpr int All = 2 * EachDesk;
    QCOMPARE(number(db, u"SELECT count(*) FROM Receiptform"_s), All);
    QCOMPARE(number(db, u"SELECT count(DISTINCT id) FROM Receiptform"_s), All);
    QCOMPARE(number(db, u"SELECT min(id) FROM Receiptform"_s), 1);
    QCOMPARE(number(db, u"SELECT max(id) FROM Receiptform"_s), All);
    QCOMPARE(number(db, u"SELECT count(*) FROM Receiptform WHERE housnum='801'"_s), EachDesk);
    // Each salary and goods row under its own bill's number, one of each per bill.
    for (const QString& table : { u"salaryform"_s, u"spsalay"_s }) {
        QCOMPARE(number(db, u"SELECT count(*) FROM %1"_s.arg(table)), All);
        QCOMPARE(number(db, u"SELECT count(DISTINCT id) FROM %1"_s.arg(table)), All);
        QCOMPARE(number(db,
                     u"SELECT count(*) FROM %1 t JOIN Receiptform r ON r.id=t.id AND r.cashier=t.cashier"_s.arg(table)),
            All);
    }
    QCOMPARE(number(db,
                 u"SELECT count(*) FROM salaryform s JOIN Receiptform r ON r.id=s.id "
                 "WHERE s.num = '0' || substr(r.housnum, 3, 1)"_s),
        All);
    // The stock counted down once per beer sold.
    QCOMPARE(db.scalar(u"SELECT str6 FROM kucheninfo WHERE str2=?"_s, { Beer }).toString(),
        QString::number(BeerInStock - All));
    // Every bill closed its room and sent its technician back.
    QVERIFY(desk.session.bills().isEmpty());
    QCOMPARE(desk.session.idleQueue().numbers(), (QStringList { u"01"_s, u"02"_s }));
    verifyTheBooks(db);
}

// One desk takes the next in turn while the other asks for the same technician by number (点钟):
// she serves one room; the other desk is told, or had already seen her taken and took another
// (whoever the queue, as the rounds before left it, offered next).
void tst_TwoDesks::aRequestedTechnicianGoesToOneDesk()
{
    TAVREL_SKIP_WITHOUT_SERVER();
    ServerFixture server;
    QVERIFY2(server.ok(), qPrintable(server.error()));
    QVERIFY(makeHouse(server, 3));
    for (int round = 0; round < 3; ++round) {
        if (round > 0) {
            ServerDesk clearing(server.address());
            QVERIFY2(clearing.ok(), qPrintable(clearing.error));
            for (const QString& room : clearing.session.bills().keys())
                QVERIFY(clearing.session.closeRoom(room).ok());
        }
        OtherDeskProcess next(server.address(), { u"nextonce"_s, u"1"_s });
        OtherDeskProcess ask(server.address(), { u"ask"_s, u"2"_s });
        QVERIFY(bothReadyThenGo(next, ask));
        const QString nextSaid = next.nextLine();
        const QString askSaid = ask.nextLine();
        QVERIFY(next.ended() && ask.ended());
        qInfo("next: %s; ask: %s", qPrintable(nextSaid), qPrintable(askSaid));
        const QString told = u"refused "_s + DeskSession::TechnicianChangedText.arg(u"01"_s);
        QVERIFY2((nextSaid == u"took 01"_s && askSaid == told)
                || (askSaid == u"took 01"_s
                    && (nextSaid == told || (nextSaid.startsWith(u"took "_s) && nextSaid != u"took 01"_s))),
            qPrintable(nextSaid + u" / "_s + askSaid));

        ServerDesk desk(server.address());
        QVERIFY2(desk.ok(), qPrintable(desk.error));
        int rooms = 0;
        for (const OpenBill& bill : desk.session.bills()) {
            for (const TechnicianLine& line : bill.technicians) {
                if (line.number == u"01"_s) {
                    ++rooms;
                    QCOMPARE(line.requested, askSaid == u"took 01"_s);
                }
            }
        }
        QCOMPARE(rooms, 1);
        QCOMPARE(desk.session.workingList().numbers().count(u"01"_s), 1);
    }
}

void tst_TwoDesks::bothDesksTakeTheNextTechnician()
{
    TAVREL_SKIP_WITHOUT_SERVER();
    ServerFixture server;
    QVERIFY2(server.ok(), qPrintable(server.error()));
    constexpr int Rooms = 20;
    QVERIFY(makeHouse(server, 2 * Rooms + 5));

    OtherDeskProcess first(server.address(), { u"next"_s, u"1"_s, QString::number(Rooms) });
    OtherDeskProcess second(server.address(), { u"next"_s, u"2"_s, QString::number(Rooms) });
    QVERIFY(bothReadyThenGo(first, second));
    QStringList taken;
    int refused = 0;
    for (OtherDeskProcess* desk : { &first, &second }) {
        const QStringList lines = desk->allLines();
        QVERIFY(desk->ended());
        QCOMPARE(lines.size(), Rooms + 1);
        for (const QString& line : lines.first(Rooms)) {
            QVERIFY2(line.startsWith(u"took "_s), qPrintable(line));
            taken << line.mid(5);
        }
        QVERIFY2(lines.last().startsWith(u"refused "_s), qPrintable(lines.last()));
        refused += lines.last().mid(8).toInt();
    }
    qInfo("%d times a desk found the next technician taken by the other", refused);

    // Two different technicians each time: the first 40 of the queue, nobody twice.
    QStringList expected;
    for (int i = 1; i <= 2 * Rooms; ++i)
        expected << u"%1"_s.arg(i, 2, 10, QChar(u'0'));
    QStringList sorted = taken;
    sorted.sort();
    QCOMPARE(sorted, expected);

    ServerDesk desk(server.address());
    QVERIFY2(desk.ok(), qPrintable(desk.error));
    QStringList working = desk.session.workingList().numbers();
    working.sort();
    QCOMPARE(working, expected);
    QCOMPARE(desk.session.idleQueue().numbers(), (QStringList { u"41"_s, u"42"_s, u"43"_s, u"44"_s, u"45"_s }));
    QCOMPARE(desk.session.bills().size(), 2 * Rooms);
    for (const OpenBill& bill : desk.session.bills())
        QCOMPARE(bill.technicians.size(), 1);
}

void tst_TwoDesks::aRoomChangedAtBothKeepsOneChange()
{
    TAVREL_SKIP_WITHOUT_SERVER();
    ServerFixture server;
    QVERIFY2(server.ok(), qPrintable(server.error()));
    QVERIFY(makeHouse(server, 2));
    {
        ServerDesk desk(server.address());
        QVERIFY2(desk.ok(), qPrintable(desk.error));
        OpenBill bill;
        bill.startTime = Morning;
        QVERIFY(desk.session.openBill(u"301"_s, bill));
    }

    OtherDeskProcess first(server.address(), { u"room"_s, u"1"_s });
    OtherDeskProcess second(server.address(), { u"room"_s, u"2"_s });
    QVERIFY(bothReadyThenGo(first, second));
    const QStringList firstSaid = first.allLines();
    const QStringList secondSaid = second.allLines();
    QVERIFY(first.ended() && second.ended());
    QCOMPARE(firstSaid.size(), 2);
    QCOMPARE(secondSaid.size(), 2);

    // One change won; the other desk was told and shows the winner's.
    const bool firstWon = firstSaid[0] == u"changed"_s;
    const QStringList& won = firstWon ? firstSaid : secondSaid;
    const QStringList& lost = firstWon ? secondSaid : firstSaid;
    const int winner = firstWon ? 1 : 2;
    QCOMPARE(won[0], u"changed"_s);
    QCOMPARE(lost[0], u"refused "_s + DeskSession::RoomChangedText.arg(u"301"_s));
    QCOMPARE(won[1], u"shows %1"_s.arg(winner));
    QCOMPARE(lost[1], u"shows %1"_s.arg(winner));

    ServerDesk desk(server.address());
    QVERIFY2(desk.ok(), qPrintable(desk.error));
    QCOMPARE(desk.session.bill(u"301"_s)->massageClocks, winner);
}

void tst_TwoDesks::aDeskKilledInASettlementHoldsUpNobody()
{
    TAVREL_SKIP_WITHOUT_SERVER();
    ServerFixture server;
    QVERIFY2(server.ok(), qPrintable(server.error()));
    QVERIFY(makeHouse(server, 2));
    ServerDesk desk(server.address());
    QVERIFY2(desk.ok(), qPrintable(desk.error));
    const OpenBill killedBill = billOf(u"01"_s);
    const OpenBill otherBill = billOf(u"02"_s);
    QVERIFY(desk.session.openBill(u"501"_s, killedBill));
    QVERIFY(desk.session.openBill(u"502"_s, otherBill));

    OtherDeskProcess killed(server.address(), { u"die"_s, u"5"_s });
    QCOMPARE(killed.nextLine(), u"inside 1"_s);

    // While that desk is inside its settlement this one waits for it, then gives up and says so.
    Settlement settlement(desk.database, desk.session);
    const Outcome<SettledBill> waited = settlement.settle(requestFor(u"502"_s, otherBill, u"c2"_s));
    QVERIFY(!waited);
    QCOMPARE(waited.text(), SqlTransaction::BusyText);
    QVERIFY(desk.session.bill(u"502"_s).has_value());
    QCOMPARE(desk.database.transactionDepth(), 0);

    ::kill(static_cast<pid_t>(killed.process().processId()), SIGKILL);
    QVERIFY(killed.process().waitForFinished());
    QCOMPARE(killed.process().exitStatus(), QProcess::CrashExit);

    // The killed desk's bill is absent, its room as it was; this desk settles at once and takes
    // the number the killed one never stored.
    const Outcome<SettledBill> settled = settlement.settle(requestFor(u"502"_s, otherBill, u"c2"_s));
    QVERIFY2(settled.ok(), qPrintable(settled.text()));
    QCOMPARE(settled.value().receiptNumber, 1);
    Database& db = desk.database;
    QCOMPARE(number(db, u"SELECT count(*) FROM Receiptform"_s), 1);
    QCOMPARE(number(db, u"SELECT count(*) FROM Receiptform WHERE housnum='501'"_s), 0);
    QCOMPARE(number(db, u"SELECT count(*) FROM salaryform"_s), 1);
    QCOMPARE(number(db, u"SELECT count(*) FROM spsalay"_s), 1);
    QCOMPARE(db.scalar(u"SELECT str6 FROM kucheninfo WHERE str2=?"_s, { Beer }).toString(),
        QString::number(BeerInStock - 1));
    QCOMPARE(desk.session.bill(u"501"_s), std::optional<OpenBill>(killedBill));
    QVERIFY(!desk.session.bill(u"502"_s));
    verifyTheBooks(db);
}

void tst_TwoDesks::aChangeAtOneDeskShowsAtTheOther()
{
    TAVREL_SKIP_WITHOUT_SERVER();
    ServerFixture server;
    QVERIFY2(server.ok(), qPrintable(server.error()));
    QVERIFY(makeHouse(server, 2));
    ServerDesk desk(server.address());
    QVERIFY2(desk.ok(), qPrintable(desk.error));

    // A lamp lit at the other desk shows here within a second (the desk's own look every few
    // seconds comes later than that).
    {
        QSignalSpy rooms(&desk.session, &DeskSession::roomChanged);
        OtherDeskProcess other(server.address(), { u"lamp"_s, u"1"_s });
        QCOMPARE(other.nextLine(), u"ready"_s);
        const int readsBefore = desk.session.stateReads();
        other.go();
        QVERIFY(rooms.wait(1000));
        QCOMPARE(rooms.first().first().toString(), u"305"_s);
        QCOMPARE(desk.session.roomState(u"305"_s), RoomState::GuestIn);
        QCOMPARE(desk.session.stateReads(), readsBefore + 1);
        QCOMPARE(other.nextLine(), u"done"_s);
        QVERIFY(other.ended());
    }

    // This desk's own change reads nothing again.
    {
        const int readsBefore = desk.session.stateReads();
        QVERIFY(desk.session.markGuestIn(u"306"_s));
        QTest::qWait(300);
        QCOMPARE(desk.session.stateReads(), readsBefore);
    }

    // A setting changed at the other desk is announced here.
    {
        QSignalSpy settings(&desk.session, &DeskSession::settingsChanged);
        OtherDeskProcess other(server.address(), { u"setting"_s, u"1"_s });
        QCOMPARE(other.nextLine(), u"ready"_s);
        other.go();
        QVERIFY(settings.wait(1000));
        QCOMPARE(other.nextLine(), u"done"_s);
        QVERIFY(other.ended());
    }

    // A change whose notice this desk missed (written past any desk) is found by looking again.
    {
        QSignalSpy rooms(&desk.session, &DeskSession::roomChanged);
        QSqlQuery byHand(server.database());
        QVERIFY(byHand.exec(u"INSERT INTO desk_room (number) VALUES ('307')"_s));
        QVERIFY(byHand.exec(u"UPDATE desk_day SET version=version+1"_s));
        QVERIFY(rooms.wait(DeskSession::LookAgainInterval + 2000));
        QCOMPARE(rooms.first().first().toString(), u"307"_s);
        QCOMPARE(desk.session.roomState(u"307"_s), RoomState::GuestIn);
    }
}

void tst_TwoDesks::aDeskWhoseConnectionBrokeConnectsAgain()
{
    TAVREL_SKIP_WITHOUT_SERVER();
    ServerFixture server;
    QVERIFY2(server.ok(), qPrintable(server.error()));
    QVERIFY(makeHouse(server, 2));
    ServerDesk desk(server.address());
    QVERIFY2(desk.ok(), qPrintable(desk.error));
    ServerDesk other(server.address());
    QVERIFY2(other.ok(), qPrintable(other.error));
    QSignalSpy connection(&desk.session, &DeskSession::connectionChanged);

    // The server ends the desk's session, as it does when it is restarted.
    QSqlQuery byHand(server.database());
    QVERIFY(byHand.prepare(u"SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname=current_database() "
                           "AND pid<>pg_backend_pid() AND pid<>?"_s));
    byHand.addBindValue(other.database.scalar(u"SELECT pg_backend_pid()"_s));
    QVERIFY(byHand.exec());

    // The next action says so and changes nothing; nothing else is tried on the dead connection.
    const Outcome<> lost = desk.session.markGuestIn(u"310"_s);
    QVERIFY(!lost);
    QVERIFY2(lost.text().startsWith(u"与服务器的连接已断开"_s), qPrintable(lost.text()));
    QVERIFY(!desk.database.isOpen());
    QCOMPARE(desk.session.roomState(u"310"_s), RoomState::Idle);
    QCOMPARE(desk.database.transactionDepth(), 0);

    // Meanwhile the other desk goes on; this one hears nothing of it.
    QVERIFY(other.session.markGuestIn(u"311"_s));

    // The desk says the connection broke, connects again by itself and reads everything again.
    QTRY_COMPARE_WITH_TIMEOUT(connection.size(), 2, DeskSession::LookAgainInterval + 3000);
    QCOMPARE(connection[0].first().toBool(), false);
    QCOMPARE(connection[1].first().toBool(), true);
    QVERIFY(desk.session.connected());
    QCOMPARE(desk.session.roomState(u"311"_s), RoomState::GuestIn);
    QVERIFY(desk.session.markGuestIn(u"310"_s));

    // … and hears the other desk again.
    QSignalSpy rooms(&desk.session, &DeskSession::roomChanged);
    QVERIFY(other.session.markGuestIn(u"312"_s));
    QVERIFY(rooms.wait(1000));
    QCOMPARE(rooms.first().first().toString(), u"312"_s);
}

// The server PC restarted under a running desk: the next action says so and writes nothing, the
// desk connects again by itself, reads the state again, and the next settlement goes through.
void tst_TwoDesks::aDeskOutlivesARestartOfItsServer()
{
    TAVREL_SKIP_WITHOUT_SERVER(); // the PostgreSQL of the tests is installed
    OwnServer server;
    QVERIFY(server.address());
    QVERIFY(makeHouse(*server.address(), 2));
    ServerDesk desk(*server.address());
    QVERIFY2(desk.ok(), qPrintable(desk.error));
    const OpenBill bill = billOf(u"01"_s);
    QVERIFY(desk.session.moveToWorking(u"01"_s));
    QVERIFY(desk.session.openBill(u"801"_s, bill));
    QSignalSpy connection(&desk.session, &DeskSession::connectionChanged);

    QVERIFY(server.restart());
    Settlement settlement(desk.database, desk.session);
    const Outcome<SettledBill> lost = settlement.settle(requestFor(u"801"_s, bill, u"c1"_s));
    QVERIFY(!lost);
    QVERIFY2(lost.text().startsWith(u"与服务器的连接已断开"_s), qPrintable(lost.text()));
    QVERIFY(desk.session.bill(u"801"_s).has_value());

    QTRY_COMPARE_WITH_TIMEOUT(connection.size(), 2, DeskSession::LookAgainInterval + 5000);
    QCOMPARE(connection[1].first().toBool(), true);
    QCOMPARE(desk.session.bill(u"801"_s), std::optional<OpenBill>(bill));
    const Outcome<SettledBill> settled = settlement.settle(requestFor(u"801"_s, bill, u"c1"_s));
    QVERIFY2(settled.ok(), qPrintable(settled.text()));
    QCOMPARE(settled.value().receiptNumber, 1);
    QVERIFY(!desk.session.bill(u"801"_s));
    verifyTheBooks(desk.database);
}

// Needs no server: the window as the session's signal leaves it.
void tst_TwoDesks::aBrokenConnectionShowsInTheWindow()
{
    DeskFixture desk(Morning);
    QVERIFY(desk.start());
    MainWindow& window = desk.window();
    auto* pane = Child<QLabel>(&window, u"connectionPane"_s);
    window.show();
    QVERIFY(!pane->isVisible());

    emit desk.session().connectionChanged(false);
    QVERIFY(pane->isVisible());
    QCOMPARE(pane->text(), DeskSession::ConnectionLostText);
    QVERIFY(!window.centralWidget()->isEnabled());
    for (const QSize size : { QSize(1366, 768), QSize(1024, 768) }) {
        window.resize(size);
        QTest::qWait(50);
        window.grab().save(TestOutputPath(u"connection-lost-%1.png"_s.arg(size.width())));
    }

    emit desk.session().connectionChanged(true);
    QVERIFY(!pane->isVisible());
    QVERIFY(window.centralWidget()->isEnabled());
}

int main(int argc, char* argv[])
{
    if (argc >= 2 && qstrcmp(argv[1], "--child") == 0) {
        QCoreApplication application(argc, argv);
        return runChild(application.arguments().mid(2));
    }
    QApplication application(argc, argv);
    tst_TwoDesks test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_twodesks.moc"
