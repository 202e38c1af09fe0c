#include "app/RowListModel.h"
#include "app/RowListView.h"
#include "app/TextFormat.h"
#include "schedule/RandomPlan.h"
#include "schedule/RandomSource.h"
#include "schedule/Rota.h"
#include "schedule/RotaDialog.h"
#include "schedule/ShiftPlanStore.h"
#include "schedule/ShiftPlannerDialog.h"
#include "schedule/ShiftRotation.h"
#include "schedule/TechnicianStatusDialog.h"
#include "support/TestEnvironment.h"
#include "support/WidgetDriver.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QListWidget>
#include <QRadioButton>
#include <QSet>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

RowListView* List(const QWidget* parent, const QString& name)
{
    return Child<RowListView>(parent, name);
}

// Sets the idle queue and the working list through the desk session.
void SetQueues(TestEnvironment& env, const QStringList& idle, const QStringList& working = {})
{
    const QStringList all = working + idle;
    for (qsizetype i = all.size() - 1; i >= 0; --i)
        QVERIFY(env.session.returnToIdleHead(all[i]).ok());
    for (const QString& number : working)
        QVERIFY(env.session.moveToWorking(number).ok());
    QCOMPARE(env.session.idleQueue().numbers(), idle);
    QCOMPARE(env.session.workingList().numbers(), working);
}

QString ButtonText(const QWidget* parent, const QString& name)
{
    return Child<QAbstractButton>(parent, name)->text();
}

QStringList Entries(const QListWidget* box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts.append(box->item(i)->text());
    return texts;
}

// Selects the duty table row of `number`.
void SelectNumber(RowListView* view, const QString& number)
{
    const int row = Column(view, 0).indexOf(number);
    if (row < 0)
        qFatal("%s is not listed", qPrintable(number));
    view->selectRow(row);
}

// Adds rows to the selection of a multi-selection list.
void SelectRows(RowListView* view, const QList<int>& rows)
{
    view->clearSelection();
    for (int row : rows)
        view->selectionModel()->select(
            view->rows().index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

QDateTime OnDate(int year, int month, int day)
{
    return QDateTime(QDate(year, month, day), QTime(9, 0));
}

// A random source that repeats a fixed sequence.
class ScriptedRandom : public RandomSource
{
public:
    explicit ScriptedRandom(QList<quint32> values)
        : m_values(std::move(values))
    { }
    quint32 next() override { return m_values[m_index++ % m_values.size()]; }

private:
    QList<quint32> m_values;
    qsizetype m_index = 0;
};

QString StoredColumn(TestEnvironment& env, const QString& column)
{
    return JoinedRows(env.database,
        QStringLiteral("SELECT %1 FROM worksinfo ORDER BY %2").arg(column, env.database.dialect().rowKey()));
}

} // namespace

// The technicians' rota and queue, the status board and the shift planner.
class ScheduleTest : public QObject
{
    Q_OBJECT

private slots:
    // --- rota rules ----------------------------------------------------------------------------

    void weekdayNumbering_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<int>("weekday");
        QTest::newRow("Monday") << QDate(2026, 12, 7) << 1;
        QTest::newRow("Wednesday") << QDate(2026, 12, 9) << 3;
        QTest::newRow("Saturday") << QDate(2026, 12, 12) << 6;
        QTest::newRow("Sunday") << QDate(2026, 12, 13) << 7;
        QTest::newRow("Sunday, new year") << QDate(2028, 1, 2) << 7;
    }

    void weekdayNumbering()
    {
        QFETCH(QDate, date);
        QFETCH(int, weekday);
        QCOMPARE(TodayWeekday(date), weekday);
    }

    void dutyTables_data()
    {
        QTest::addColumn<int>("weekday");
        QTest::addColumn<int>("view");
        QTest::addColumn<QStringList>("numbers"); // top first
        const int early = int(Rota::View::Early);
        const int late = int(Rota::View::Late);
        const int rest = int(Rota::View::Rest);
        QTest::newRow("Sunday early") << 7 << early << QStringList { u"01"_s };
        QTest::newRow("Sunday late") << 7 << late << QStringList { u"06"_s, u"03"_s };
        QTest::newRow("Sunday rest") << 7 << rest << QStringList { u"04"_s, u"02"_s };
        QTest::newRow("Wednesday early") << 3 << early << QStringList { u"02"_s, u"01"_s };
        QTest::newRow("Wednesday late") << 3 << late << QStringList { u"06"_s };
        QTest::newRow("Wednesday rest") << 3 << rest << QStringList { u"03"_s };
        QTest::newRow("Monday late") << 1 << late << QStringList { u"03"_s };
        QTest::newRow("Monday rest") << 1 << rest << QStringList { u"06"_s };
        QTest::newRow("Friday rest") << 5 << rest << QStringList {};
    }

    // restday 100 is on duty every day and never resting; a person without a shift shows only
    // under rest, on his rest day; newest record on top.
    void dutyTables()
    {
        QFETCH(int, weekday);
        QFETCH(int, view);
        QFETCH(QStringList, numbers);
        TestEnvironment env;
        env.addStaff(u"01"_s, u"甲"_s, u"技师"_s, 100, 0);
        env.addStaff(u"02"_s, u"乙"_s, u"技师"_s, 7, 0);
        env.addStaff(u"03"_s, u"丙"_s, u"技师"_s, 3, 1);
        env.addStaff(u"04"_s, u"丁"_s, u"领班"_s, 7, 100);
        env.addStaff(u"05"_s, u"戊"_s, u"技师"_s, 100, 100);
        env.addStaff(u"06"_s, u"己"_s, u"技师"_s, 1, 1);
        Rota rota(env.database, env.session);
        const LookedUpRows table = rota.dutyTable(Rota::View(view), weekday);
        QVERIFY(table.errors.isEmpty());
        QStringList shown;
        for (const QStringList& row : table.rows)
            shown.append(row.value(0));
        QCOMPARE(shown, numbers);
    }

    void queueListKeepsTheOrderNumbersOfDeletedStaff()
    {
        TestEnvironment env;
        for (const char* number : { "01", "02", "03" })
            env.addStaff(QString::fromLatin1(number), QStringLiteral("技师%1").arg(QString::fromLatin1(number)));
        Rota rota(env.database, env.session);
        QCOMPARE(rota.queue(Rota::Shift::Early, u"01"_s).value(), 1);
        QCOMPARE(rota.queue(Rota::Shift::Early, u"02"_s).value(), 2);
        QCOMPARE(rota.queue(Rota::Shift::Early, u"03"_s).value(), 3);
        const Outcome<int> twice = rota.queue(Rota::Shift::Early, u"02"_s); // already queued on this shift
        QVERIFY(twice.isRefusal());
        QCOMPARE(twice.text(), QStringLiteral("选择技师已经排钟!请核对后再操作!"));
        QCOMPARE(rota.queue(Rota::Shift::Late, u"02"_s).value(), 1); // the other shift takes him
        QCOMPARE(env.session.idleQueue().numbers(), (QStringList { u"01"_s, u"02"_s, u"03"_s, u"02"_s }));

        env.sql(QStringLiteral("DELETE FROM worksinfo WHERE str1=?"), { u"02"_s });
        const LookedUpRows list = rota.queueList(Rota::Shift::Early);
        QCOMPARE(list.rows,
            (QList<QStringList> {
                { u"1"_s, u"01"_s, QStringLiteral("技师01") }, { u"3"_s, u"03"_s, QStringLiteral("技师03") } }));
        QVERIFY(rota.queueList(Rota::Shift::Late).rows.isEmpty());
    }

    // --- rota dialog ---------------------------------------------------------------------------

    void rotaOpensOnTheEarlyShiftOfToday()
    {
        TestEnvironment env;
        env.clock.set(OnDate(2026, 12, 13)); // a Sunday
        env.addStaff(u"01"_s, u"张三"_s, u"技师"_s, 100, 0);
        env.addStaff(u"02"_s, u"李四"_s, u"高级技师"_s, 7, 0);
        env.addStaff(u"03"_s, u"王五"_s, u"技师"_s, 1, 0);
        env.addStaff(u"04"_s, u"赵六"_s, u"技师"_s, 100, 1);
        QVERIFY(env.session.markPresent(u"03"_s).ok());
        QVERIFY(env.session.queueTechnician(RotaShift::Early, u"03"_s).ok());

        RotaDialog dialog(env.services);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("排钟"));
        QVERIFY(Child<QRadioButton>(&dialog, u"radioEarly"_s)->isChecked());
        RowListView* duty = List(&dialog, u"dutyTable"_s);
        QCOMPARE(duty->rows().headers(), (QStringList { u"编号"_s, u"姓名"_s, u"职称"_s, u"考勤情况"_s }));
        QCOMPARE(duty->rows().rows(),
            (QList<QStringList> {
                { u"03"_s, u"王五"_s, u"技师"_s, u"出勤"_s }, { u"01"_s, u"张三"_s, u"技师"_s, u"缺勤"_s } }));
        RowListView* queue = List(&dialog, u"queueList"_s);
        QCOMPARE(queue->rows().headers(), (QStringList { u"工序"_s, u"技师编号"_s, u"姓名"_s }));
        QCOMPARE(queue->rows().rows(), (QList<QStringList> { { u"1"_s, u"03"_s, u"王五"_s } }));
        QCOMPARE(ButtonText(&dialog, u"buttonPresent"_s), QStringLiteral("出勤"));
        QCOMPARE(ButtonText(&dialog, u"buttonQueue"_s), QStringLiteral("排钟"));
        QCOMPARE(ButtonText(&dialog, u"buttonOk"_s), QStringLiteral("确定"));
        QCOMPARE(ButtonText(&dialog, u"buttonCancel"_s), QStringLiteral("取消"));
        QVERIFY(env.messages.shown().isEmpty());
        QVERIFY(dialog.grab().save(TestOutputPath(u"rota-dialog.png"_s)));

        Click(&dialog, u"radioRest"_s);
        QCOMPARE(Column(duty, 0), QStringList { u"02"_s });
        Click(&dialog, u"radioLate"_s);
        QCOMPARE(Column(duty, 0), QStringList { u"04"_s });
        QVERIFY(queue->rows().rows().isEmpty());
    }

    void markingPresentTwice()
    {
        TestEnvironment env;
        env.addStaff(u"01"_s, u"张三"_s);
        env.addStaff(u"02"_s, u"李四"_s);
        {
            RotaDialog dialog(env.services);
            RowListView* duty = List(&dialog, u"dutyTable"_s);
            Click(&dialog, u"buttonPresent"_s);
            QCOMPARE(env.messages.lastText(), QStringLiteral("请选择出勤的员工!"));
            QVERIFY(env.session.attendanceList().isEmpty());

            SelectNumber(duty, u"01"_s);
            Click(&dialog, u"buttonPresent"_s);
            Click(&dialog, u"buttonPresent"_s);
            QCOMPARE(env.session.attendanceList(), (QStringList { u"01"_s, u"01"_s }));
            QCOMPARE(Column(duty, 3), (QStringList { u"缺勤"_s, u"出勤"_s })); // 02 on top, 01 below
            Click(&dialog, u"buttonCancel"_s); // keeps the marks
        }
        RotaDialog again(env.services);
        QCOMPARE(Column(List(&again, u"dutyTable"_s), 3), (QStringList { u"缺勤"_s, u"出勤"_s }));
    }

    void queuingFirstComeFirstServed()
    {
        TestEnvironment env;
        env.clock.set(OnDate(2026, 12, 9)); // Wednesday
        env.addStaff(u"01"_s, u"张三"_s, u"技师"_s, 100, 0);
        env.addStaff(u"02"_s, u"李四"_s, u"技师"_s, 100, 0);
        env.addStaff(u"03"_s, u"王五"_s, u"技师"_s, 3, 1); // rests today, normally late
        RotaDialog dialog(env.services);
        RowListView* duty = List(&dialog, u"dutyTable"_s);
        RowListView* queue = List(&dialog, u"queueList"_s);

        Click(&dialog, u"buttonQueue"_s);
        QCOMPARE(env.messages.lastText(), QStringLiteral("请选择排钟的技师!"));

        // Absent people may be queued too: the order is the order of pressing.
        SelectNumber(duty, u"02"_s);
        Click(&dialog, u"buttonQueue"_s);
        SelectNumber(duty, u"01"_s);
        Click(&dialog, u"buttonQueue"_s);
        QCOMPARE(queue->rows().rows(),
            (QList<QStringList> { { u"2"_s, u"01"_s, u"张三"_s }, { u"1"_s, u"02"_s, u"李四"_s } }));
        QCOMPARE(env.session.rota(RotaShift::Early), (QStringList { u"02"_s, u"01"_s }));
        QCOMPARE(env.session.idleQueue().numbers(), (QStringList { u"02"_s, u"01"_s }));

        env.messages.clear();
        SelectNumber(duty, u"02"_s);
        Click(&dialog, u"buttonQueue"_s);
        QCOMPARE(env.messages.texts(), QStringList { u"选择技师已经排钟!请核对后再操作!"_s });
        QCOMPARE(queue->rowCount(), 2);
        QCOMPARE(env.session.idleQueue().size(), 2);

        // From the rest view he goes to the shift shown in the queue list: early, as opened.
        Click(&dialog, u"radioRest"_s);
        SelectNumber(duty, u"03"_s);
        Click(&dialog, u"buttonQueue"_s);
        QCOMPARE(env.session.rota(RotaShift::Early), (QStringList { u"02"_s, u"01"_s, u"03"_s }));
        QCOMPARE(dialog.shownShift(), Rota::Shift::Early);

        // Refused again on the early shift, accepted on the late one: twice in the idle queue.
        Click(&dialog, u"radioRest"_s);
        SelectNumber(duty, u"03"_s);
        Click(&dialog, u"buttonQueue"_s);
        QCOMPARE(env.messages.lastText(), QStringLiteral("选择技师已经排钟!请核对后再操作!"));
        Click(&dialog, u"radioLate"_s);
        QCOMPARE(queue->rowCount(), 0);
        Click(&dialog, u"radioRest"_s);
        SelectNumber(duty, u"03"_s);
        Click(&dialog, u"buttonQueue"_s);
        QCOMPARE(env.session.rota(RotaShift::Late), QStringList { u"03"_s });
        QCOMPARE(queue->rows().rows(), (QList<QStringList> { { u"1"_s, u"03"_s, u"王五"_s } }));
        QCOMPARE(env.session.idleQueue().numbers(), (QStringList { u"02"_s, u"01"_s, u"03"_s, u"03"_s }));

        // Back on the early shift the queue shows in queuing order again.
        Click(&dialog, u"radioEarly"_s);
        QCOMPARE(Column(queue, 1), (QStringList { u"02"_s, u"01"_s, u"03"_s }));
        QCOMPARE(Column(queue, 0), (QStringList { u"1"_s, u"2"_s, u"3"_s }));
    }

    void deletedStaffLeavesAGapInTheQueue()
    {
        TestEnvironment env;
        for (const char* number : { "01", "02", "03", "04" })
            env.addStaff(QString::fromLatin1(number), QStringLiteral("技师%1").arg(QString::fromLatin1(number)));
        for (const char* number : { "01", "02", "03" })
            QVERIFY(env.session.queueTechnician(RotaShift::Early, QString::fromLatin1(number)).ok());
        env.sql(QStringLiteral("DELETE FROM worksinfo WHERE str1=?"), { u"02"_s });

        RotaDialog dialog(env.services);
        RowListView* queue = List(&dialog, u"queueList"_s);
        QCOMPARE(Column(queue, 0), (QStringList { u"1"_s, u"3"_s }));
        QCOMPARE(Column(queue, 1), (QStringList { u"01"_s, u"03"_s }));
        // The next one gets his place in the rota, the number the list shows on every rebuild.
        SelectNumber(List(&dialog, u"dutyTable"_s), u"04"_s);
        Click(&dialog, u"buttonQueue"_s);
        QCOMPARE(queue->rows().row(0), (QStringList { u"4"_s, u"04"_s, u"技师04"_s }));
    }

    // --- status board --------------------------------------------------------------------------

    void statusBoardWithEmptyListsDoesNothing()
    {
        TestEnvironment env;
        TechnicianStatusDialog board(env.services);
        QCOMPARE(board.windowTitle(), QStringLiteral("技师工作状态和上钟顺序"));
        QCOMPARE(List(&board, u"idleList"_s)->rowCount(), 0);
        QCOMPARE(List(&board, u"workingList"_s)->rowCount(), 0);
        Click(&board, u"buttonToWorking"_s);
        Click(&board, u"buttonToIdle"_s);
        QVERIFY(env.messages.shown().isEmpty());
        QVERIFY(env.session.idleQueue().isEmpty() && env.session.workingList().isEmpty());
    }

    void statusBoardMovesToTheTail()
    {
        TestEnvironment env;
        for (const char* number : { "01", "02", "03", "04", "05" })
            env.addStaff(QString::fromLatin1(number), QStringLiteral("技师%1").arg(QString::fromLatin1(number)));
        SetQueues(env, { u"01"_s, u"02"_s, u"03"_s, u"99"_s }, { u"04"_s, u"05"_s }); // 99 has no staff record
        const QString confirmation = QStringLiteral("请认真确认选择的技师,是否状态出错,不然系统将出现统计错误!");

        {
            TechnicianStatusDialog board(env.services);
            board.show();
            RowListView* idle = List(&board, u"idleList"_s);
            RowListView* working = List(&board, u"workingList"_s);
            QCOMPARE(idle->rows().headers(), (QStringList { u"技师编号"_s, u"姓名"_s }));
            QCOMPARE(idle->rows().rows(),
                (QList<QStringList> { { u"01"_s, u"技师01"_s }, { u"02"_s, u"技师02"_s }, { u"03"_s, u"技师03"_s } }));
            QCOMPARE(Column(working, 0), (QStringList { u"04"_s, u"05"_s }));
            QVERIFY(board.grab().save(TestOutputPath(u"technician-status-dialog.png"_s)));

            Click(&board, u"buttonToWorking"_s); // nothing selected: nothing, not even a question
            QVERIFY(env.messages.shown().isEmpty());

            env.messages.queueAnswer(false);
            idle->selectRow(0);
            Click(&board, u"buttonToWorking"_s);
            QCOMPARE(env.messages.texts(), QStringList { confirmation });
            QVERIFY(env.messages.shown().first().question);
            QCOMPARE(Column(idle, 0), (QStringList { u"01"_s, u"02"_s, u"03"_s }));
            QCOMPARE(Column(working, 0), (QStringList { u"04"_s, u"05"_s }));
            QCOMPARE(env.session.idleQueue().numbers(), (QStringList { u"01"_s, u"02"_s, u"03"_s, u"99"_s }));

            idle->selectRow(0);
            Click(&board, u"buttonToWorking"_s);
            QCOMPARE(Column(idle, 0), (QStringList { u"02"_s, u"03"_s }));
            QCOMPARE(working->rows().row(0), (QStringList { u"01"_s, u"技师01"_s })); // on top until reopened
            QCOMPARE(env.session.workingList().numbers(), (QStringList { u"04"_s, u"05"_s, u"01"_s }));

            working->selectRow(Column(working, 0).indexOf(u"04"_s));
            Click(&board, u"buttonToIdle"_s);
            QCOMPARE(env.session.idleQueue().numbers(), (QStringList { u"02"_s, u"03"_s, u"99"_s, u"04"_s }));
            QCOMPARE(env.session.workingList().numbers(), (QStringList { u"05"_s, u"01"_s }));
        }
        TechnicianStatusDialog reopened(env.services);
        QCOMPARE(Column(List(&reopened, u"idleList"_s), 0), (QStringList { u"02"_s, u"03"_s, u"04"_s }));
        QCOMPARE(Column(List(&reopened, u"workingList"_s), 0), (QStringList { u"05"_s, u"01"_s }));
    }

    void statusBoardWithANumberTwiceInTheQueue()
    {
        TestEnvironment env;
        env.addStaff(u"01"_s, u"张三"_s);
        env.addStaff(u"02"_s, u"李四"_s);
        SetQueues(env, { u"01"_s, u"02"_s, u"01"_s });
        TechnicianStatusDialog board(env.services);
        RowListView* idle = List(&board, u"idleList"_s);
        QCOMPARE(Column(idle, 0), (QStringList { u"01"_s, u"02"_s, u"01"_s }));
        idle->selectRow(2);
        Click(&board, u"buttonToWorking"_s);
        QCOMPARE(env.session.idleQueue().numbers(), (QStringList { u"02"_s, u"01"_s }));
        QCOMPARE(env.session.workingList().numbers(), QStringList { u"01"_s });
        QCOMPARE(Column(idle, 0), (QStringList { u"01"_s, u"02"_s }));
    }

    // --- random plans --------------------------------------------------------------------------

    void randomShiftsPutAtMostHalfEarly_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<quint32>("seed");
        for (int count : { 0, 1, 2, 5, 9, 20 }) {
            for (quint32 seed : { 1u, 77u, 20261207u })
                QTest::addRow("%d staff, seed %u", count, seed) << count << seed;
        }
    }

    void randomShiftsPutAtMostHalfEarly()
    {
        QFETCH(int, count);
        QFETCH(quint32, seed);
        SeededRandomSource random(seed);
        const QList<int> early = RandomEarlyPositions(count, random);
        QVERIFY(early.size() <= count / 2);
        QCOMPARE(QSet<int>(early.begin(), early.end()).size(), early.size());
        for (int position : early)
            QVERIFY(position >= 0 && position < count);
    }

    void randomShiftsStopAfterCountPlusOneDraws()
    {
        ScriptedRandom sameEveryTime({ 3 });
        QCOMPARE(RandomEarlyPositions(8, sameEveryTime), QList<int> { 3 }); // fewer when draws repeat
        ScriptedRandom distinct({ 0, 1, 2, 3, 4, 5 });
        QCOMPARE(RandomEarlyPositions(6, distinct), (QList<int> { 0, 1, 2 }));
    }

    void randomRestDays_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("perDay"); // Monday … Sunday
        QTest::newRow("none") << 0 << QList<int> { 0, 0, 0, 0, 0, 0, 0 };
        QTest::newRow("6: all Sunday") << 6 << QList<int> { 0, 0, 0, 0, 0, 0, 6 };
        QTest::newRow("7") << 7 << QList<int> { 1, 1, 1, 1, 1, 1, 1 };
        QTest::newRow("13") << 13 << QList<int> { 1, 1, 1, 1, 1, 1, 7 };
        QTest::newRow("15") << 15 << QList<int> { 2, 2, 2, 2, 2, 2, 3 };
    }

    void randomRestDays()
    {
        QFETCH(int, count);
        QFETCH(QList<int>, perDay);
        SeededRandomSource random(4242);
        const std::array<QList<int>, 7> days = RandomRestDayPositions(count, random);
        QList<int> sizes;
        QList<int> everyone;
        for (const QList<int>& day : days) {
            sizes.append(int(day.size()));
            everyone += day;
        }
        QCOMPARE(sizes, perDay);
        std::sort(everyone.begin(), everyone.end());
        QList<int> expected(count);
        std::iota(expected.begin(), expected.end(), 0);
        QCOMPARE(everyone, expected);
    }

    // --- shift plan store ----------------------------------------------------------------------

    void planWriteOrderAndBoundNumbers()
    {
        TestEnvironment env;
        env.addStaff(u"01"_s, u"张三"_s, u"技师"_s, 100, 100);
        env.addStaff(u"O'Neil"_s, u"欧"_s, u"技师"_s, 100, 100); // a quote in a number is just text
        env.addStaff(u"03"_s, u"王五"_s, u"技师"_s, 4, 1); // in no box: keeps his values
        ShiftPlan plan;
        plan.restDays[0] = { u"01"_s, u"O'Neil"_s };
        plan.restDays[6] = { u"01"_s }; // Sunday is written last and wins
        plan.early = { u"01"_s, u"O'Neil"_s, u"gone"_s }; // "gone" has no record and is passed over
        plan.late = { u"01"_s }; // late is written after early and wins
        plan.rotation = RotationRule::Weekly;

        ShiftPlanStore store(env.database);
        QCOMPARE(store.save(plan), QString());
        QCOMPARE(StoredColumn(env, u"restday"_s), QStringLiteral("7,1,4"));
        QCOMPARE(StoredColumn(env, u"workstatus"_s), QStringLiteral("1,0,1"));
        QCOMPARE(env.database.scalar(u"SELECT spaceday FROM wtimechgcondition WHERE id=1"_s).toInt(), 2);
        QCOMPARE(env.database.scalar(u"SELECT count(*) FROM worksinfo"_s).toInt(), 3);
    }

    void planIsStoredWholeOrNotAtAll()
    {
        TestEnvironment env;
        env.addStaff(u"01"_s, u"张三"_s, u"技师"_s, 2, 0);
        env.addStaff(u"02"_s, u"李四"_s, u"技师"_s, 3, 0);
        env.sql(QStringLiteral("CREATE TRIGGER refuse_late BEFORE UPDATE OF workstatus ON worksinfo "
                               "WHEN NEW.workstatus = 1 BEGIN SELECT RAISE(ABORT, '磁盘已满'); END"));
        ShiftPlan plan;
        plan.restDays[4] = { u"01"_s, u"02"_s };
        plan.late = { u"02"_s };
        plan.rotation = RotationRule::Daily;
        const QString error = ShiftPlanStore(env.database).save(plan);
        QVERIFY2(error.contains(QStringLiteral("磁盘已满")), qPrintable(error));
        QCOMPARE(StoredColumn(env, u"restday"_s), QStringLiteral("2,3"));
        QCOMPARE(StoredColumn(env, u"workstatus"_s), QStringLiteral("0,0"));
        QCOMPARE(env.database.scalar(u"SELECT spaceday FROM wtimechgcondition WHERE id=1"_s).toInt(), 0);
    }

    // --- shift planner dialog ------------------------------------------------------------------

    void plannerOpensWithTheStoredPlan()
    {
        TestEnvironment env;
        env.sql(QStringLiteral("UPDATE wtimechgcondition SET spaceday=1 WHERE id=1"));
        env.addStaff(u"01"_s, u"张三"_s, u"技师"_s, 1, 0);
        env.addStaff(u"02"_s, u"李四"_s, u"高级技师"_s, 7, 1);
        env.addStaff(u"03"_s, u"王五"_s, u"领班"_s, 100, 100);
        env.addStaff(u"10"_s, u"赵六"_s, u"技师"_s, 1, 0);
        SeededRandomSource random(1);
        ShiftPlannerDialog dialog(env.services, random);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("员工上班安排"));

        RowListView* shiftStaff = List(&dialog, u"shiftStaffList"_s);
        QCOMPARE(shiftStaff->rows().headers(), (QStringList { u"编号"_s, u"姓名"_s, u"职位"_s }));
        QCOMPARE(Column(shiftStaff, 0), (QStringList { u"10"_s, u"03"_s, u"02"_s, u"01"_s }));
        QCOMPARE(List(&dialog, u"restStaffList"_s)->rows().rows(), shiftStaff->rows().rows());
        QCOMPARE(Entries(Child<QListWidget>(&dialog, u"earlyBox"_s)),
            (QStringList { u"01 张三 技师"_s, u"10 赵六 技师"_s }));
        QCOMPARE(Entries(Child<QListWidget>(&dialog, u"lateBox"_s)), QStringList { u"02 李四 高级技师"_s });
        QCOMPARE(
            Entries(Child<QListWidget>(&dialog, u"dayBox1"_s)), (QStringList { u"01 张三 技师"_s, u"10 赵六 技师"_s }));
        QCOMPARE(Entries(Child<QListWidget>(&dialog, u"dayBox7"_s)), QStringList { u"02 李四 高级技师"_s });
        QCOMPARE(Child<QListWidget>(&dialog, u"dayBox3"_s)->count(), 0);
        auto* rotation = Child<QComboBox>(&dialog, u"rotationChoice"_s);
        QCOMPARE(rotation->count(), 3);
        QCOMPARE(rotation->itemText(0), QStringLiteral("请选择换班条件"));
        QCOMPARE(rotation->itemText(2), QStringLiteral("每周轮流更换早班与晚班制"));
        QCOMPARE(rotation->currentText(), QStringLiteral("每天轮流更换早班与晚班制"));
        const QStringList buttons
            = { u"buttonClear"_s, u"buttonRandomShifts"_s, u"buttonRandomRest"_s, u"buttonOk"_s, u"buttonCancel"_s };
        const QStringList texts = { u"清空列表"_s, u"随机(上班)"_s, u"随机(休息)"_s, u"确定"_s, u"取消"_s };
        for (int i = 0; i < buttons.size(); ++i)
            QCOMPARE(ButtonText(&dialog, buttons[i]), texts[i]);
        QVERIFY(env.messages.shown().isEmpty());
        QVERIFY(dialog.grab().save(TestOutputPath(u"shift-planner-dialog.png"_s)));
    }

    void plannerAddsByHandAndStoresOnOk()
    {
        TestEnvironment env;
        env.addStaff(u"01"_s, u"张三"_s, u"技师"_s, 2, 0);
        env.addStaff(u"02"_s, u"李四"_s, u"技师"_s, 100, 100);
        env.addStaff(u"03"_s, u"王五"_s, u"技师"_s, 5, 0);
        SeededRandomSource random(1);
        ShiftPlannerDialog dialog(env.services, random);
        dialog.show();
        RowListView* shiftStaff = List(&dialog, u"shiftStaffList"_s); // 03, 02, 01 from the top
        RowListView* restStaff = List(&dialog, u"restStaffList"_s);
        auto* late = Child<QListWidget>(&dialog, u"lateBox"_s);

        SelectRows(shiftStaff, { 0, 1 });
        Click(&dialog, u"buttonAddLate"_s);
        QCOMPARE(Entries(late), (QStringList { u"02 李四 技师"_s, u"03 王五 技师"_s }));
        QCOMPARE(Column(shiftStaff, 0), (QStringList { u"   03"_s, u"   02"_s, u"01"_s })); // placed ones marked
        SelectRows(shiftStaff, { 0 });
        Click(&dialog, u"buttonAddLate"_s);
        QCOMPARE(late->count(), 3); // no check for duplicates: still "03 …" as its entry text
        QCOMPARE(Entries(late).count(QStringLiteral("03 王五 技师")), 2);

        SelectRows(restStaff, { 2 }); // 01 rests Monday and Sunday: Sunday wins
        Click(&dialog, u"buttonAddDay1"_s);
        Click(&dialog, u"buttonAddDay7"_s);
        QCOMPARE(StoredColumn(env, u"restday"_s), QStringLiteral("2,100,5")); // nothing written yet
        QCOMPARE(StoredColumn(env, u"workstatus"_s), QStringLiteral("0,100,0"));

        Child<QComboBox>(&dialog, u"rotationChoice"_s)->setCurrentIndex(2);
        Click(&dialog, u"buttonOk"_s);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(StoredColumn(env, u"restday"_s), QStringLiteral("7,100,5"));
        QCOMPARE(StoredColumn(env, u"workstatus"_s), QStringLiteral("0,1,1")); // 03 stood early and late: late
        QCOMPARE(env.database.scalar(u"SELECT spaceday FROM wtimechgcondition WHERE id=1"_s).toInt(), 2);
    }

    void plannerKeepsItsBoxesWhenOkFails()
    {
        TestEnvironment env;
        env.addStaff(u"01"_s, u"张三"_s, u"技师"_s, 100, 100);
        env.addStaff(u"02"_s, u"李四"_s, u"技师"_s, 100, 100);
        env.sql(QStringLiteral("CREATE TRIGGER refuse_late BEFORE UPDATE OF workstatus ON worksinfo "
                               "WHEN NEW.workstatus = 1 BEGIN SELECT RAISE(ABORT, '磁盘已满'); END"));
        ScriptedRandom random({ 1 });
        ShiftPlannerDialog dialog(env.services, random);
        dialog.show();
        Click(&dialog, u"buttonRandomShifts"_s);
        Click(&dialog, u"buttonRandomRest"_s);
        Click(&dialog, u"buttonOk"_s);
        QVERIFY(env.messages.lastText().contains(QStringLiteral("磁盘已满")));
        QVERIFY(dialog.isVisible());
        QCOMPARE(Child<QListWidget>(&dialog, u"dayBox7"_s)->count(), 2);
        QCOMPARE(StoredColumn(env, u"restday"_s), QStringLiteral("100,100"));
        QCOMPARE(StoredColumn(env, u"workstatus"_s), QStringLiteral("100,100"));
    }

    void plannerRemovesAndClearsAtOnce()
    {
        TestEnvironment env;
        env.addStaff(u"01"_s, u"张三"_s, u"技师"_s, 1, 0);
        env.addStaff(u"02"_s, u"李四"_s, u"技师"_s, 1, 1);
        env.addStaff(u"03"_s, u"王五"_s, u"技师"_s, 6, 1);
        SeededRandomSource random(1);
        {
            ShiftPlannerDialog dialog(env.services, random);
            auto* early = Child<QListWidget>(&dialog, u"earlyBox"_s);
            auto* monday = Child<QListWidget>(&dialog, u"dayBox1"_s);

            Click(&dialog, u"buttonRemoveEarly"_s);
            QCOMPARE(env.messages.texts(), QStringList { u"请选择要删除的选项!"_s });
            Click(&dialog, u"buttonRemoveDay1"_s);
            QCOMPARE(env.messages.shown().size(), 2);

            early->setCurrentRow(0);
            Click(&dialog, u"buttonRemoveEarly"_s);
            QCOMPARE(early->count(), 0);
            monday->setCurrentRow(1);
            Click(&dialog, u"buttonRemoveDay1"_s);
            QCOMPARE(Entries(monday), QStringList { u"01 张三 技师"_s });
            Click(&dialog, u"buttonCancel"_s);
        }
        QCOMPARE(StoredColumn(env, u"workstatus"_s), QStringLiteral("100,1,1"));
        QCOMPARE(StoredColumn(env, u"restday"_s), QStringLiteral("1,100,6"));

        {
            // All or nothing: one row that refuses keeps every row and every box as it was.
            env.sql(QStringLiteral("CREATE TRIGGER keep_03 BEFORE UPDATE ON worksinfo WHEN OLD.str1='03' "
                                   "BEGIN SELECT RAISE(ABORT, '记录被锁定'); END"));
            ShiftPlannerDialog dialog(env.services, random);
            Click(&dialog, u"buttonClear"_s);
            QCOMPARE(env.messages.lastText(), QStringLiteral("记录被锁定"));
            QCOMPARE(Child<QListWidget>(&dialog, u"lateBox"_s)->count(), 2);
            QCOMPARE(StoredColumn(env, u"restday"_s), QStringLiteral("1,100,6"));
            env.sql(QStringLiteral("DROP TRIGGER keep_03"));
        }

        ShiftPlannerDialog dialog(env.services, random);
        Click(&dialog, u"buttonClear"_s);
        QCOMPARE(Child<QListWidget>(&dialog, u"lateBox"_s)->count(), 0);
        QCOMPARE(Child<QListWidget>(&dialog, u"dayBox6"_s)->count(), 0);
        Click(&dialog, u"buttonCancel"_s);
        QCOMPARE(StoredColumn(env, u"workstatus"_s), QStringLiteral("100,100,100"));
        QCOMPARE(StoredColumn(env, u"restday"_s), QStringLiteral("100,100,100"));
    }

    void plannerRandomShifts()
    {
        TestEnvironment env;
        for (int i = 1; i <= 5; ++i)
            env.addStaff(QStringLiteral("0%1").arg(i), QStringLiteral("技师%1").arg(i), u"技师"_s, 100, 0);
        auto boxesAfterRandom = [&env](quint32 seed) {
            SeededRandomSource random(seed);
            ShiftPlannerDialog dialog(env.services, random);
            Click(&dialog, u"buttonRandomShifts"_s);
            return std::pair { Entries(Child<QListWidget>(&dialog, u"earlyBox"_s)),
                Entries(Child<QListWidget>(&dialog, u"lateBox"_s)) };
        };
        const auto [early, late] = boxesAfterRandom(20261207);
        QVERIFY(early.size() <= 2);
        QCOMPARE(early.size() + late.size(), 5);
        QStringList everyone = early + late;
        everyone.sort();
        QCOMPARE(everyone.first(), QStringLiteral("01 技师1 技师"));
        QCOMPARE(everyone.removeDuplicates(), 0);
        QCOMPARE(boxesAfterRandom(20261207), (std::pair { early, late })); // repeatable with the same seed
        QCOMPARE(StoredColumn(env, u"workstatus"_s), QStringLiteral("0,0,0,0,0")); // a draft until 确定
    }

    void plannerRandomRestDays()
    {
        TestEnvironment env;
        for (int i = 1; i <= 15; ++i)
            env.addStaff(
                QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("技师%1").arg(i), u"技师"_s, 3, 0);
        SeededRandomSource random(99);
        ShiftPlannerDialog dialog(env.services, random);
        Click(&dialog, u"buttonRandomRest"_s);
        QList<int> perDay;
        QStringList everyone;
        for (int day = 1; day <= 7; ++day) {
            const QStringList entries = Entries(Child<QListWidget>(&dialog, QStringLiteral("dayBox%1").arg(day)));
            perDay.append(int(entries.size()));
            everyone += entries;
        }
        QCOMPARE(perDay, (QList<int> { 2, 2, 2, 2, 2, 2, 3 }));
        QCOMPARE(everyone.removeDuplicates(), 0);
        for (const QString& number : Column(List(&dialog, u"restStaffList"_s), 0))
            QVERIFY(number.startsWith(QStringLiteral("   "))); // everyone placed is marked
        Click(&dialog, u"buttonCancel"_s);
        QCOMPARE(StoredColumn(env, u"restday"_s), QStringLiteral("3,3,3,3,3,3,3,3,3,3,3,3,3,3,3"));
    }

    void plannerRandomWithoutStaff()
    {
        TestEnvironment env;
        SeededRandomSource random(5);
        ShiftPlannerDialog dialog(env.services, random);
        Click(&dialog, u"buttonRandomShifts"_s);
        Click(&dialog, u"buttonRandomRest"_s);
        QCOMPARE(Child<QListWidget>(&dialog, u"earlyBox"_s)->count(), 0);
        QCOMPARE(Child<QListWidget>(&dialog, u"lateBox"_s)->count(), 0);
        QCOMPARE(Child<QListWidget>(&dialog, u"dayBox7"_s)->count(), 0);
        QVERIFY(env.messages.shown().isEmpty());
    }

    // The daily rule chosen here swaps the shifts at the next start a day later.
    void plannedRuleDrivesTheStartUpSwap()
    {
        TestEnvironment env;
        env.addStaff(u"01"_s, u"张三"_s, u"技师"_s, 100, 0);
        env.addStaff(u"02"_s, u"李四"_s, u"技师"_s, 100, 1);
        env.sql(QStringLiteral("UPDATE wtimechgcondition SET time=? WHERE id=1"), { DateTimeText(env.clock.now()) });
        SeededRandomSource random(1);
        ShiftPlannerDialog dialog(env.services, random);
        Child<QComboBox>(&dialog, u"rotationChoice"_s)->setCurrentIndex(RotationRule::Daily);
        Click(&dialog, u"buttonOk"_s);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!ShiftRotation(env.database, env.clock.now().addSecs(23 * 3600)).swapped);
        QVERIFY(ShiftRotation(env.database, env.clock.now().addSecs(24 * 3600)).swapped);
        QCOMPARE(StoredColumn(env, u"workstatus"_s), QStringLiteral("1,0"));
    }
};

QTEST_MAIN(ScheduleTest)
#include "tst_schedule.moc"
