#include "app/LeadingNumber.h"
#include "app/ListHelpers.h"
#include "app/RowListModel.h"
#include "app/RowListView.h"
#include "app/RowText.h"
#include "app/SettingFile.h"
#include "app/SettingPlace.h"
#include "app/TextFormat.h"
#include "desk/TechnicianQueue.h"
#include "support/TestEnvironment.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QtTest>

using namespace Qt::StringLiterals;

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
        QTest::newRow("empty") << u""_s << 0 << 0.0;
        QTest::newRow("letters") << u"abc"_s << 0 << 0.0;
        QTest::newRow("digits then text") << u"4abc"_s << 4 << 4.0;
        QTest::newRow("decimal") << u"2.5"_s << 2 << 2.5;
        QTest::newRow("blanks and sign") << u"  -12.75元"_s << -12 << -12.75;
        QTest::newRow("plus") << u"+7"_s << 7 << 7.0;
        QTest::newRow("exponent") << u"1e3x"_s << 1 << 1000.0;
        QTest::newRow("dangling exponent") << u"5e"_s << 5 << 5.0;
        QTest::newRow("point only") << u".5"_s << 0 << 0.5;
        QTest::newRow("lone point") << u"."_s << 0 << 0.0;
        QTest::newRow("huge") << u"99999999999"_s << 2147483647 << 99999999999.0;
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

        list.insertRow({ u"8"_s, u"B"_s, u"1"_s, u"0"_s });
        list.insertRow({ u"5"_s, u"A"_s, u"0"_s, u"0"_s }); // new rows go to the top
        QCOMPARE(RowsToText(list), QStringLiteral("5/A/0/0/8/B/1/0/"));

        RowListView copy;
        copy.setColumns(list.rows().headers());
        TextToRows(copy, RowsToText(list), 4);
        QCOMPARE(copy.rows().row(0), (QStringList { u"8"_s, u"B"_s, u"1"_s, u"0"_s }));
        QCOMPARE(copy.rows().row(1), (QStringList { u"5"_s, u"A"_s, u"0"_s, u"0"_s }));

        // A room with many goods lines keeps every one of them, however long the text.
        RowListView goods;
        goods.setColumns({ u"商品名称"_s, u"数量"_s, u"单价"_s, u"单位"_s });
        for (int i = 0; i < 60; ++i)
            goods.insertRow({ QStringLiteral("进口红酒%1号").arg(i), u"2"_s, u"128.00"_s, u"瓶"_s });
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
        QCOMPARE(RowText::toRows(QStringLiteral("a//b/c/d/e/f/"), 4),
            (QList<QStringList> { { u"a"_s, u"b"_s, u"c"_s, u"d"_s } }));
        QVERIFY(RowText::toRows(QString(), 4).isEmpty());
    }

    void deleteAndReplaceNeedASelection()
    {
        TestEnvironment env;
        RowListView list;
        list.setColumns({ u"a"_s, u"b"_s });
        list.insertRow({ u"1"_s, u"x"_s });
        list.insertRow({ u"2"_s, u"y"_s });
        QVERIFY(!DeleteSelectedRow(list, env.messages));
        QVERIFY(!ReplaceSelectedRow(list, { u"9"_s }, env.messages));
        QCOMPARE(env.messages.texts(), QStringList(2, QStringLiteral("请在列表中先择要删除的选项!")));
        QCOMPARE(list.rowCount(), 2);

        list.selectRow(1);
        QVERIFY(ReplaceSelectedRow(list, { u"9"_s }, env.messages));
        QCOMPARE(list.rows().row(1), (QStringList { u"9"_s, u"x"_s }));
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
        QCOMPARE(idle.numbers(), (QStringList { u"3"_s, u"7"_s, u"9"_s }));
        QCOMPARE(working.numbers(), QStringList { u"7"_s });
        MoveTechnician(idle, working, QStringLiteral("42")); // not there: nothing happens
        QCOMPARE(idle.numbers(), (QStringList { u"3"_s, u"7"_s, u"9"_s }));
        QCOMPARE(working.numbers(), QStringList { u"7"_s });
        idle.prepend(QStringLiteral("1"));
        QCOMPARE(idle.numbers().first(), QStringLiteral("1"));
    }

    void technicianRowsShowTheQueueHeadFirst()
    {
        TestEnvironment env;
        env.addStaff(u"01"_s, u"张三"_s);
        env.addStaff(u"02"_s, u"李四"_s);
        TechnicianQueue queue;
        queue.append(u"02"_s);
        queue.append(u"99"_s); // no staff row: not shown
        queue.append(u"01"_s);
        RowListView list;
        list.setColumns({ u"技师编号"_s, u"姓名"_s, u"按摩(钟)"_s, u"洗脚(钟)"_s });
        QCOMPARE(FillTechnicianRows(queue.numbers(), list, env.database), QString());
        QCOMPARE(list.rowCount(), 2);
        QCOMPARE(list.rows().row(0), (QStringList { u"02"_s, u"李四"_s, u"0"_s, u"0"_s }));
        QCOMPARE(list.rows().row(1), (QStringList { u"01"_s, u"张三"_s, u"0"_s, u"0"_s }));
    }

    void settingFiles()
    {
        TestEnvironment env;
        ScriptedMessageService messages;
        SettingFolder place;

        // Missing: 0 and the message.
        QCOMPARE(ReadSettingInt(place, env.filePath(u"missing.daf"_s), messages), 0);
        QCOMPARE(messages.texts(), QStringList { QStringLiteral("打开一个二进制文件失败!") });

        // Empty: 0 without a message; short: the missing bytes are 0.
        messages.clear();
        QFile empty(env.filePath(u"empty.daf"_s));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        QCOMPARE(ReadSettingInt(place, env.filePath(u"empty.daf"_s), messages), 0);
        QFile shortFile(env.filePath(u"short.daf"_s));
        QVERIFY(shortFile.open(QIODevice::WriteOnly));
        shortFile.write(QByteArray("\x03\x01", 2));
        shortFile.close();
        QCOMPARE(ReadSettingInt(place, env.filePath(u"short.daf"_s), messages), 0x0103);
        QVERIFY(messages.shown().isEmpty());

        // Round trip, little-endian, exactly four bytes.
        QVERIFY(WriteSettingInt(place, env.filePath(u"count.daf"_s), -2, messages));
        QFile written(env.filePath(u"count.daf"_s));
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), QByteArray("\xfe\xff\xff\xff", 4));
        QCOMPARE(ReadSettingInt(place, env.filePath(u"count.daf"_s), messages), -2);

        // A write that cannot complete leaves the old file whole and says so.
        QVERIFY(WriteSettingInt(place, env.filePath(u"kept.daf"_s), 3, messages));
        QVERIFY(QDir(env.folder()).mkdir(u"kept.daf.blocker"_s));
        QVERIFY(!WriteSettingInt(place, env.filePath(u"kept.daf.blocker"_s), 4, messages));
        QCOMPARE(messages.lastText(), QStringLiteral("创建一个二进制文件失败!"));
        QCOMPARE(ReadSettingInt(place, env.filePath(u"kept.daf"_s), messages), 3);
        const QStringList leftovers = QDir(env.folder()).entryList({ u"kept.daf*"_s }, QDir::Files | QDir::Hidden);
        QCOMPARE(leftovers, QStringList { u"kept.daf"_s });
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
