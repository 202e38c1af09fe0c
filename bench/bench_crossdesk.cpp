// How soon a desk shows what another desk of the same house did: desk A changes a room's live
// state through its desk session (a guest in, a technician on, the bill settled by the desk's
// own settlement, which ends the stay) and commits; desk B, another process with the room
// board's page of lamps drawn offscreen on the same house, repaints that room's lamp. Each
// change is timed from A's commit to the end of B's paint of the lamp, on one machine, where
// CLOCK_MONOTONIC is one clock for both processes: A stamps the moment it sends its COMMIT
// (and, apart, the moment it returned), B stamps the moment its lamp's paint event was done and
// writes it to its standard output, together with the moments the notice arrived and the
// session announced the room, which tell where the time goes.
//
// The floor, measured in the same run and alternating with the desk's changes: the same round
// trip through libpq alone, a process that commits a row and a NOTIFY, and another whose
// libpq LISTEN wakes on the notice in select(), timed from the moment the COMMIT is sent to
// the wake-up. Run by hand:
//
//     bench_crossdesk --server postgresql://tavrel@%2Ftmp%2Fpg/benchhouse [--changes 300] [--room 101]
//
// The database holds a house (LoadHouseOnServer, tavrel --create-house) or is empty and gets
// one. The room must be one of the first page's numbers; it is left idle at the end.

#include "BenchSupport.h"
#include "SettlementTimings.h"
#include "app/SqlTransaction.h"
#include "payroll/CommissionFormulaStore.h"
#include "rooms/RoomBoard.h"
#include "rooms/RoomCell.h"
#include "rooms/RoomLamp.h"
#include "rooms/RoomPage.h"
#include "rooms/RoomState.h"
#include "service/ServiceSettings.h"
#include "service/Settlement.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QEvent>
#include <QProcess>
#include <QSqlDriver>
#include <QTextStream>
#include <QtEndian>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <libpq-fe.h>
#include <sys/prctl.h>
#include <sys/select.h>

namespace {

const char FloorChannel[] = "bench_crossdesk_floor";
constexpr int WaitForPaintMs = 5000; // a change whose paint does not come within this counts as this

qint64 Now()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// One line to the parent at once: it is waiting for it.
void Tell(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

// A lamp's text on one line.
QString OneLine(const QString& text)
{
    return text.simplified();
}

Database& OpenHouse(Database& database, const QString& url)
{
    const Outcome<ServerAddress> address = ServerAddress::parse(url);
    if (!address)
        Fail(address.text());
    if (!database.openServer(address.value())) {
        if (database.problem() != DatabaseProblem::NoHouse || !database.createHouse(address.value())
            || !database.openServer(address.value()))
            Fail(database.lastError());
    }
    return database;
}

// --- desk B: the page of lamps ---------------------------------------------------------------------

// Stamps the end of every paint of the watched lamp, with the text it painted.
class PaintStamp : public QObject
{
public:
    explicit PaintStamp(RoomLamp* lamp)
        : m_lamp(lamp)
    {
        lamp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_lamp || event->type() != QEvent::Paint)
            return false;
        // The lamp paints itself here, inside the paint pass; the stamp is the moment it is done.
        static_cast<QObject*>(m_lamp)->event(event);
        Tell(QStringLiteral("paint %1 %2").arg(Now()).arg(OneLine(m_lamp->text())));
        return true;
    }

private:
    RoomLamp* m_lamp;
};

int RunBoard(const QString& url, const QString& room)
{
    const Outcome<ServerAddress> address = ServerAddress::parse(url);
    if (!address)
        Fail(address.text());
    ServerBenchDesk desk(address.value(), true);
    Database& database = desk.database;
    DeskSession& session = desk.session;
    AppServices& services = desk.services;
    // Where the time goes: the notice's arrival on the desk's connection (heard here before the
    // session hears it, which reads the room at once), and the session's announcement of the
    // room once it has read it.
    QObject::connect(database.connection().driver(), &QSqlDriver::notification, database.connection().driver(),
        [](const QString&, QSqlDriver::NotificationSource, const QVariant& payload) {
            Tell(QStringLiteral("notice %1 %2").arg(Now()).arg(payload.toString()));
        });
    if (const Outcome<> restored = session.restore(); !restored)
        Fail(restored.text());

    RoomBoard board(*desk.settings, 1);
    board.load(desk.messages);
    RoomPage page(0, board, services);
    page.resize(1000, 640);
    page.show();
    const int index = page.roomWithNumber(room);
    if (index == 0)
        Fail(QStringLiteral("no room %1 on the first page").arg(room));
    PaintStamp stamp(page.room(index)->lamp());

    QObject::connect(&session, &DeskSession::roomChanged, &page,
        [](const QString& changed) { Tell(QStringLiteral("changed %1 %2").arg(Now()).arg(changed)); });
    Idle(200);
    Tell(QStringLiteral("ready"));
    return QCoreApplication::exec();
}

// --- the floor's listener: libpq alone ------------------------------------------------------------

int RunListener(const QString& url)
{
    PGconn* connection = PQconnectdb(url.toUtf8().constData());
    if (PQstatus(connection) != CONNECTION_OK)
        Fail(QString::fromUtf8(PQerrorMessage(connection)));
    PGresult* listening = PQexec(connection, QByteArray(QByteArray("LISTEN ") + FloorChannel).constData());
    if (PQresultStatus(listening) != PGRES_COMMAND_OK)
        Fail(QString::fromUtf8(PQerrorMessage(connection)));
    PQclear(listening);
    Tell(QStringLiteral("ready"));
    const int socket = PQsocket(connection);
    for (;;) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket, &readable);
        if (select(socket + 1, &readable, nullptr, nullptr, nullptr) < 0)
            Fail(QStringLiteral("select failed"));
        if (!PQconsumeInput(connection))
            Fail(QString::fromUtf8(PQerrorMessage(connection)));
        while (PGnotify* notice = PQnotifies(connection)) {
            Tell(QStringLiteral("woke %1 %2").arg(Now()).arg(QString::fromUtf8(notice->extra)));
            PQfreemem(notice);
        }
    }
}

// --- desk A and the floor's writer ------------------------------------------------------------------

// A child process of this program in another role, read line by line.
class Child
{
public:
    Child(const QStringList& arguments, const QString& name)
        : m_name(name)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.setReadChannel(QProcess::StandardOutput);
        m_process.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        m_process.start(QCoreApplication::applicationFilePath(), arguments);
        if (!m_process.waitForStarted())
            Fail(QStringLiteral("cannot start %1").arg(name));
        for (;;) {
            const std::optional<QString> line = next(QDeadlineTimer(60000));
            if (!line)
                Fail(QStringLiteral("%1 did not start").arg(name));
            if (*line == u"ready")
                break;
        }
    }
    ~Child()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(3000);
    }

    // The next line, or nothing when none came before the deadline.
    std::optional<QString> next(QDeadlineTimer deadline)
    {
        while (!m_process.canReadLine()) {
            if (m_process.state() == QProcess::NotRunning)
                Fail(QStringLiteral("%1 ended").arg(m_name));
            if (deadline.hasExpired() || !m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
                if (!m_process.canReadLine())
                    return std::nullopt;
        }
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }

private:
    QString m_name;
    QProcess m_process;
};

// One line of a child: what, when, and the rest.
struct Report
{
    QString kind;
    qint64 at = 0;
    QString text;
};

Report Parse(const QString& line)
{
    Report report;
    report.kind = line.section(u' ', 0, 0);
    report.at = line.section(u' ', 1, 1).toLongLong();
    report.text = line.section(u' ', 2).trimmed();
    return report;
}

// The writer of the floor: a row and a notice committed through libpq, statements prepared once.
class FloorWriter
{
public:
    explicit FloorWriter(const QString& url)
    {
        m_connection = PQconnectdb(url.toUtf8().constData());
        if (PQstatus(m_connection) != CONNECTION_OK)
            Fail(QString::fromUtf8(PQerrorMessage(m_connection)));
        // A schema of its own: the house's own tables stay as the desk expects them.
        plain("CREATE SCHEMA IF NOT EXISTS bench_crossdesk");
        plain("CREATE TABLE IF NOT EXISTS bench_crossdesk.floor_change (n BIGINT NOT NULL, room TEXT NOT NULL, "
              "state TEXT NOT NULL)");
        PGresult* prepared = PQprepare(m_connection, "change",
            "INSERT INTO bench_crossdesk.floor_change (n, room, state) VALUES ($1, $2, $3)", 0, nullptr);
        check(prepared, PGRES_COMMAND_OK);
        PQclear(prepared);
        prepared = PQprepare(m_connection, "notice", "SELECT pg_notify($1, $2)", 0, nullptr);
        check(prepared, PGRES_COMMAND_OK);
        PQclear(prepared);
    }
    ~FloorWriter()
    {
        plain("DROP SCHEMA IF EXISTS bench_crossdesk CASCADE");
        PQfinish(m_connection);
    }

    // Commits change `n` and gives the moment the COMMIT was sent.
    qint64 commit(int n, const QString& room, const QString& state, QList<qint64>* commits)
    {
        const QByteArray number = QByteArray::number(n);
        const QByteArray roomText = room.toUtf8();
        const QByteArray stateText = state.toUtf8();
        plain("BEGIN");
        const char* row[] = { number.constData(), roomText.constData(), stateText.constData() };
        PGresult* result = PQexecPrepared(m_connection, "change", 3, row, nullptr, nullptr, 0);
        check(result, PGRES_COMMAND_OK);
        PQclear(result);
        const char* notice[] = { FloorChannel, number.constData() };
        result = PQexecPrepared(m_connection, "notice", 2, notice, nullptr, nullptr, 0);
        check(result, PGRES_TUPLES_OK);
        PQclear(result);
        const qint64 sent = Now();
        plain("COMMIT");
        commits->append(Now() - sent);
        return sent;
    }

private:
    void plain(const char* sql)
    {
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
};

// The room board's settings of a house made here: one group of rooms 101 to 140.
void NumberRoomsIfNone(SettingPlace& settings, MessageService& messages)
{
    if (!settings.holds(QStringLiteral("HouNum.daf"))) {
        QByteArray count(4, '\0');
        qToLittleEndian<qint32>(1, count.data());
        settings.write(QStringLiteral("HouNum.daf"), count, messages);
    }
    if (!settings.holds(QStringLiteral("pagesel0.dat"))) {
        QByteArray rooms(80 * 4, '\0');
        for (int i = 0; i < 40; ++i) {
            qToLittleEndian<qint32>(101 + i, rooms.data() + i * 4);
            qToLittleEndian<qint32>(2, rooms.data() + (40 + i) * 4);
        }
        settings.write(QStringLiteral("pagesel0.dat"), rooms, messages);
    }
}

struct Timings
{
    QList<qint64> total; // COMMIT sent to the end of the paint (or the floor's wake-up)
    QList<qint64> commits; // COMMIT sent to COMMIT returned
    QList<qint64> toNotice; // COMMIT sent to the notice's arrival at desk B
    QList<qint64> toAnnounced; // the notice to the session's roomChanged
    QList<qint64> toPainted; // roomChanged to the end of the lamp's paint
    int late = 0; // changes whose paint did not come in time
};

int RunDesk(const QString& url, const QString& room, int changes)
{
    QTextStream out(stdout);
    Database database;
    OpenHouse(database, url);
    ConsoleMessages messages;
    SystemClock clock;
    const std::unique_ptr<SettingPlace> settings = MakeSettingPlace(database);
    NumberRoomsIfNone(*settings, messages);
    DeskSession session(database, clock);
    if (const Outcome<> restored = session.restore(); !restored)
        Fail(restored.text());
    session.setCurrentCashier(QStringLiteral("c1"));
    if (session.roomState(room) != RoomState::Idle) {
        if (const Outcome<> closed = session.closeRoom(room); !closed)
            Fail(closed.text());
    }
    // What a settlement needs: the prices and a commission formula (a house made here has neither).
    ServiceSettings prices = ServiceSettings::readForCheckout(*settings, messages);
    if (!prices.complete) {
        prices = ServiceSettings { Decimal::whole(60), Decimal::whole(30), Decimal::whole(20), Decimal::whole(5),
            Decimal::fromDouble(0.9).value() };
        if (!prices.write(*settings, messages))
            Fail(QStringLiteral("cannot write the prices"));
        prices = ServiceSettings::readForCheckout(*settings, messages);
    }
    CommissionFormulaStore formulas(database);
    const Outcome<std::optional<CommissionFormula>> stored = formulas.load();
    if (!stored)
        Fail(stored.text());
    CommissionFormula formula { QStringLiteral("20"), QStringLiteral("20"), QStringLiteral("20"), QStringLiteral("20"),
        QStringLiteral("10"), QStringLiteral("0") };
    if (stored.value())
        formula = *stored.value();
    else if (const Outcome<> saved = formulas.save(formula); !saved)
        Fail(saved.text());
    Settlement settlement(database, session);
    const qint64 receipts = database.scalar(QStringLiteral("SELECT count(*) FROM Receiptform")).toLongLong();

    Child board({ QStringLiteral("--role"), QStringLiteral("board"), QStringLiteral("--server"), url,
                    QStringLiteral("--room"), room },
        QStringLiteral("desk B"));
    Child listener({ QStringLiteral("--role"), QStringLiteral("listener"), QStringLiteral("--server"), url },
        QStringLiteral("the floor's listener"));
    FloorWriter floorWriter(url);

    Timings desk;
    Timings floor;
    // A technician of no queue: the stay ends without moving anyone between the queues. Each
    // settlement adds its receipt to the house.
    OpenBill bill;
    bill.startTime = clock.now();
    bill.massageClocks = 1;
    bill.technicians.append({ QStringLiteral("901"), QStringLiteral("技师901"), 1, 0, false });
    const QStringList what { QStringLiteral("guest in"), QStringLiteral("technician on"),
        QStringLiteral("stay ended") };
    for (int change = 0; change < changes; ++change) {
        // Between the clerk's actions the desk waits a little, as a desk does.
        Idle(20);
        // Desk A: the action in a transaction of its own, its commit stamped first thing after.
        // What B reports from the start of the action on is of this change. The change counts
        // from the moment A sends its COMMIT (B may hear of it before the COMMIT has returned).
        const qint64 began = Now();
        qint64 committed = 0;
        qint64 returned = 0;
        {
            SqlTransaction transaction(database);
            if (!transaction.isActive())
                Fail(transaction.error());
            database.onCommit([&returned] { returned = Now(); });
            QString refused;
            if (change % 3 == 0) {
                if (const Outcome<> done = session.markGuestIn(room); !done)
                    refused = done.text();
            } else if (change % 3 == 1) {
                if (const Outcome<> done = session.openBill(room, bill); !done)
                    refused = done.text();
            } else {
                // "打单": the bill settled as checkout settles it, which ends the stay.
                SettlementRequest request;
                request.room = room;
                request.prices = prices;
                request.technicians = session.bill(room)->technicians;
                request.formula = formula;
                request.billTime = clock.now();
                request.cashier = session.currentCashier();
                if (const Outcome<SettledBill> settled = settlement.settle(request); !settled)
                    refused = settled.text();
            }
            if (!refused.isEmpty())
                Fail(QStringLiteral("%1: %2").arg(what[change % 3], refused));
            committed = Now();
            if (!transaction.commit())
                Fail(transaction.error());
        }
        desk.commits << returned - committed;
        const QString expected = OneLine(RoomStates::lampText(session, room));
        // Desk B: the first paint after the commit that shows the change.
        qint64 notice = 0;
        qint64 announced = 0;
        qint64 painted = 0;
        const QDeadlineTimer deadline(WaitForPaintMs);
        while (!painted) {
            const std::optional<QString> line = board.next(deadline);
            if (!line)
                break;
            const Report report = Parse(*line);
            if (report.at < began)
                continue;
            if (report.kind == u"notice" && !notice && report.text == room)
                notice = report.at;
            else if (report.kind == u"changed" && !announced && report.text == room)
                announced = report.at;
            else if (report.kind == u"paint" && report.text == expected)
                painted = report.at;
        }
        if (!painted) {
            ++desk.late;
            desk.total << qint64(WaitForPaintMs) * 1'000'000;
        } else {
            desk.total << painted - committed;
            if (notice && announced) {
                desk.toNotice << notice - committed;
                desk.toAnnounced << announced - notice;
                desk.toPainted << painted - announced;
            }
        }

        // The floor: the same round trip through libpq alone.
        Idle(20);
        const qint64 floorCommitted = floorWriter.commit(change, room, expected, &floor.commits);
        qint64 woke = 0;
        const QDeadlineTimer floorDeadline(WaitForPaintMs);
        while (!woke) {
            const std::optional<QString> line = listener.next(floorDeadline);
            if (!line)
                break;
            const Report report = Parse(*line);
            if (report.kind == u"woke" && report.text == QString::number(change))
                woke = report.at;
        }
        if (!woke) {
            ++floor.late;
            floor.total << qint64(WaitForPaintMs) * 1'000'000;
        } else {
            floor.total << woke - floorCommitted;
        }
    }
    if (session.roomState(room) != RoomState::Idle) {
        if (const Outcome<> closed = session.closeRoom(room); !closed)
            Fail(closed.text());
    }

    const auto ms = [](double value) { return QString::number(value, 'f', 2); };
    const auto line = [&out, &ms](const char* name, const QList<qint64>& values) {
        if (values.isEmpty())
            return;
        const Percentiles p = PercentilesOf(values);
        out << "  " << qSetFieldWidth(36) << Qt::left << name << qSetFieldWidth(0) << "p50 " << ms(p.p50)
            << " ms   p99 " << ms(p.p99) << " ms   max " << ms(p.max) << " ms\n";
    };
    out << "room " << room << ", " << changes << " changes (guest in, technician on, settled, in turn) on a house of "
        << receipts << " receipts; desk B shows the page of lamps offscreen:\n";
    line("A's COMMIT to B's lamp painted", desk.total);
    line("  A's COMMIT sent to returned", desk.commits);
    line("  COMMIT sent to the notice at B", desk.toNotice);
    line("  notice to the room announced", desk.toAnnounced);
    line("  announced to the lamp painted", desk.toPainted);
    line("floor: libpq COMMIT to LISTEN woken", floor.total);
    line("  libpq COMMIT sent to returned", floor.commits);
    if (desk.late || floor.late)
        out << "  not shown within " << WaitForPaintMs << " ms: desk " << desk.late << ", floor " << floor.late << '\n';
    const Percentiles ours = PercentilesOf(desk.total);
    const Percentiles bare = PercentilesOf(floor.total);
    out << "  ratio to the floor                  p50 " << QString::number(ours.p50 / bare.p50, 'f', 1) << " x   p99 "
        << QString::number(ours.p99 / bare.p99, 'f', 1) << " x\n";
    out << (ours.p99 <= 200 && desk.late == 0 ? "  met     " : "  MISSED  ")
        << "p99 from A's commit to B's repaint <= 200 ms: " << ms(ours.p99) << " ms\n";
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    PreferOffscreen();
    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Times a room's change at one desk until another desk's lamp shows it."));
    parser.addHelpOption();
    const QCommandLineOption serverOption(
        QStringLiteral("server"), QStringLiteral("the house's database (postgresql://…)"), QStringLiteral("URL"));
    const QCommandLineOption changesOption(
        QStringLiteral("changes"), QStringLiteral("changes of the room"), QStringLiteral("N"), QStringLiteral("300"));
    const QCommandLineOption roomOption(
        QStringLiteral("room"), QStringLiteral("the room's number"), QStringLiteral("NUMBER"), QStringLiteral("101"));
    const QCommandLineOption roleOption(QStringLiteral("role"), QStringLiteral("(the child processes' own)"),
        QStringLiteral("ROLE"), QStringLiteral("desk"));
    parser.addOptions({ serverOption, changesOption, roomOption, roleOption });
    parser.process(application);
    if (!parser.isSet(serverOption))
        parser.showHelp(2);
    const QString url = parser.value(serverOption);
    const QString role = parser.value(roleOption);
    // A child ends with the desk that started it, however that ended.
    if (role != u"desk")
        prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (role == u"board")
        return RunBoard(url, parser.value(roomOption));
    if (role == u"listener")
        return RunListener(url);
    return RunDesk(url, parser.value(roomOption), qMax(3, parser.value(changesOption).toInt()));
}
