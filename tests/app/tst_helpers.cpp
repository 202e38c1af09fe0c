#include "app/LeadingNumber.h"
#include "app/ListHelpers.h"
#include "app/RowListModel.h"
#include "app/RowListView.h"
#include "app/RowText.h"
#include "app/SettingFile.h"
#include "app/TechnicianQueue.h"
#include "app/TextFormat.h"
#include "support/TestEnvironment.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QtTest>

// The helpers that many dialogs share: numbers read from text, list rows and their text
// form, the technician lists and the one-number setting files.
class HelpersTest : public QObject
{
    Q_OBJECT

private slots:
    void leadingNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("integer");
        QTest::addColumn<double>("real");
        QTest::newRow("empty") << "" << 0 << 0.0;
        QTest::newRow("letters") << "abc" << 0 << 0.0;
        QTest::newRow("digits then text") << "4abc" << 4 << 4.0;
        QTest::newRow("decimal") << "2.5" << 2 << 2.5;
        QTest::newRow("blanks and sign") << "  -12.75元" << -12 << -12.75;
        QTest::newRow("plus") << "+7" << 7 << 7.0;
        QTest::newRow("exponent") << "1e3x" << 1 << 1000.0;
        QTest::newRow("dangling exponent") << "5e" << 5 << 5.0;
        QTest::newRow("point only") << ".5" << 0 << 0.5;
        QTest::newRow("lone point") << "." << 0 << 0.0;
        QTest::newRow("huge") << "99999999999" << 2147483647 << 99999999999.0;
    }

    void leadingNumbers()
    {
        QFETCH(QString, text);
        QFETCH(int, integer);
        QFETCH(double, real);
        QCOMPARE(LeadingInt(text), integer);
        QCOMPARE(LeadingReal(text), real);
    }

    void rowTextRoundTripReversesTheListAndKeepsLongTexts()
    {
        RowListView list;
        list.setColumns(
            { QStringLiteral("编号"), QStringLiteral("姓名"), QStringLiteral("按摩"), QStringLiteral("洗脚") });
        QAbstractItemModelTester tester(&list.rows(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(RowsToText(list), QString());

        list.insertRow({ "8", "B", "1", "0" });
        list.insertRow({ "5", "A", "0", "0" }); // new rows go to the top
        QCOMPARE(RowsToText(list), QStringLiteral("5/A/0/0/8/B/1/0/"));

        RowListView copy;
        copy.setColumns(list.rows().headers());
        TextToRows(copy, RowsToText(list), 4);
        QCOMPARE(copy.rows().row(0), (QStringList { "8", "B", "1", "0" }));
        QCOMPARE(copy.rows().row(1), (QStringList { "5", "A", "0", "0" }));

        // A room with many goods lines keeps every one of them, however long the text.
        RowListView goods;
        goods.setColumns({ "商品名称", "数量", "单价", "单位" });
        for (int i = 0; i < 60; ++i)
            goods.insertRow({ QStringLiteral("进口红酒%1号").arg(i), "2", "128.00", "瓶" });
        const QString text = RowsToText(goods);
        QVERIFY(text.size() > 1000);
        RowListView back;
        back.setColumns(goods.rows().headers());
        TextToRows(back, text, 4);
        QCOMPARE(back.rowCount(), 60);
        QCOMPARE(back.rows().cell(0, 0), goods.rows().cell(59, 0));
    }

    void rowTextSkipsEmptyPiecesAndDropsAnIncompleteTail()
    {
        QCOMPARE(RowText::toRows(QStringLiteral("a//b/c/d/e/f/"), 4), (QList<QStringList> { { "a", "b", "c", "d" } }));
        QVERIFY(RowText::toRows(QString(), 4).isEmpty());
    }

    void deleteAndReplaceNeedASelection()
    {
        TestEnvironment env;
        RowListView list;
        list.setColumns({ "a", "b" });
        list.insertRow({ "1", "x" });
        list.insertRow({ "2", "y" });
        QVERIFY(!DeleteSelectedRow(list, env.messages));
        QVERIFY(!ReplaceSelectedRow(list, { "9" }, env.messages));
        QCOMPARE(env.messages.texts(), QStringList(2, QStringLiteral("请在列表中先择要删除的选项!")));
        QCOMPARE(list.rowCount(), 2);

        list.selectRow(1);
        QVERIFY(ReplaceSelectedRow(list, { "9" }, env.messages));
        QCOMPARE(list.rows().row(1), (QStringList { "9", "x" }));
        QVERIFY(DeleteSelectedRow(list, env.messages));
        QCOMPARE(list.rowCount(), 1);
        QCOMPARE(list.rows().cell(0, 0), QStringLiteral("2"));
    }

    void moveTechnicianMovesTheFirstMatchOnly()
    {
        TechnicianQueue idle;
        TechnicianQueue working;
        for (const char* number : { "7", "3", "7", "9" })
            idle.append(QString::fromLatin1(number));
        MoveTechnician(idle, working, QStringLiteral("7"));
        QCOMPARE(idle.numbers(), (QStringList { "3", "7", "9" }));
        QCOMPARE(working.numbers(), QStringList { "7" });
        MoveTechnician(idle, working, QStringLiteral("42")); // not there: nothing happens
        QCOMPARE(idle.numbers(), (QStringList { "3", "7", "9" }));
        QCOMPARE(working.numbers(), QStringList { "7" });
        idle.prepend(QStringLiteral("1"));
        QCOMPARE(idle.numbers().first(), QStringLiteral("1"));
    }

    void technicianRowsShowTheQueueHeadFirst()
    {
        TestEnvironment env;
        env.addStaff("01", "张三");
        env.addStaff("02", "李四");
        TechnicianQueue queue;
        queue.append("02");
        queue.append("99"); // no staff row: not shown
        queue.append("01");
        RowListView list;
        list.setColumns({ "技师编号", "姓名", "按摩(钟)", "洗脚(钟)" });
        QCOMPARE(FillTechnicianRows(queue, list, env.database), QString());
        QCOMPARE(list.rowCount(), 2);
        QCOMPARE(list.rows().row(0), (QStringList { "02", "李四", "0", "0" }));
        QCOMPARE(list.rows().row(1), (QStringList { "01", "张三", "0", "0" }));
    }

    void settingFiles()
    {
        TestEnvironment env;
        ScriptedMessageService messages;

        // Missing: 0 and the message.
        QCOMPARE(ReadSettingInt(env.filePath("missing.daf"), messages), 0);
        QCOMPARE(messages.texts(), QStringList { QStringLiteral("打开一个二进制文件失败!") });

        // Empty: 0 without a message; short: the missing bytes are 0.
        messages.clear();
        QFile empty(env.filePath("empty.daf"));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        QCOMPARE(ReadSettingInt(env.filePath("empty.daf"), messages), 0);
        QFile shortFile(env.filePath("short.daf"));
        QVERIFY(shortFile.open(QIODevice::WriteOnly));
        shortFile.write(QByteArray("\x03\x01", 2));
        shortFile.close();
        QCOMPARE(ReadSettingInt(env.filePath("short.daf"), messages), 0x0103);
        QVERIFY(messages.shown().isEmpty());

        // Round trip, little-endian, exactly four bytes.
        QVERIFY(WriteSettingInt(env.filePath("count.daf"), -2, messages));
        QFile written(env.filePath("count.daf"));
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), QByteArray("\xfe\xff\xff\xff", 4));
        QCOMPARE(ReadSettingInt(env.filePath("count.daf"), messages), -2);

        // A write that cannot complete leaves the old file whole and says so.
        QVERIFY(WriteSettingInt(env.filePath("kept.daf"), 3, messages));
        QVERIFY(QDir(env.folder()).mkdir("kept.daf.blocker"));
        QVERIFY(!WriteSettingInt(env.filePath("kept.daf.blocker"), 4, messages));
        QCOMPARE(messages.lastText(), QStringLiteral("创建一个二进制文件失败!"));
        QCOMPARE(ReadSettingInt(env.filePath("kept.daf"), messages), 3);
        const QStringList leftovers = QDir(env.folder()).entryList({ "kept.daf*" }, QDir::Files | QDir::Hidden);
        QCOMPARE(leftovers, QStringList { "kept.daf" });
    }

    void nowTextNamesTheWeekday()
    {
        const QDateTime monday(QDate(2026, 12, 7), QTime(8, 5, 9));
        QCOMPARE(NowText(monday), QStringLiteral("2026-12-07 08:05:09 星期一"));
        QCOMPARE(Trim(QStringLiteral("  12 \t")), QStringLiteral("12"));
    }
};

QTEST_MAIN(HelpersTest)
#include "tst_helpers.moc"
