// The business query window of a desk whose house is kept on a PostgreSQL server: first the
// window as the menu "经营帐单查询" opens it, from the click to its first paint and to its
// totals shown; then, in the real window drawn offscreen at 1366×768, "显示所有记录(&A)",
// "今天经营记录查询(&J)" (both chosen from the window's menu) and one month of whole days up to the
// newest receipt (as the period dialog gives it): from the menu item to the first screen of rows
// painted and to the totals shown, each at the end of the paint the window's own event loop
// makes (nothing is painted ahead of it). Beside each, the floor: the same statements the
// window runs for it (the page of rows, the totals, the takings per payment method) run by psql
// on the same database, each timed by psql's \timing (the time from sending the statement to
// its result read, over the same socket), plus the paint of the same screen of rows and totals
// by a bare QTableView and QLabel (psql paints nothing). Each figure is the median of --rounds
// runs. Run by hand:
//
//     bench_serverqueries --server postgresql://tavrel@%2Ftmp%2Fpg/benchhouse [--rounds 5] [--trace]
//
// --trace prints, for every query measured, each event of 1 ms or more the window's thread
// handled on the way to the totals: which work the time went to.
//
// The database must hold a house; LoadHouseOnServer puts the one GenerateHouse makes there.

#include "BenchSupport.h"
#include "app/PagedTableModel.h"
#include "app/TextFormat.h"
#include "reports/QueryCondition.h"
#include "reports/QueryTotals.h"
#include "reports/QueryTotalsArea.h"
#include "reports/QueryWindow.h"
#include "reports/RecordKind.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QMetaEnum>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QTableView>
#include <QTextStream>
#include <QVBoxLayout>

#include <cstdio>

namespace {

const SqlDialect ServerDialect(SqlEngine::Postgres);

// --- psql ---------------------------------------------------------------------------------------

// Runs `statements` through psql on the house's database with \timing on; the milliseconds
// psql reports for each, in order. The rows go to /dev/null.
QList<double> RunPsql(const QString& url, const QStringList& statements)
{
    QProcess tool;
    tool.start(QStringLiteral("psql"),
        { QStringLiteral("--no-psqlrc"), QStringLiteral("--quiet"), QStringLiteral("-X"), QStringLiteral("-d"), url });
    if (!tool.waitForStarted())
        Fail(QStringLiteral("cannot run psql"));
    QByteArray input = "\\set ON_ERROR_STOP on\n\\pset pager off\n\\o /dev/null\n\\timing on\n";
    for (const QString& statement : statements)
        input += statement.toUtf8() + ";\n";
    tool.write(input);
    tool.closeWriteChannel();
    if (!tool.waitForFinished(600000) || tool.exitCode() != 0)
        Fail(QStringLiteral("psql failed: %1").arg(QString::fromUtf8(tool.readAllStandardError())));
    static const QRegularExpression timing(QStringLiteral("^Time: ([0-9.]+) ms"));
    QList<double> times;
    for (const QByteArray& line : tool.readAllStandardOutput().split('\n')) {
        const QRegularExpressionMatch match = timing.match(QString::fromUtf8(line));
        if (match.hasMatch())
            times << match.captured(1).toDouble();
    }
    if (times.size() != statements.size())
        Fail(QStringLiteral("psql did not time every statement"));
    return times;
}

// The statements the window runs for `condition` up to its totals: the first page of rows,
// newest first; the totals; the takings per payment method.
QStringList WindowStatements(const QueryCondition& condition)
{
    const RecordKindLayout& layout = RecordKindLayout::of(RecordKind::Receipts);
    QString page = QStringLiteral("SELECT %1, time, %2 FROM %3")
                       .arg(layout.columnNames().join(QStringLiteral(", ")), ServerDialect.rowKey(), layout.table);
    if (!condition.sql().isEmpty())
        page += QStringLiteral(" WHERE (") + condition.sql() + u')';
    page += QStringLiteral(" ORDER BY time DESC, %1 DESC LIMIT %2 OFFSET 0")
                .arg(ServerDialect.rowKey())
                .arg(PagedTableModel::PageSize);
    const TakingsLedger::Source totals = QueryTotalsQuery(ServerDialect, RecordKind::Receipts, condition);
    const TakingsLedger::Source payments = TakingsSource(TakingsLedger::ReceiptDays(ServerDialect), condition);
    return { Inlined(page, condition.values()), Inlined(totals.sql, totals.values),
        Inlined(QStringLiteral("SELECT method, sum(receipts), sum(amount_fen) FROM (%1) AS ledger_rows GROUP BY method")
                    .arg(payments.sql),
            payments.values) };
}

// --- where the time goes -----------------------------------------------------------------------------

// The moments widgets are painted, as the window's own event loop paints them; with --trace
// also every event the window's thread handles for 1 ms or more while a query is measured,
// with its receiver and the moment it began, counted from the click.
class BenchApplication : public QApplication
{
public:
    using QApplication::QApplication;

    void start()
    {
        m_slow.clear();
        m_clock.start();
        m_tracing = true;
    }
    QStringList stop()
    {
        m_tracing = false;
        return m_slow;
    }

    // Called with every widget whose paint event has just been handled.
    std::function<void(QObject*)> afterPaint;

    bool notify(QObject* receiver, QEvent* event) override
    {
        const bool paint = event->type() == QEvent::Paint;
        // The events the loop hands out, and inside them the paints of single widgets.
        if (!m_tracing || (m_depth > 0 && !paint)) {
            const bool handled = QApplication::notify(receiver, event);
            if (paint && afterPaint)
                afterPaint(receiver);
            return handled;
        }
        ++m_depth;
        const qint64 start = m_clock.nsecsElapsed();
        const bool handled = QApplication::notify(receiver, event);
        if (paint && afterPaint)
            afterPaint(receiver);
        --m_depth;
        const double milliseconds = (m_clock.nsecsElapsed() - start) / 1e6;
        if (milliseconds >= 1) {
            if (m_depth > 0) {
                m_slow << QStringLiteral("      paint of %1 %2 took %3")
                              .arg(QString::fromLatin1(receiver->metaObject()->className()), receiver->objectName(),
                                  Ms(milliseconds));
                return handled;
            }
            const QObject* parent = receiver->parent();
            m_slow << QStringLiteral("    at %1: %2 on %3 %4 (in %5) took %6")
                          .arg(Ms(start / 1e6),
                              QString::fromLatin1(QMetaEnum::fromType<QEvent::Type>().valueToKey(event->type())),
                              QString::fromLatin1(receiver->metaObject()->className()), receiver->objectName(),
                              parent ? QString::fromLatin1(parent->metaObject()->className()) : QStringLiteral("-"),
                              Ms(milliseconds));
        }
        return handled;
    }

private:
    bool m_tracing = false;
    int m_depth = 0;
    QElapsedTimer m_clock;
    QStringList m_slow;
};

BenchApplication* App = nullptr;
bool Tracing = false; // --trace

// --- the window ------------------------------------------------------------------------------------

struct WindowRun
{
    double firstScreen = 0;
    double totals = 0;
    qint64 rows = 0;
};

// Waits until the window's own event loop has painted the list's rows and then the totals
// under it: the first screen and the totals as the clerk sees them, counted from `timer` to
// the end of each paint.
void WaitUntilShown(const QElapsedTimer& timer, const std::function<QueryWindow*()>& window, WindowRun& run)
{
    run.firstScreen = -1;
    run.totals = -1;
    App->afterPaint = [&](QObject* painted) {
        QueryWindow* shown = window();
        if (!shown)
            return;
        const double at = Milliseconds(timer);
        if (painted == shown->list().viewport()) {
            if (run.firstScreen < 0)
                run.firstScreen = at;
        } else if (shown->totals() && run.totals < 0) {
            auto* part = qobject_cast<QWidget*>(painted);
            if (part && (part == &shown->totalsArea() || shown->totalsArea().isAncestorOf(part)))
                run.totals = at;
        }
    };
    QDeadlineTimer deadline(60000);
    while (run.firstScreen < 0 || run.totals < 0) {
        if (deadline.hasExpired())
            Fail(QStringLiteral("the window did not show its rows and totals within a minute"));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    App->afterPaint = nullptr;
    run.rows = window()->totals()->count;
}

WindowRun Measure(QueryWindow& window, const std::function<void()>& query)
{
    Idle(50);
    WindowRun run;
    QElapsedTimer timer;
    if (Tracing)
        App->start();
    timer.start();
    query();
    WaitUntilShown(
        timer, [&window] { return &window; }, run);
    if (Tracing) {
        const QStringList slow = App->stop();
        QTextStream(stdout) << "  first screen " << Ms(run.firstScreen) << ", totals " << Ms(run.totals)
                            << "; events of 1 ms or more on the way:\n"
                            << slow.join(u'\n') << '\n';
    }
    return run;
}

// The window as the menu opens it: from the click to the first paint of its list, and to its
// totals shown.
WindowRun OpenFromMenu(AppServices& services)
{
    Idle(50);
    QElapsedTimer timer;
    timer.start();
    WindowRun run;
    QueryWindow window(RecordKind::Receipts, QueryWindow::Mode::Normal, services);
    window.resize(1366, 768);
    window.show();
    WaitUntilShown(
        timer, [&window] { return &window; }, run);
    return run;
}

// --- the paint floor ---------------------------------------------------------------------------

// psql paints nothing, and the window must paint what it read. The floor of that paint: the
// same first screen of rows and the same lines of totals, already in memory, put into a plain
// QTableView over a QStandardItemModel and a QLabel under it, in a window of the same size,
// from setting them to the end of their paint by the event loop.
class BarePaint
{
public:
    BarePaint()
    {
        auto* layout = new QVBoxLayout(&m_window);
        layout->addWidget(&m_view);
        layout->addWidget(&m_totals);
        m_view.setModel(&m_model);
        m_window.resize(1366, 768);
        m_window.show();
        Idle(100);
    }

    // Times one paint of what `window` shows now.
    double measure(const QueryWindow& window)
    {
        const PagedTableModel& rows = window.rows();
        QList<QStringList> cells;
        for (int row = 0; row < qMin(rows.rowCount(), PagedTableModel::PageSize); ++row) {
            QStringList line;
            for (int column = 0; column < rows.columnCount(); ++column)
                line << rows.text(row, column);
            cells << line;
        }
        QStringList headers;
        for (int column = 0; column < rows.columnCount(); ++column)
            headers << rows.headerData(column, Qt::Horizontal).toString();
        QStringList totals;
        for (const QueryTotalsArea::Text& text : window.totalsArea().texts())
            totals << text.text;

        m_model.clear();
        m_totals.clear();
        Idle(50);
        bool viewPainted = false;
        bool totalsPainted = false;
        double at = -1;
        QElapsedTimer timer;
        timer.start();
        m_model.setHorizontalHeaderLabels(headers);
        for (const QStringList& line : std::as_const(cells)) {
            QList<QStandardItem*> items;
            for (const QString& cell : line)
                items << new QStandardItem(cell);
            m_model.appendRow(items);
        }
        m_totals.setText(totals.join(QStringLiteral("    ")));
        App->afterPaint = [&](QObject* painted) {
            viewPainted = viewPainted || painted == m_view.viewport();
            totalsPainted = totalsPainted || painted == &m_totals;
            if (viewPainted && totalsPainted && at < 0)
                at = Milliseconds(timer);
        };
        QDeadlineTimer deadline(10000);
        while (at < 0 && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        App->afterPaint = nullptr;
        if (at < 0)
            Fail(QStringLiteral("the bare table was not painted"));
        return at;
    }

private:
    QWidget m_window;
    QTableView m_view;
    QLabel m_totals;
    QStandardItemModel m_model;
};

} // namespace

int main(int argc, char* argv[])
{
    PreferOffscreen();
    BenchApplication application(argc, argv);
    App = &application;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Times the business queries of a desk whose house is on a server."));
    parser.addHelpOption();
    const QCommandLineOption serverOption(
        QStringLiteral("server"), QStringLiteral("the house's database (postgresql://…)"), QStringLiteral("URL"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"),
        QStringLiteral("rounds of every measurement (the median is shown)"), QStringLiteral("N"), QStringLiteral("5"));
    const QCommandLineOption traceOption(
        QStringLiteral("trace"), QStringLiteral("print the events of 1 ms or more of every measured query"));
    parser.addOptions({ serverOption, roundsOption, traceOption });
    parser.process(application);
    Tracing = parser.isSet(traceOption);
    if (!parser.isSet(serverOption))
        parser.showHelp(2);
    const Outcome<ServerAddress> address = ServerAddress::parse(parser.value(serverOption));
    if (!address)
        Fail(address.text());
    const QString url = address.value().url();
    const int rounds = qMax(1, parser.value(roundsOption).toInt());

    ServerBenchDesk desk(address.value(), false);
    Database& database = desk.database;
    DeskSession& session = desk.session;
    AppServices& services = desk.services;
    if (const Outcome<> restored = session.restore(); !restored)
        Fail(restored.text());

    const QDateTime newest
        = DateTimeFromText(database.scalar(QStringLiteral("SELECT max(time) FROM Receiptform")).toString());
    if (!newest.isValid())
        Fail(QStringLiteral("the house holds no receipts"));
    const QDateTime dayEnd(newest.date(), QTime(23, 59, 59));
    const QDateTime monthStart(newest.date().addMonths(-1).addDays(1), QTime(0, 0));

    QTextStream out(stdout);
    out << "house on " << url << ": "
        << database.scalar(QStringLiteral("SELECT count(*) FROM Receiptform")).toLongLong() << " receipts; median of "
        << rounds << " rounds\n\n";

    // The window as the menu opens it.
    QList<WindowRun> openings;
    for (int round = 0; round < rounds; ++round)
        openings << OpenFromMenu(services);
    const WindowRun opening = MedianOf(openings, { &WindowRun::firstScreen, &WindowRun::totals });

    QueryWindow window(RecordKind::Receipts, QueryWindow::Mode::Normal, services);
    window.resize(1366, 768);
    window.show();
    Idle(100);
    const auto action = [&window](const char* name) {
        return [&window, name] { window.findChild<QAction*>(QString::fromLatin1(name))->trigger(); };
    };
    struct Query
    {
        QString name;
        std::function<void()> run;
    };
    const QList<Query> queries {
        { QStringLiteral("显示所有记录"), action("actionAll") },
        { QStringLiteral("今天经营记录"), action("actionToday") },
        { QStringLiteral("一个月"),
            [&window, monthStart, dayEnd] { window.fill(QueryCondition::period(monthStart, dayEnd)); } },
    };

    const auto row = [&out](const QString& name, const QStringList& cells) {
        out << qSetFieldWidth(14) << Qt::right;
        for (const QString& cell : cells)
            out << cell;
        out << qSetFieldWidth(0) << "   " << name << '\n';
    };
    row(QStringLiteral("query"), { QStringLiteral("first screen"), QStringLiteral("totals"), QStringLiteral("rows") });
    row(QStringLiteral("经营帐单查询 opened from the menu"),
        { Ms(opening.firstScreen), Ms(opening.totals), QString::number(opening.rows) });
    struct Result
    {
        QString name;
        WindowRun window;
        double floorPage = 0;
        double floorTotals = 0; // page, totals and payments, one after the other
        double floorPaint = 0; // the same rows and totals painted by a bare table
    };
    QList<Result> results;
    BarePaint bare;
    for (const Query& query : queries) {
        QList<WindowRun> windowRounds;
        QList<QList<double>> psqlRounds;
        QList<double> paints;
        for (int round = 0; round < rounds; ++round) {
            windowRounds << Measure(window, query.run);
            psqlRounds << RunPsql(url, WindowStatements(window.condition()));
            paints << bare.measure(window);
        }
        Result result { query.name, MedianOf(windowRounds, { &WindowRun::firstScreen, &WindowRun::totals }) };
        QList<double> pages;
        QList<double> totals;
        QList<double> parts[3];
        for (const QList<double>& times : std::as_const(psqlRounds)) {
            pages << times[0];
            totals << times[0] + times[1] + times[2];
            for (int i = 0; i < 3; ++i)
                parts[i] << times[i];
        }
        result.floorPage = Median(pages);
        result.floorTotals = Median(totals);
        result.floorPaint = Median(paints);
        results << result;
        row(query.name,
            { Ms(result.window.firstScreen), Ms(result.window.totals), QString::number(result.window.rows) });
        row(QStringLiteral("  psql: page %1, totals %2, payments %3")
                .arg(Ms(Median(parts[0])), Ms(Median(parts[1])), Ms(Median(parts[2]))),
            { Ms(result.floorPage), Ms(result.floorTotals), QString() });
        row(QStringLiteral("  psql + the same screen painted by a bare table (%1)").arg(Ms(result.floorPaint)),
            { Ms(result.floorPage + result.floorPaint), Ms(result.floorTotals + result.floorPaint), QString() });
    }

    const auto check = [&out](const QString& what, double value, double limit, const QString& shown) {
        out << (value <= limit ? "  met     " : "  MISSED  ") << what << ": " << shown << '\n';
    };
    out << "\ngoals:\n";
    check(QStringLiteral("opened from the menu, first screen <= 100 ms"), opening.firstScreen, 100,
        Ms(opening.firstScreen));
    for (const Result& result : std::as_const(results)) {
        check(result.name + QStringLiteral(", first screen <= 100 ms"), result.window.firstScreen, 100,
            Ms(result.window.firstScreen));
        const double floor = result.floorTotals + result.floorPaint;
        check(result.name + QStringLiteral(", totals <= 1.2 x (psql + the bare paint)"), result.window.totals,
            1.2 * floor,
            QStringLiteral("%1 against %2 + %3, %4 x (%5 x psql's statements alone)")
                .arg(Ms(result.window.totals), Ms(result.floorTotals), Ms(result.floorPaint))
                .arg(result.window.totals / floor, 0, 'f', 2)
                .arg(result.window.totals / result.floorTotals, 0, 'f', 2));
    }
    return 0;
}
