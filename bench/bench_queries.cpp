// How the business query window copes with the years of bills of a busy house. First the
// window as the menu "经营帐单查询" opens it: from the click to its first paint and to its
// totals shown. Then, for the receipts lists "显示所有记录(&A)", "今天经营记录查询(&J)", one month
// and one year of whole days (as the period dialog gives them) and one receipt number, in the
// real window drawn offscreen: the time from the menu item to the first screen of rows and to
// the totals shown, the time to scroll to the last (oldest) row, the slowest of the later jumps
// through the list, and the process's peak memory; each beside the same statements run by the
// sqlite3 command-line tool on the same file. It measures the floors in the same run: the first
// screen through a lazy QSqlQueryModel and the one reverse LIMIT read of the oldest page. Then
// it exports every receipt to a workbook and to a CSV file, and draws each business chart over
// the last year. Every goal is printed as met or missed. Run by hand:
//
//     bench_queries --folder /tmp/house [--receipts 1100000]
//
// A folder without data.db is first filled by GenerateHouse (built beside this program).

#include "BenchSupport.h"
#include "app/PagedTableModel.h"
#include "app/TextFormat.h"
#include "reports/BusinessChartsWindow.h"
#include "reports/QueryCondition.h"
#include "reports/QueryExport.h"
#include "reports/QueryTotals.h"
#include "reports/QueryTotalsArea.h"
#include "reports/QueryWindow.h"
#include "reports/RecordKind.h"

#include <QAction>
#include <QApplication>
#include <QChartView>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// --- the sqlite3 tool ---------------------------------------------------------------------------

// The statements the tool runs are spelled for the file it opens.
const SqlDialect SqliteDialect(SqlEngine::Sqlite);

struct ToolRun
{
    QList<double> milliseconds; // one per statement, as the tool's timer reports them
    double peakMiB = 0;
};

// Runs `statements` through `sqlite3 file` with its timer on. The tool's peak memory is read
// from its own status while it waits for more input.
ToolRun RunSqlite(const QString& file, const QStringList& statements)
{
    QProcess tool;
    tool.start(QStringLiteral("sqlite3"), { file });
    if (!tool.waitForStarted())
        Fail(QStringLiteral("cannot run sqlite3"));
    QByteArray input = ".timer on\n";
    for (const QString& statement : statements)
        input += statement.toUtf8() + ";\n";
    input += ".print end-of-statements\n";
    tool.write(input);
    QByteArray output;
    while (!output.contains("end-of-statements")) {
        if (!tool.waitForReadyRead(600000))
            Fail(QStringLiteral("sqlite3 stopped: %1").arg(QString::fromUtf8(tool.readAllStandardError())));
        output += tool.readAllStandardOutput();
    }
    ToolRun run;
    run.peakMiB = PeakMiB(tool.processId());
    tool.closeWriteChannel();
    tool.waitForFinished();

    static const QRegularExpression timerLine(QStringLiteral("^Run Time: real ([0-9.]+)"));
    for (const QByteArray& line : output.split('\n')) {
        const QRegularExpressionMatch match = timerLine.match(QString::fromUtf8(line));
        if (match.hasMatch())
            run.milliseconds << match.captured(1).toDouble() * 1000;
    }
    if (run.milliseconds.size() != statements.size())
        Fail(QStringLiteral("sqlite3 did not run every statement"));
    return run;
}

// The statement of a list page as the query window reads it: from the top (newest first) or
// from the bottom.
QString PageStatement(const QueryCondition& condition, bool fromTop)
{
    const RecordKindLayout& layout = RecordKindLayout::of(RecordKind::Receipts);
    const QString direction = fromTop ? QStringLiteral("DESC") : QStringLiteral("ASC");
    QString sql = QStringLiteral("SELECT %1, time, rowid FROM %2")
                      .arg(layout.columnNames().join(QStringLiteral(", ")), layout.table);
    if (!condition.sql().isEmpty())
        sql += QStringLiteral(" WHERE (") + condition.sql() + u')';
    sql += QStringLiteral(" ORDER BY time %1, rowid %1 LIMIT %2 OFFSET 0")
               .arg(direction)
               .arg(PagedTableModel::PageSize);
    return Inlined(sql, condition.values());
}

// --- the query window -----------------------------------------------------------------------------

// The figures of one query: times in milliseconds.
struct WindowRun
{
    double firstScreen = 0;
    double totals = 0;
    double lastRow = 0;
    double laterJumps = 0;
    double peakMiB = 0;
    qint64 rows = 0;
};

WindowRun Measure(QueryWindow& window, const std::function<void()>& query)
{
    QTableView& list = window.list();
    QScrollBar* bar = list.verticalScrollBar();
    Idle(50);
    ResetPeak();
    WindowRun run;

    QElapsedTimer timer;
    timer.start();
    query();
    list.viewport()->repaint();
    run.firstScreen = Milliseconds(timer);

    // The totals as the window shows them, counted from the click: read after the first paint
    // (from the ledger) or on the worker thread.
    while (!window.totals())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    window.totalsArea().repaint();
    run.totals = Milliseconds(timer);
    run.rows = window.totals()->count;

    timer.restart();
    list.scrollToBottom();
    list.viewport()->repaint();
    run.lastRow = Milliseconds(timer);

    // Later jumps, a moment later: into the middle, a quarter up and down, back to the top,
    // to the bottom again.
    Idle(300);
    for (double place : { 0.5, 0.25, 0.75, 0.0, 0.6, 1.0 }) {
        timer.restart();
        bar->setValue(int(bar->maximum() * place));
        list.viewport()->repaint();
        run.laterJumps = qMax(run.laterJumps, Milliseconds(timer));
    }
    Idle(50);
    run.peakMiB = PeakMiB();
    return run;
}

// --- the floors -------------------------------------------------------------------------------------

struct Floor
{
    double milliseconds = 0;
    double peakMiB = 0;
};

// The first screen of rows of every receipt through a lazy QSqlQueryModel in a list of the
// window's size.
Floor QueryModelFloor(Database& database)
{
    const RecordKindLayout& layout = RecordKindLayout::of(RecordKind::Receipts);
    QTableView list;
    list.resize(1366, 660);
    list.show();
    Idle(50);
    ResetPeak();
    QElapsedTimer timer;
    timer.start();
    QSqlQueryModel model;
    QSqlQuery query(database.connection());
    query.exec(QStringLiteral("SELECT %1 FROM %2").arg(layout.columnNames().join(QStringLiteral(", ")), layout.table));
    model.setQuery(std::move(query));
    list.setModel(&model);
    list.viewport()->repaint();
    const Floor floor { Milliseconds(timer), PeakMiB() };
    list.setModel(nullptr);
    model.clear();
    return floor;
}

// The oldest page of every receipt: one read in reverse order, as the list reads it.
Floor OldestPageFloor(Database& database)
{
    const RecordKindLayout& layout = RecordKindLayout::of(RecordKind::Receipts);
    ResetPeak();
    QElapsedTimer timer;
    timer.start();
    QList<QStringList> page;
    const QString error = database.readRows(PageStatement(QueryCondition::all(), false), {}, [&](const QSqlQuery& row) {
        QStringList cells;
        for (int column = 0; column < layout.columns.size(); ++column)
            cells << row.value(column).toString();
        page << cells;
        return true;
    });
    if (!error.isEmpty())
        Fail(error);
    return { Milliseconds(timer), PeakMiB() };
}

// The window as the menu opens it: from the click to the first paint of its list, and to its
// totals shown.
struct Opening
{
    double firstPaint = 0;
    double totals = 0;
};

class PaintWatch : public QObject
{
public:
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

Opening OpenFromMenu(AppServices& services)
{
    Idle(50);
    QElapsedTimer timer;
    timer.start();
    Opening opening;
    QueryWindow window(RecordKind::Receipts, QueryWindow::Mode::Normal, services);
    PaintWatch watch;
    window.list().viewport()->installEventFilter(&watch);
    window.resize(1366, 768);
    window.show();
    while (!watch.painted)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    opening.firstPaint = Milliseconds(timer);
    while (!window.totals())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    window.totalsArea().repaint();
    opening.totals = Milliseconds(timer);
    return opening;
}

} // namespace

int main(int argc, char* argv[])
{
    PreferOffscreen();
    QApplication application(argc, argv);
    BenchOptions options(QStringLiteral("Times the business queries on a busy house's data folder."));
    options.process(application);
    const int rounds = options.rounds();

    BenchDesk desk(options.folder(), options.receipts());
    Database& database = desk.database;
    const QString folder = QDir(options.folder()).absolutePath();
    const QString file = desk.databaseFile;

    // The newest receipt gives "today" and the month before it; one receipt from the middle.
    const QDateTime newest
        = DateTimeFromText(database.scalar(QStringLiteral("SELECT max(time) FROM Receiptform")).toString());
    if (!newest.isValid())
        Fail(QStringLiteral("the folder holds no receipts"));
    const qint64 middleReceipt = database.scalar(QStringLiteral("SELECT max(id) / 2 FROM Receiptform")).toLongLong();
    // Whole days, as the period dialog gives them.
    const QDateTime dayEnd(newest.date(), QTime(23, 59, 59));
    const QDateTime monthStart(newest.date().addMonths(-1).addDays(1), QTime(0, 0));
    const QDateTime yearStart(newest.date().addDays(-364), QTime(0, 0));
    struct Query
    {
        QString name;
        QueryCondition condition;
        bool fromMenu = false; // "显示所有记录(&A)" is chosen from the menu; the others give their condition
    };
    const QList<Query> queries {
        { QStringLiteral("显示所有记录"), QueryCondition::all(), true },
        { QStringLiteral("今天经营记录"), QueryCondition::period(QDateTime(newest.date(), QTime(0, 0)), newest) },
        { QStringLiteral("一个月"), QueryCondition::period(monthStart, dayEnd) },
        { QStringLiteral("一年"), QueryCondition::period(yearStart, dayEnd) },
        { QStringLiteral("一张单据"), QueryCondition::receiptNumber(middleReceipt) },
    };

    QTextStream out(stdout);
    out << "data folder " << folder << ": "
        << database.scalar(QStringLiteral("SELECT count(*) FROM Receiptform")).toLongLong() << " receipts, "
        << database.scalar(QStringLiteral("SELECT count(*) FROM salaryform")).toLongLong() << " technician rows, "
        << database.scalar(QStringLiteral("SELECT count(*) FROM spsalay")).toLongLong() << " goods rows; median of "
        << rounds << " rounds\n\n";

    // Warm the file into the page cache, as a desk that has been running has it.
    RunSqlite(file, { u"SELECT count(*), total(length(alljine)) FROM Receiptform"_s });

    QList<Floor> queryModelRounds;
    QList<Floor> oldestRounds;
    for (int round = 0; round < rounds; ++round) {
        queryModelRounds << QueryModelFloor(database);
        oldestRounds << OldestPageFloor(database);
    }
    const Floor queryModel = MedianOf(queryModelRounds, { &Floor::milliseconds, &Floor::peakMiB });
    const Floor oldest = MedianOf(oldestRounds, { &Floor::milliseconds, &Floor::peakMiB });

    // The window as the menu opens it.
    QList<Opening> openings;
    for (int round = 0; round < rounds; ++round)
        openings << OpenFromMenu(desk.services);
    const Opening opening = MedianOf(openings, { &Opening::firstPaint, &Opening::totals });
    out << "经营帐单查询 opened from the menu: first paint " << Ms(opening.firstPaint) << ", totals shown "
        << Ms(opening.totals) << "\n\n";

    QueryWindow window(RecordKind::Receipts, QueryWindow::Mode::Normal, desk.services);
    window.resize(1366, 768);
    window.show();
    Idle(100);

    // The figures first and the query's name last, where its Chinese cannot upset the columns.
    const auto row = [&out](const QString& name, const QStringList& cells) {
        out << qSetFieldWidth(13) << Qt::right;
        for (const QString& cell : cells)
            out << cell;
        out << qSetFieldWidth(0) << "   " << name << '\n';
    };
    row(QStringLiteral("query"),
        { u"first screen"_s, u"totals"_s, u"last row"_s, u"later jumps"_s, u"peak memory"_s, u"rows"_s });
    QList<WindowRun> runs;
    QList<ToolRun> tools;
    for (const Query& query : queries) {
        QList<WindowRun> windowRounds;
        QList<ToolRun> toolRounds;
        for (int round = 0; round < rounds; ++round) {
            windowRounds << Measure(window, [&] {
                if (query.fromMenu)
                    window.findChild<QAction*>(QStringLiteral("actionAll"))->trigger();
                else
                    window.fill(query.condition);
            });
            toolRounds << RunSqlite(file,
                { PageStatement(query.condition, true),
                    Inlined(QueryTotalsQuery(SqliteDialect, RecordKind::Receipts, query.condition).sql,
                        QueryTotalsQuery(SqliteDialect, RecordKind::Receipts, query.condition).values),
                    PageStatement(query.condition, false) });
        }
        const WindowRun run = MedianOf(windowRounds,
            { &WindowRun::firstScreen, &WindowRun::totals, &WindowRun::lastRow, &WindowRun::laterJumps,
                &WindowRun::peakMiB });
        ToolRun tool = toolRounds.first();
        for (int statement = 0; statement < tool.milliseconds.size(); ++statement) {
            QList<double> values;
            for (const ToolRun& round : std::as_const(toolRounds))
                values << round.milliseconds[statement];
            tool.milliseconds[statement] = Median(values);
        }
        runs << run;
        tools << tool;
        row(query.name,
            { Ms(run.firstScreen), Ms(run.totals), Ms(run.lastRow), Ms(run.laterJumps), MiB(run.peakMiB),
                QString::number(run.rows) });
        row(QStringLiteral("  the same statements in sqlite3"),
            { Ms(tool.milliseconds[0]), Ms(tool.milliseconds[1]), Ms(tool.milliseconds[2]), Ms(-1), MiB(tool.peakMiB),
                QString() });
    }
    out << "\nfloors: the first screen through a lazy QSqlQueryModel " << Ms(queryModel.milliseconds) << ", "
        << MiB(queryModel.peakMiB) << "; the oldest page in one reverse LIMIT read " << Ms(oldest.milliseconds)
        << "\n\n";

    // The goals, each beside its floor in this run.
    const WindowRun& all = runs[0];
    const WindowRun& today = runs[1];
    const WindowRun& month = runs[2];
    const WindowRun& year = runs[3];
    double peak = 0;
    for (const WindowRun& run : std::as_const(runs))
        peak = qMax(peak, run.peakMiB);
    const auto check = [&out](const QString& what, double value, double limit, const QString& shown) {
        out << (value <= limit ? "  met     " : "  MISSED  ") << what << ": " << shown << '\n';
    };
    out << "goals:\n";
    check(QStringLiteral("opened from the menu, rows and totals shown <= 100 ms"), opening.totals, 100,
        QStringLiteral("%1 (first paint %2)").arg(Ms(opening.totals), Ms(opening.firstPaint)));
    check(QStringLiteral("first screen of all <= 2 x the QSqlQueryModel floor"), all.firstScreen,
        2 * queryModel.milliseconds,
        QStringLiteral("%1, %2 x").arg(Ms(all.firstScreen)).arg(all.firstScreen / queryModel.milliseconds, 0, 'f', 2));
    check(QStringLiteral("all records, rows and totals <= 100 ms"), all.totals, 100, Ms(all.totals));
    check(QStringLiteral("today, rows and totals <= 100 ms"), today.totals, 100, Ms(today.totals));
    check(QStringLiteral("a year of whole days, rows and totals <= 100 ms"), year.totals, 100, Ms(year.totals));
    check(QStringLiteral("one month, list and totals <= 30 ms"), month.totals, 30, Ms(month.totals));
    check(QStringLiteral("jump to the oldest row <= 1.2 x (one reverse LIMIT read + the floor's first screen)"),
        all.lastRow, 1.2 * (oldest.milliseconds + queryModel.milliseconds),
        QStringLiteral("%1 against %2 + %3")
            .arg(Ms(all.lastRow), Ms(oldest.milliseconds), Ms(queryModel.milliseconds)));
    check(QStringLiteral("later jumps <= 50 ms"), all.laterJumps, 50, Ms(all.laterJumps));
    check(QStringLiteral("peak memory anywhere in the list <= 80 MiB"), peak, 80, MiB(peak));
    {
        // The totals of every record against the rows themselves, added up by sqlite3.
        const QString exact
            = u"SELECT count(*), sum(CAST(round(CAST(alljine AS REAL)*100) AS INTEGER)) FROM Receiptform"_s;
        QSqlQuery rowsSum(database.connection());
        rowsSum.exec(exact);
        rowsSum.next();
        const ToolRun tool = RunSqlite(file, { exact });
        const QueryTotals ledger = ReadQueryTotals(database, RecordKind::Receipts, QueryCondition::all()).value();
        const bool same
            = rowsSum.value(0).toLongLong() == ledger.count && rowsSum.value(1).toLongLong() == ledger.amount.fen();
        check(QStringLiteral("totals of all equal the rows added up (sqlite3 takes %1 for them)")
                  .arg(Ms(tool.milliseconds[0])),
            same ? 0 : 1, 0, QStringLiteral("%1 receipts, %2 fen").arg(ledger.count).arg(ledger.amount.fen()));
    }

    // "导出" of every receipt, once to each format, into a folder beside the data (the same disk).
    out << "\nexport of all receipts (" << all.rows << " rows):\n";
    const QueryTotals totals = ReadQueryTotals(database, RecordKind::Receipts, QueryCondition::all()).value();
    QTemporaryDir exportFolder(QDir(folder).filePath(QStringLiteral("export-XXXXXX")));
    for (const QString& name : { QStringLiteral("receipts.xlsx"), QStringLiteral("receipts.csv") }) {
        const QString path = exportFolder.filePath(name);
        const double before = PeakMiB();
        ResetPeak();
        QElapsedTimer timer;
        timer.start();
        const ExportResult result
            = TableExport::write(QueryExportTable(database, RecordKind::Receipts, QueryCondition::all(), totals), path);
        const double milliseconds = Milliseconds(timer);
        if (result.status != ExportResult::Status::Written)
            Fail(result.error);
        const double exportPeak = PeakMiB();
        check(QStringLiteral("%1 in under a minute, memory no more than 20 MiB over the window's").arg(name),
            milliseconds <= 60000 && exportPeak <= before + 20 ? 0 : 1, 0,
            QStringLiteral("%1, %2 rows, %3 MiB file, peak %4 (the window before: %5)")
                .arg(Ms(milliseconds))
                .arg(result.rowsWritten)
                .arg(QFileInfo(path).size() / 1048576.0, 0, 'f', 0)
                .arg(MiB(exportPeak), MiB(before)));
        QFile::remove(path);
    }

    // "营业图表" over the year up to the newest receipt: each chart read and drawn.
    out << "\nbusiness charts over a year, " << rounds << " rounds each (median):\n";
    BusinessChartsWindow charts(desk.services);
    charts.resize(1366, 768);
    charts.show();
    charts.setPeriod({ newest.date().addDays(-364), newest.date() });
    auto* show = charts.findChild<QPushButton*>(QStringLiteral("showButton"));
    Idle(100);
    double slowest = 0;
    for (int kind = 0; kind < BusinessCharts::KindCount; ++kind) {
        // "显示" reads the chart's figures afresh, as on the first look at a period.
        charts.showChart(BusinessCharts::Kind(kind));
        QList<double> times;
        for (int round = 0; round < rounds; ++round) {
            QElapsedTimer timer;
            timer.start();
            show->click();
            charts.view().viewport()->repaint();
            times << Milliseconds(timer);
        }
        const double median = Median(times);
        slowest = qMax(slowest, median);
        out << "  " << qSetFieldWidth(10) << Qt::right << Ms(median) << qSetFieldWidth(0) << "   "
            << BusinessCharts::title(BusinessCharts::Kind(kind)) << '\n';
    }
    check(QStringLiteral("every chart of a year read and drawn <= 50 ms"), slowest, 50, Ms(slowest));
    return 0;
}
