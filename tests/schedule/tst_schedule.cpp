#include "app/RowListModel.h"
#include "app/RowListView.h"
#include "app/ShiftRotation.h"
#include "app/TextFormat.h"
#include "schedule/RandomPlan.h"
#include "schedule/RandomSource.h"
#include "schedule/Rota.h"
#include "schedule/RotaDialog.h"
#include "schedule/ShiftPlanStore.h"
#include "schedule/ShiftPlannerDialog.h"
#include "schedule/TechnicianStatusDialog.h"
#include "support/TestEnvironment.h"
#include "support/WidgetFinder.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QListWidget>
#include <QRadioButton>
#include <QSet>
#include <QtTest>

namespace {

template <typename T> T* Child(const QWidget* parent, const QString& name)
{
    T* child = parent->findChild<T*>(name);
    if (!child)
        qFatal("no child named %s", qPrintable(name));
    return child;
}

void Click(const QWidget* parent, const QString& buttonName)
{
    Child<QAbstractButton>(parent, buttonName)->click();
}

RowListView* List(const QWidget* parent, const QString& name)
{
    return Child<RowListView>(parent, name);
}

QStringList Column(const RowListView* view, int column)
{
    QStringList cells;
    for (int row = 0; row < view->rowCount(); ++row)
        cells.append(view->rows().cell(row, column));
    return cells;
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
    return env.database
        .scalar(QStringLiteral("SELECT group_concat(v, ',') FROM (SELECT %1 AS v FROM worksinfo ORDER BY rowid)")
                    .arg(column))
        .toString();
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
        QTest::newRow("Sunday early") << 7 << early << QStringList { "01" };
        QTest::newRow("Sunday late") << 7 << late << QStringList { "06", "03" };
        QTest::newRow("Sunday rest") << 7 << rest << QStringList { "04", "02" };
        QTest::newRow("Wednesday early") << 3 << early << QStringList { "02", "01" };
        QTest::newRow("Wednesday late") << 3 << late << QStringList { "06" };
        QTest::newRow("Wednesday rest") << 3 << rest << QStringList { "03" };
        QTest::newRow("Monday late") << 1 << late << QStringList { "03" };
        QTest::newRow("Monday rest") << 1 << rest << QStringList { "06" };
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
        env.addStaff("01", "甲", "技师", 100, 0);
        env.addStaff("02", "乙", "技师", 7, 0);
        env.addStaff("03", "丙", "技师", 3, 1);
        env.addStaff("04", "丁", "领班", 7, 100);
        env.addStaff("05", "戊", "技师", 100, 100);
        env.addStaff("06", "己", "技师", 1, 1);
        Rota rota(env.database, env.desk);
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
            env.addStaff(number, QStringLiteral("技师%1").arg(number));
        Rota rota(env.database, env.desk);
        QCOMPARE(rota.queue(Rota::Shift::Early, "01"), 1);
        QCOMPARE(rota.queue(Rota::Shift::Early, "02"), 2);
        QCOMPARE(rota.queue(Rota::Shift::Early, "03"), 3);
        QCOMPARE(rota.queue(Rota::Shift::Early, "02"), 0); // already queued on this shift
        QCOMPARE(rota.queue(Rota::Shift::Late, "02"), 1); // the other shift takes him
        QCOMPARE(env.desk.idleQueue.numbers(), (QStringList { "01", "02", "03", "02" }));

        env.sql(QStringLiteral("DELETE FROM worksinfo WHERE str1=?"), { "02" });
        const LookedUpRows list = rota.queueList(Rota::Shift::Early);
        QCOMPARE(list.rows,
            (QList<QStringList> { { "1", "01", QStringLiteral("技师01") }, { "3", "03", QStringLiteral("技师03") } }));
        QVERIFY(rota.queueList(Rota::Shift::Late).rows.isEmpty());
    }

    // --- rota dialog ---------------------------------------------------------------------------

    void rotaOpensOnTheEarlyShiftOfToday()
    {
        TestEnvironment env;
        env.clock.set(OnDate(2026, 12, 13)); // a Sunday
        env.addStaff("01", "张三", "技师", 100, 0);
        env.addStaff("02", "李四", "高级技师", 7, 0);
        env.addStaff("03", "王五", "技师", 1, 0);
        env.addStaff("04", "赵六", "技师", 100, 1);
        env.desk.attendanceList = { "03" };
        env.desk.earlyRota = { "03" };

        RotaDialog dialog(env.services);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("排钟"));
        QVERIFY(Child<QRadioButton>(&dialog, "radioEarly")->isChecked());
        RowListView* duty = List(&dialog, "dutyTable");
        QCOMPARE(duty->rows().headers(), (QStringList { "编号", "姓名", "职称", "考勤情况" }));
        QCOMPARE(duty->rows().rows(),
            (QList<QStringList> { { "03", "王五", "技师", "出勤" }, { "01", "张三", "技师", "缺勤" } }));
        RowListView* queue = List(&dialog, "queueList");
        QCOMPARE(queue->rows().headers(), (QStringList { "工序", "技师编号", "姓名" }));
        QCOMPARE(queue->rows().rows(), (QList<QStringList> { { "1", "03", "王五" } }));
        QVERIFY(FindButton(&dialog, "出勤") && FindButton(&dialog, "排钟"));
        QVERIFY(FindButton(&dialog, "确定") && FindButton(&dialog, "取消"));
        QVERIFY(env.messages.shown().isEmpty());
        QVERIFY(dialog.grab().save(TestOutputPath("rota-dialog.png")));

        Click(&dialog, "radioRest");
        QCOMPARE(Column(duty, 0), QStringList { "02" });
        Click(&dialog, "radioLate");
        QCOMPARE(Column(duty, 0), QStringList { "04" });
        QVERIFY(queue->rows().rows().isEmpty());
    }

    void markingPresentTwice()
    {
        TestEnvironment env;
        env.addStaff("01", "张三");
        env.addStaff("02", "李四");
        {
            RotaDialog dialog(env.services);
            RowListView* duty = List(&dialog, "dutyTable");
            Click(&dialog, "buttonPresent");
            QCOMPARE(env.messages.lastText(), QStringLiteral("请选择出勤的员工!"));
            QVERIFY(env.desk.attendanceList.isEmpty());

            SelectNumber(duty, "01");
            Click(&dialog, "buttonPresent");
            Click(&dialog, "buttonPresent");
            QCOMPARE(env.desk.attendanceList, (QStringList { "01", "01" }));
            QCOMPARE(Column(duty, 3), (QStringList { "缺勤", "出勤" })); // 02 on top, 01 below
            Click(&dialog, "buttonCancel"); // keeps the marks
        }
        RotaDialog again(env.services);
        QCOMPARE(Column(List(&again, "dutyTable"), 3), (QStringList { "缺勤", "出勤" }));
    }

    void queuingFirstComeFirstServed()
    {
        TestEnvironment env;
        env.clock.set(OnDate(2026, 12, 9)); // Wednesday
        env.addStaff("01", "张三", "技师", 100, 0);
        env.addStaff("02", "李四", "技师", 100, 0);
        env.addStaff("03", "王五", "技师", 3, 1); // rests today, normally late
        RotaDialog dialog(env.services);
        RowListView* duty = List(&dialog, "dutyTable");
        RowListView* queue = List(&dialog, "queueList");

        Click(&dialog, "buttonQueue");
        QCOMPARE(env.messages.lastText(), QStringLiteral("请选择排钟的技师!"));

        // Absent people may be queued too: the order is the order of pressing.
        SelectNumber(duty, "02");
        Click(&dialog, "buttonQueue");
        SelectNumber(duty, "01");
        Click(&dialog, "buttonQueue");
        QCOMPARE(queue->rows().rows(), (QList<QStringList> { { "2", "01", "张三" }, { "1", "02", "李四" } }));
        QCOMPARE(env.desk.earlyRota, (QStringList { "02", "01" }));
        QCOMPARE(env.desk.idleQueue.numbers(), (QStringList { "02", "01" }));

        env.messages.clear();
        SelectNumber(duty, "02");
        Click(&dialog, "buttonQueue");
        QCOMPARE(env.messages.texts(), QStringList { "选择技师已经排钟!请核对后再操作!" });
        QCOMPARE(queue->rowCount(), 2);
        QCOMPARE(env.desk.idleQueue.size(), 2);

        // From the rest view he goes to the shift shown in the queue list: early, as opened.
        Click(&dialog, "radioRest");
        SelectNumber(duty, "03");
        Click(&dialog, "buttonQueue");
        QCOMPARE(env.desk.earlyRota, (QStringList { "02", "01", "03" }));
        QCOMPARE(dialog.shownShift(), Rota::Shift::Early);

        // Refused again on the early shift, accepted on the late one: twice in the idle queue.
        Click(&dialog, "radioRest");
        SelectNumber(duty, "03");
        Click(&dialog, "buttonQueue");
        QCOMPARE(env.messages.lastText(), QStringLiteral("选择技师已经排钟!请核对后再操作!"));
        Click(&dialog, "radioLate");
        QCOMPARE(queue->rowCount(), 0);
        Click(&dialog, "radioRest");
        SelectNumber(duty, "03");
        Click(&dialog, "buttonQueue");
        QCOMPARE(env.desk.lateRota, QStringList { "03" });
        QCOMPARE(queue->rows().rows(), (QList<QStringList> { { "1", "03", "王五" } }));
        QCOMPARE(env.desk.idleQueue.numbers(), (QStringList { "02", "01", "03", "03" }));

        // Back on the early shift the queue shows in queuing order again.
        Click(&dialog, "radioEarly");
        QCOMPARE(Column(queue, 1), (QStringList { "02", "01", "03" }));
        QCOMPARE(Column(queue, 0), (QStringList { "1", "2", "3" }));
    }

    void deletedStaffLeavesAGapInTheQueue()
    {
        TestEnvironment env;
        for (const char* number : { "01", "02", "03", "04" })
            env.addStaff(number, QStringLiteral("技师%1").arg(number));
        env.desk.earlyRota = { "01", "02", "03" };
        env.sql(QStringLiteral("DELETE FROM worksinfo WHERE str1=?"), { "02" });

        RotaDialog dialog(env.services);
        RowListView* queue = List(&dialog, "queueList");
        QCOMPARE(Column(queue, 0), (QStringList { "1", "3" }));
        QCOMPARE(Column(queue, 1), (QStringList { "01", "03" }));
        // The next one gets his place in the rota, the number the list shows on every rebuild.
        SelectNumber(List(&dialog, "dutyTable"), "04");
        Click(&dialog, "buttonQueue");
        QCOMPARE(queue->rows().row(0), (QStringList { "4", "04", "技师04" }));
    }

    // --- status board --------------------------------------------------------------------------

    void statusBoardWithEmptyListsDoesNothing()
    {
        TestEnvironment env;
        TechnicianStatusDialog board(env.services);
        QCOMPARE(board.windowTitle(), QStringLiteral("技师工作状态和上钟顺序"));
        QCOMPARE(List(&board, "idleList")->rowCount(), 0);
        QCOMPARE(List(&board, "workingList")->rowCount(), 0);
        Click(&board, "buttonToWorking");
        Click(&board, "buttonToIdle");
        QVERIFY(env.messages.shown().isEmpty());
        QVERIFY(env.desk.idleQueue.isEmpty() && env.desk.workingList.isEmpty());
    }

    void statusBoardMovesToTheTail()
    {
        TestEnvironment env;
        for (const char* number : { "01", "02", "03", "04", "05" })
            env.addStaff(number, QStringLiteral("技师%1").arg(number));
        for (const char* number : { "01", "02", "03", "99" }) // 99 has no staff record
            env.desk.idleQueue.append(number);
        env.desk.workingList.append("04");
        env.desk.workingList.append("05");
        const QString confirmation = QStringLiteral("请认真确认选择的技师,是否状态出错,不然系统将出现统计错误!");

        {
            TechnicianStatusDialog board(env.services);
            board.show();
            RowListView* idle = List(&board, "idleList");
            RowListView* working = List(&board, "workingList");
            QCOMPARE(idle->rows().headers(), (QStringList { "技师编号", "姓名" }));
            QCOMPARE(idle->rows().rows(),
                (QList<QStringList> { { "01", "技师01" }, { "02", "技师02" }, { "03", "技师03" } }));
            QCOMPARE(Column(working, 0), (QStringList { "04", "05" }));
            QVERIFY(board.grab().save(TestOutputPath("technician-status-dialog.png")));

            Click(&board, "buttonToWorking"); // nothing selected: nothing, not even a question
            QVERIFY(env.messages.shown().isEmpty());

            env.messages.queueAnswer(false);
            idle->selectRow(0);
            Click(&board, "buttonToWorking");
            QCOMPARE(env.messages.texts(), QStringList { confirmation });
            QVERIFY(env.messages.shown().first().question);
            QCOMPARE(Column(idle, 0), (QStringList { "01", "02", "03" }));
            QCOMPARE(Column(working, 0), (QStringList { "04", "05" }));
            QCOMPARE(env.desk.idleQueue.numbers(), (QStringList { "01", "02", "03", "99" }));

            idle->selectRow(0);
            Click(&board, "buttonToWorking");
            QCOMPARE(Column(idle, 0), (QStringList { "02", "03" }));
            QCOMPARE(working->rows().row(0), (QStringList { "01", "技师01" })); // on top until reopened
            QCOMPARE(env.desk.workingList.numbers(), (QStringList { "04", "05", "01" }));

            working->selectRow(Column(working, 0).indexOf("04"));
            Click(&board, "buttonToIdle");
            QCOMPARE(env.desk.idleQueue.numbers(), (QStringList { "02", "03", "99", "04" }));
            QCOMPARE(env.desk.workingList.numbers(), (QStringList { "05", "01" }));
        }
        TechnicianStatusDialog reopened(env.services);
        QCOMPARE(Column(List(&reopened, "idleList"), 0), (QStringList { "02", "03", "04" }));
        QCOMPARE(Column(List(&reopened, "workingList"), 0), (QStringList { "05", "01" }));
    }

    void statusBoardWithANumberTwiceInTheQueue()
    {
        TestEnvironment env;
        env.addStaff("01", "张三");
        env.addStaff("02", "李四");
        for (const char* number : { "01", "02", "01" })
            env.desk.idleQueue.append(number);
        TechnicianStatusDialog board(env.services);
        RowListView* idle = List(&board, "idleList");
        QCOMPARE(Column(idle, 0), (QStringList { "01", "02", "01" }));
        idle->selectRow(2);
        Click(&board, "buttonToWorking");
        QCOMPARE(env.desk.idleQueue.numbers(), (QStringList { "02", "01" }));
        QCOMPARE(env.desk.workingList.numbers(), QStringList { "01" });
        QCOMPARE(Column(idle, 0), (QStringList { "01", "02" }));
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
        env.addStaff("01", "张三", "技师", 100, 100);
        env.addStaff("O'Neil", "欧", "技师", 100, 100); // a quote in a number is just text
        env.addStaff("03", "王五", "技师", 4, 1); // in no box: keeps his values
        ShiftPlan plan;
        plan.restDays[0] = { "01", "O'Neil" };
        plan.restDays[6] = { "01" }; // Sunday is written last and wins
        plan.early = { "01", "O'Neil", "gone" }; // "gone" has no record and is passed over
        plan.late = { "01" }; // late is written after early and wins
        plan.rotation = RotationRule::Weekly;

        ShiftPlanStore store(env.database);
        QCOMPARE(store.save(plan), QString());
        QCOMPARE(StoredColumn(env, "restday"), QStringLiteral("7,1,4"));
        QCOMPARE(StoredColumn(env, "workstatus"), QStringLiteral("1,0,1"));
        QCOMPARE(env.database.scalar("SELECT spaceday FROM wtimechgcondition WHERE id=1").toInt(), 2);
        QCOMPARE(env.database.scalar("SELECT count(*) FROM worksinfo").toInt(), 3);
    }

    void planIsStoredWholeOrNotAtAll()
    {
        TestEnvironment env;
        env.addStaff("01", "张三", "技师", 2, 0);
        env.addStaff("02", "李四", "技师", 3, 0);
        env.sql(QStringLiteral("CREATE TRIGGER refuse_late BEFORE UPDATE OF workstatus ON worksinfo "
                               "WHEN NEW.workstatus = 1 BEGIN SELECT RAISE(ABORT, '磁盘已满'); END"));
        ShiftPlan plan;
        plan.restDays[4] = { "01", "02" };
        plan.late = { "02" };
        plan.rotation = RotationRule::Daily;
        const QString error = ShiftPlanStore(env.database).save(plan);
        QVERIFY2(error.contains(QStringLiteral("磁盘已满")), qPrintable(error));
        QCOMPARE(StoredColumn(env, "restday"), QStringLiteral("2,3"));
        QCOMPARE(StoredColumn(env, "workstatus"), QStringLiteral("0,0"));
        QCOMPARE(env.database.scalar("SELECT spaceday FROM wtimechgcondition WHERE id=1").toInt(), 0);
    }

    // --- shift planner dialog ------------------------------------------------------------------

    void plannerOpensWithTheStoredPlan()
    {
        TestEnvironment env;
        env.sql(QStringLiteral("UPDATE wtimechgcondition SET spaceday=1 WHERE id=1"));
        env.addStaff("01", "张三", "技师", 1, 0);
        env.addStaff("02", "李四", "高级技师", 7, 1);
        env.addStaff("03", "王五", "领班", 100, 100);
        env.addStaff("10", "赵六", "技师", 1, 0);
        SeededRandomSource random(1);
        ShiftPlannerDialog dialog(env.services, random);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("员工上班安排"));

        RowListView* shiftStaff = List(&dialog, "shiftStaffList");
        QCOMPARE(shiftStaff->rows().headers(), (QStringList { "编号", "姓名", "职位" }));
        QCOMPARE(Column(shiftStaff, 0), (QStringList { "10", "03", "02", "01" }));
        QCOMPARE(List(&dialog, "restStaffList")->rows().rows(), shiftStaff->rows().rows());
        QCOMPARE(Entries(Child<QListWidget>(&dialog, "earlyBox")), (QStringList { "01 张三 技师", "10 赵六 技师" }));
        QCOMPARE(Entries(Child<QListWidget>(&dialog, "lateBox")), QStringList { "02 李四 高级技师" });
        QCOMPARE(Entries(Child<QListWidget>(&dialog, "dayBox1")), (QStringList { "01 张三 技师", "10 赵六 技师" }));
        QCOMPARE(Entries(Child<QListWidget>(&dialog, "dayBox7")), QStringList { "02 李四 高级技师" });
        QCOMPARE(Child<QListWidget>(&dialog, "dayBox3")->count(), 0);
        auto* rotation = Child<QComboBox>(&dialog, "rotationChoice");
        QCOMPARE(rotation->count(), 3);
        QCOMPARE(rotation->itemText(0), QStringLiteral("请选择换班条件"));
        QCOMPARE(rotation->itemText(2), QStringLiteral("每周轮流更换早班与晚班制"));
        QCOMPARE(rotation->currentText(), QStringLiteral("每天轮流更换早班与晚班制"));
        for (const char* text : { "清空列表", "随机(上班)", "随机(休息)", "确定", "取消" })
            QVERIFY2(FindButton(&dialog, QString::fromUtf8(text)), text);
        QVERIFY(env.messages.shown().isEmpty());
        QVERIFY(dialog.grab().save(TestOutputPath("shift-planner-dialog.png")));
    }

    void plannerAddsByHandAndStoresOnOk()
    {
        TestEnvironment env;
        env.addStaff("01", "张三", "技师", 2, 0);
        env.addStaff("02", "李四", "技师", 100, 100);
        env.addStaff("03", "王五", "技师", 5, 0);
        SeededRandomSource random(1);
        ShiftPlannerDialog dialog(env.services, random);
        dialog.show();
        RowListView* shiftStaff = List(&dialog, "shiftStaffList"); // 03, 02, 01 from the top
        RowListView* restStaff = List(&dialog, "restStaffList");
        auto* late = Child<QListWidget>(&dialog, "lateBox");

        SelectRows(shiftStaff, { 0, 1 });
        Click(&dialog, "buttonAddLate");
        QCOMPARE(Entries(late), (QStringList { "02 李四 技师", "03 王五 技师" }));
        QCOMPARE(Column(shiftStaff, 0), (QStringList { "   03", "   02", "01" })); // placed ones marked
        SelectRows(shiftStaff, { 0 });
        Click(&dialog, "buttonAddLate");
        QCOMPARE(late->count(), 3); // no check for duplicates: still "03 …" as its entry text
        QCOMPARE(Entries(late).count(QStringLiteral("03 王五 技师")), 2);

        SelectRows(restStaff, { 2 }); // 01 rests Monday and Sunday: Sunday wins
        Click(&dialog, "buttonAddDay1");
        Click(&dialog, "buttonAddDay7");
        QCOMPARE(StoredColumn(env, "restday"), QStringLiteral("2,100,5")); // nothing written yet
        QCOMPARE(StoredColumn(env, "workstatus"), QStringLiteral("0,100,0"));

        Child<QComboBox>(&dialog, "rotationChoice")->setCurrentIndex(2);
        Click(&dialog, "buttonOk");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(StoredColumn(env, "restday"), QStringLiteral("7,100,5"));
        QCOMPARE(StoredColumn(env, "workstatus"), QStringLiteral("0,1,1")); // 03 stood early and late: late
        QCOMPARE(env.database.scalar("SELECT spaceday FROM wtimechgcondition WHERE id=1").toInt(), 2);
    }

    void plannerKeepsItsBoxesWhenOkFails()
    {
        TestEnvironment env;
        env.addStaff("01", "张三", "技师", 100, 100);
        env.addStaff("02", "李四", "技师", 100, 100);
        env.sql(QStringLiteral("CREATE TRIGGER refuse_late BEFORE UPDATE OF workstatus ON worksinfo "
                               "WHEN NEW.workstatus = 1 BEGIN SELECT RAISE(ABORT, '磁盘已满'); END"));
        ScriptedRandom random({ 1 });
        ShiftPlannerDialog dialog(env.services, random);
        dialog.show();
        Click(&dialog, "buttonRandomShifts");
        Click(&dialog, "buttonRandomRest");
        Click(&dialog, "buttonOk");
        QVERIFY(env.messages.lastText().contains(QStringLiteral("磁盘已满")));
        QVERIFY(dialog.isVisible());
        QCOMPARE(Child<QListWidget>(&dialog, "dayBox7")->count(), 2);
        QCOMPARE(StoredColumn(env, "restday"), QStringLiteral("100,100"));
        QCOMPARE(StoredColumn(env, "workstatus"), QStringLiteral("100,100"));
    }

    void plannerRemovesAndClearsAtOnce()
    {
        TestEnvironment env;
        env.addStaff("01", "张三", "技师", 1, 0);
        env.addStaff("02", "李四", "技师", 1, 1);
        env.addStaff("03", "王五", "技师", 6, 1);
        SeededRandomSource random(1);
        {
            ShiftPlannerDialog dialog(env.services, random);
            auto* early = Child<QListWidget>(&dialog, "earlyBox");
            auto* monday = Child<QListWidget>(&dialog, "dayBox1");

            Click(&dialog, "buttonRemoveEarly");
            QCOMPARE(env.messages.texts(), QStringList { "请选择要删除的选项!" });
            Click(&dialog, "buttonRemoveDay1");
            QCOMPARE(env.messages.shown().size(), 2);

            early->setCurrentRow(0);
            Click(&dialog, "buttonRemoveEarly");
            QCOMPARE(early->count(), 0);
            monday->setCurrentRow(1);
            Click(&dialog, "buttonRemoveDay1");
            QCOMPARE(Entries(monday), QStringList { "01 张三 技师" });
            Click(&dialog, "buttonCancel");
        }
        QCOMPARE(StoredColumn(env, "workstatus"), QStringLiteral("100,1,1"));
        QCOMPARE(StoredColumn(env, "restday"), QStringLiteral("1,100,6"));

        {
            // All or nothing: one row that refuses keeps every row and every box as it was.
            env.sql(QStringLiteral("CREATE TRIGGER keep_03 BEFORE UPDATE ON worksinfo WHEN OLD.str1='03' "
                                   "BEGIN SELECT RAISE(ABORT, '记录被锁定'); END"));
            ShiftPlannerDialog dialog(env.services, random);
            Click(&dialog, "buttonClear");
            QCOMPARE(env.messages.lastText(), QStringLiteral("记录被锁定"));
            QCOMPARE(Child<QListWidget>(&dialog, "lateBox")->count(), 2);
            QCOMPARE(StoredColumn(env, "restday"), QStringLiteral("1,100,6"));
            env.sql(QStringLiteral("DROP TRIGGER keep_03"));
        }

        ShiftPlannerDialog dialog(env.services, random);
        Click(&dialog, "buttonClear");
        QCOMPARE(Child<QListWidget>(&dialog, "lateBox")->count(), 0);
        QCOMPARE(Child<QListWidget>(&dialog, "dayBox6")->count(), 0);
        Click(&dialog, "buttonCancel");
        QCOMPARE(StoredColumn(env, "workstatus"), QStringLiteral("100,100,100"));
        QCOMPARE(StoredColumn(env, "restday"), QStringLiteral("100,100,100"));
    }

    void plannerRandomShifts()
    {
        TestEnvironment env;
        for (int i = 1; i <= 5; ++i)
            env.addStaff(QStringLiteral("0%1").arg(i), QStringLiteral("技师%1").arg(i), "技师", 100, 0);
        auto boxesAfterRandom = [&env](quint32 seed) {
            SeededRandomSource random(seed);
            ShiftPlannerDialog dialog(env.services, random);
            Click(&dialog, "buttonRandomShifts");
            return std::pair { Entries(Child<QListWidget>(&dialog, "earlyBox")),
                Entries(Child<QListWidget>(&dialog, "lateBox")) };
        };
        const auto [early, late] = boxesAfterRandom(20261207);
        QVERIFY(early.size() <= 2);
        QCOMPARE(early.size() + late.size(), 5);
        QStringList everyone = early + late;
        everyone.sort();
        QCOMPARE(everyone.first(), QStringLiteral("01 技师1 技师"));
        QCOMPARE(everyone.removeDuplicates(), 0);
        QCOMPARE(boxesAfterRandom(20261207), (std::pair { early, late })); // repeatable with the same seed
        QCOMPARE(StoredColumn(env, "workstatus"), QStringLiteral("0,0,0,0,0")); // a draft until 确定
    }

    void plannerRandomRestDays()
    {
        TestEnvironment env;
        for (int i = 1; i <= 15; ++i)
            env.addStaff(
                QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("技师%1").arg(i), "技师", 3, 0);
        SeededRandomSource random(99);
        ShiftPlannerDialog dialog(env.services, random);
        Click(&dialog, "buttonRandomRest");
        QList<int> perDay;
        QStringList everyone;
        for (int day = 1; day <= 7; ++day) {
            const QStringList entries = Entries(Child<QListWidget>(&dialog, QStringLiteral("dayBox%1").arg(day)));
            perDay.append(int(entries.size()));
            everyone += entries;
        }
        QCOMPARE(perDay, (QList<int> { 2, 2, 2, 2, 2, 2, 3 }));
        QCOMPARE(everyone.removeDuplicates(), 0);
        for (const QString& number : Column(List(&dialog, "restStaffList"), 0))
            QVERIFY(number.startsWith(QStringLiteral("   "))); // everyone placed is marked
        Click(&dialog, "buttonCancel");
        QCOMPARE(StoredColumn(env, "restday"), QStringLiteral("3,3,3,3,3,3,3,3,3,3,3,3,3,3,3"));
    }

    void plannerRandomWithoutStaff()
    {
        TestEnvironment env;
        SeededRandomSource random(5);
        ShiftPlannerDialog dialog(env.services, random);
        Click(&dialog, "buttonRandomShifts");
        Click(&dialog, "buttonRandomRest");
        QCOMPARE(Child<QListWidget>(&dialog, "earlyBox")->count(), 0);
        QCOMPARE(Child<QListWidget>(&dialog, "lateBox")->count(), 0);
        QCOMPARE(Child<QListWidget>(&dialog, "dayBox7")->count(), 0);
        QVERIFY(env.messages.shown().isEmpty());
    }

    // The daily rule chosen here swaps the shifts at the next start a day later.
    void plannedRuleDrivesTheStartUpSwap()
    {
        TestEnvironment env;
        env.addStaff("01", "张三", "技师", 100, 0);
        env.addStaff("02", "李四", "技师", 100, 1);
        env.sql(QStringLiteral("UPDATE wtimechgcondition SET time=? WHERE id=1"), { DateTimeText(env.clock.now()) });
        SeededRandomSource random(1);
        ShiftPlannerDialog dialog(env.services, random);
        Child<QComboBox>(&dialog, "rotationChoice")->setCurrentIndex(RotationRule::Daily);
        Click(&dialog, "buttonOk");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!ShiftRotation(env.database, env.clock.now().addSecs(23 * 3600)).swapped);
        QVERIFY(ShiftRotation(env.database, env.clock.now().addSecs(24 * 3600)).swapped);
        QCOMPARE(StoredColumn(env, "workstatus"), QStringLiteral("1,0"));
    }
};

QTEST_MAIN(ScheduleTest)
#include "tst_schedule.moc"
