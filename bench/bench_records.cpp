// How the member records dialog copes with the member cards of a busy house (GenerateHouse
// makes 200,000). It measures the real dialog drawn offscreen: the time to open it to its first
// screen of cards, then to the count of them (the scroll bar of every card), the time from
// "查找" with a name to the first screen of matches and to their count, the time to the oldest
// card, and the process's peak memory. Beside it, the floor: the same dialog with its list on a
// lazy QSqlQueryModel running the same statements (its count is the same count statement). Each is
// measured in a process of its own, so that its peak memory is its own, after one opening as a
// warm-up (a desk that has been running has its fonts loaded and the file in the page cache).
// Run by hand:
//
//     bench_records --folder /tmp/house [--receipts 1100000] [--rounds 5] [--name 会员1234]
//
// A folder without data.db is first filled by GenerateHouse (built beside this program).

#include "BenchSupport.h"
#include "app/DeskListView.h"
#include "app/PagedTableModel.h"
#include "records/MasterRecordDialog.h"
#include "records/RecordFilter.h"
#include "records/RecordStore.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>
#include <QTextStream>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// The figures of one process: times in milliseconds.
struct Figures
{
    double firstOpen = 0; // the first opening in the process, fonts and style still to load
    double open = 0;
    double counted = 0;
    double filter = 0;
    double filterCounted = 0;
    double oldest = 0;
    double peakMiB = 0;
    double matches = 0;

    QString toLine() const
    {
        return u"figures %1 %2 %3 %4 %5 %6 %7 %8"_s.arg(firstOpen)
            .arg(open)
            .arg(counted)
            .arg(filter)
            .arg(filterCounted)
            .arg(oldest)
            .arg(peakMiB)
            .arg(matches);
    }
    static Figures fromLine(const QString& line)
    {
        const QStringList parts = line.split(u' ');
        if (parts.size() != 9 || parts[0] != u"figures")
            Fail(u"a measuring process said: %1"_s.arg(line));
        return { parts[1].toDouble(), parts[2].toDouble(), parts[3].toDouble(), parts[4].toDouble(),
            parts[5].toDouble(), parts[6].toDouble(), parts[7].toDouble(), parts[8].toDouble() };
    }
};

// Lays the list out and paints its whole window, as the screen the clerk sees. (Painted into a
// picture: an offscreen window is painted on the screen only once the event loop has run.)
void ShowScreen(QTableView& list)
{
    list.doItemsLayout();
    list.window()->grab();
}

// Opens a dialog twice, timing the first opening in the process and the second; the second
// dialog is kept for the measurements that follow.
template <typename Open> std::unique_ptr<MasterRecordDialog> TimeOpenings(const Open& open, Figures& figures)
{
    QElapsedTimer timer;
    timer.start();
    open().reset();
    figures.firstOpen = Milliseconds(timer);
    timer.restart();
    std::unique_ptr<MasterRecordDialog> dialog = open();
    figures.open = Milliseconds(timer);
    return dialog;
}

Figures MeasureDialog(AppServices& services, const QString& name)
{
    const auto open = [&services] {
        auto dialog = std::make_unique<MasterRecordDialog>(RecordMode::Members, services);
        dialog->show();
        ShowScreen(dialog->list());
        return dialog;
    };
    const auto untilCounted = [](const MasterRecordDialog& dialog) {
        while (!dialog.rows().isCounted())
            QCoreApplication::processEvents();
    };
    const auto search = [](MasterRecordDialog& dialog, const QString& text) {
        dialog.searchField()->setText(text);
        dialog.findChild<QPushButton*>(u"searchButton"_s)->click();
        ShowScreen(dialog.list());
    };
    Figures figures;
    const std::unique_ptr<MasterRecordDialog> dialog = TimeOpenings(open, figures);
    QElapsedTimer timer;
    timer.start();
    untilCounted(*dialog);
    figures.counted = Milliseconds(timer);

    timer.restart();
    search(*dialog, name);
    figures.filter = Milliseconds(timer);
    timer.restart();
    untilCounted(*dialog);
    figures.filterCounted = Milliseconds(timer);
    figures.matches = dialog->rows().rowCount();

    search(*dialog, {});
    untilCounted(*dialog);
    timer.restart();
    dialog->list().scrollToBottom();
    ShowScreen(dialog->list());
    figures.oldest = Milliseconds(timer);
    Idle(50);
    figures.peakMiB = PeakMiB();
    return figures;
}

// The floor: the same dialog with its list on a lazy QSqlQueryModel, given before the dialog is
// shown. (The dialog has read the first page of its own list by then, which takes a fraction
// of a millisecond and is left in the floor.)
Figures MeasureFloor(AppServices& services, const QString& name)
{
    Database& database = services.database;
    const QString table = RecordStore::tableName(RecordMode::Members);
    RecordFilter filter(RecordMode::Members, database.dialect());
    filter.setSearchText(name);
    const auto where
        = [](const QString& condition) { return condition.isEmpty() ? QString() : u" WHERE "_s + condition; };
    const auto select = [&](const QString& condition, const QVariantList& values) {
        QSqlQuery query(database.connection());
        query.prepare(u"SELECT %1 FROM %2%3 ORDER BY %4 DESC"_s.arg(
            RecordStore::columnNames().join(u", "_s), table, where(condition), database.dialect().rowKey()));
        for (const QVariant& value : values)
            query.addBindValue(value);
        if (!query.exec())
            Fail(query.lastError().text());
        return query;
    };
    const auto count = [&](const QString& condition, const QVariantList& values) {
        QString error;
        const QVariant counted
            = database.scalar(u"SELECT count(*) FROM %1%2"_s.arg(table, where(condition)), values, &error);
        if (!error.isEmpty())
            Fail(error);
        return counted.toInt();
    };
    QSqlQueryModel* model = nullptr;
    const auto open = [&] {
        auto dialog = std::make_unique<MasterRecordDialog>(RecordMode::Members, services);
        model = new QSqlQueryModel(dialog.get());
        model->setQuery(select({}, {}));
        dialog->list().setModel(model);
        dialog->show();
        ShowScreen(dialog->list());
        return dialog;
    };
    Figures figures;
    const std::unique_ptr<MasterRecordDialog> dialog = TimeOpenings(open, figures);
    QElapsedTimer timer;
    timer.start();
    count({}, {});
    figures.counted = Milliseconds(timer);

    timer.restart();
    model->setQuery(select(filter.condition(), filter.values()));
    ShowScreen(dialog->list());
    figures.filter = Milliseconds(timer);
    timer.restart();
    figures.matches = count(filter.condition(), filter.values());
    figures.filterCounted = Milliseconds(timer);
    figures.oldest = -1; // a lazy QSqlQueryModel reaches the oldest card only by reading every one
    Idle(50);
    figures.peakMiB = PeakMiB();
    return figures;
}

// Runs this program again to measure `what` in a process of its own.
Figures MeasureApart(const QStringList& arguments, const QString& what)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments + QStringList { u"--measure"_s, what });
    if (!child.waitForFinished(600000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        Fail(u"measuring %1 failed"_s.arg(what));
    return Figures::fromLine(QString::fromUtf8(child.readAllStandardOutput()).trimmed());
}

} // namespace

int main(int argc, char* argv[])
{
    PreferOffscreen();
    QApplication application(argc, argv);
    const QCommandLineOption nameOption(u"name"_s, u"the name searched for"_s, u"TEXT"_s, u"会员1234"_s);
    const QCommandLineOption measureOption(u"measure"_s, u"(inside) measure the dialog or the floor"_s, u"WHAT"_s);
    BenchOptions options(
        u"Times the member records dialog on a busy house's data folder."_s, { nameOption, measureOption });
    options.process(application);
    const QString name = options.value(nameOption);

    if (options.isSet(measureOption)) {
        BenchDesk desk(options.folder(), options.receipts());
        const QString what = options.value(measureOption);
        const Figures figures
            = what == u"dialog" ? MeasureDialog(desk.services, name) : MeasureFloor(desk.services, name);
        QTextStream(stdout) << figures.toLine() << '\n';
        return 0;
    }

    const int rounds = options.rounds();
    const QStringList arguments { u"--folder"_s, options.folder(), u"--name"_s, name };
    qint64 members = 0;
    {
        BenchDesk desk(options.folder(), options.receipts());
        members = desk.database.scalar(u"SELECT count(*) FROM huiyeninfo"_s).toLongLong();
    }
    QTextStream out(stdout);
    out << "data folder " << options.folder() << ": " << members << " member cards; searched for \"" << name
        << "\"; median of " << rounds << " rounds, each in a process of its own\n\n";

    QList<Figures> dialogRounds;
    QList<Figures> floorRounds;
    for (int round = 0; round < rounds; ++round) {
        dialogRounds << MeasureApart(arguments, u"dialog"_s);
        floorRounds << MeasureApart(arguments, u"floor"_s);
    }
    const QList<double Figures::*> fields { &Figures::firstOpen, &Figures::open, &Figures::counted, &Figures::filter,
        &Figures::filterCounted, &Figures::oldest, &Figures::peakMiB };
    const Figures dialog = MedianOf(dialogRounds, fields);
    const Figures floor = MedianOf(floorRounds, fields);

    const auto row = [&out](const QString& what, const QStringList& cells) {
        out << qSetFieldWidth(14) << Qt::right;
        for (const QString& cell : cells)
            out << cell;
        out << qSetFieldWidth(0) << "   " << what << '\n';
    };
    row(u"list"_s,
        { u"first opening"_s, u"open again"_s, u"counted"_s, u"filter"_s, u"counted"_s, u"oldest card"_s,
            u"peak memory"_s });
    for (const auto& [what, figures] : { std::pair { u"member dialog"_s, dialog },
             std::pair { u"the same on a lazy QSqlQueryModel (floor)"_s, floor } })
        row(what,
            { Ms(figures.firstOpen), Ms(figures.open), Ms(figures.counted), Ms(figures.filter),
                Ms(figures.filterCounted), Ms(figures.oldest), MiB(figures.peakMiB) });
    out << "\n"
        << int(dialog.matches) << " cards match \"" << name << "\" (the floor counts " << int(floor.matches) << ")\n\n";

    const auto check = [&out](const QString& what, double value, double limit, double ratio) {
        out << (value <= limit ? "  met     " : "  MISSED  ") << what << ": " << ratio << " x\n";
    };
    out << "targets:\n";
    check(u"first opening to the first screen <= 2 x the floor"_s, dialog.firstOpen, 2 * floor.firstOpen,
        dialog.firstOpen / floor.firstOpen);
    check(u"opening again <= 2 x the floor"_s, dialog.open, 2 * floor.open, dialog.open / floor.open);
    check(u"filter to the first screen <= 2 x the floor"_s, dialog.filter, 2 * floor.filter,
        dialog.filter / floor.filter);
    check(u"peak memory <= 1.3 x the floor"_s, dialog.peakMiB, 1.3 * floor.peakMiB, dialog.peakMiB / floor.peakMiB);
    return 0;
}
