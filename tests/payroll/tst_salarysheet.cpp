#include "app/RowListModel.h"
#include "app/RowListView.h"
#include "app/TextFormat.h"
#include "payroll/SalaryRow.h"
#include "payroll/SalarySheetDialog.h"
#include "reports/PdfRaster.h"
#include "support/TestEnvironment.h"
#include "support/WidgetDriver.h"

#include <QDateTimeEdit>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QDateTime Opened(QDate(2026, 12, 7), QTime(21, 30));

void AddService(TestEnvironment& env, const QString& number, const QDateTime& time, const QString& salary)
{
    env.sql(u"INSERT INTO salaryform (id, num, name, massagetime, washfoottime, salary, time, cashier) "
            "VALUES (1, ?, '', '1', '', ?, ?, 'c1')"_s,
        { number, salary, DateTimeText(time) });
}

// The installation at the moment the sheet is opened.
AppServices& AtOpening(TestEnvironment& env)
{
    env.clock.set(Opened);
    return env.services;
}

// The salary sheet on screen, opened at 21:30.
struct Sheet
{
    explicit Sheet(TestEnvironment& env)
        : dialog(AtOpening(env))
    {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    }
    RowListView& list() const { return dialog.sheet(); }
    QStringList row(int r) const { return list().rows().row(r); }
    QLineEdit* field(const QString& name) const { return Child<QLineEdit>(&dialog, name); }
    int rowOf(const QString& number) const { return int(Column(list(), SalaryColumn::Number).indexOf(number)); }

    SalarySheetDialog dialog;
};

// The technicians 07 小王 and 09 小李, and a manager, who is not on the sheet.
void AddTechnicians(TestEnvironment& env)
{
    env.addStaff(u"07"_s, u"小王"_s);
    env.addStaff(u"11"_s, u"老张"_s, u"经理"_s);
    env.addStaff(u"09"_s, u"小李"_s);
}

// Generates the sheet with commissions of 300.50 for 小王 (07) and chooses his row, which it
// returns.
int ChooseWangEarning300(TestEnvironment& env, Sheet& sheet)
{
    AddService(env, u"07"_s, QDateTime(QDate(2026, 12, 1), QTime(12, 0)), u"300.50"_s);
    Click(&sheet.dialog, u"generateButton"_s);
    const int wang = sheet.rowOf(u"07"_s);
    ClickRow(sheet.list(), wang);
    return wang;
}

} // namespace

// The salary sheet: the technicians' wages of a period, the amounts typed for each and the net
// pay, and its print.
class SalarySheetTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setApplicationDisplayName(u"Tavrel"_s); }

    void opensWithEveryTechnician()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        AddTechnicians(env);
        Sheet sheet(env);
        QCOMPARE(sheet.dialog.windowTitle(), u"工资设定"_s);
        QCOMPARE(sheet.list().rows().headers(),
            (QStringList { u"编号"_s, u"姓名"_s, u"工资"_s, u"补贴"_s, u"所得税"_s, u"罚款"_s, u"工衣"_s, u"借款"_s,
                u"实发工资"_s }));
        QCOMPARE(sheet.list().columnWidth(0), 60);
        QCOMPARE(sheet.list().columnWidth(8), 68);
        // The technicians in the reverse of the order the table holds them.
        QCOMPARE(sheet.row(0), (QStringList { u"09"_s, u"小李"_s, u""_s, u""_s, u""_s, u""_s, u""_s, u""_s, u""_s }));
        QCOMPARE(Column(sheet.list(), SalaryColumn::Number), (QStringList { u"09"_s, u"07"_s }));
        QCOMPARE(sheet.dialog.startEdit()->dateTime(), QDateTime(QDate(2003, 10, 1), QTime(0, 0)));
        QCOMPARE(sheet.dialog.endEdit()->dateTime(), Opened);
    }

    // "工资生成" adds the commissions stamped from the start to the end, both included; services
    // later today than the moment the sheet was opened are not counted.
    void generatingSumsThePeriod()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        AddTechnicians(env);
        const QDateTime start(QDate(2026, 11, 1), QTime(0, 0));
        AddService(env, u"07"_s, start.addSecs(-1), u"5.00"_s);
        AddService(env, u"07"_s, start, u"100.25"_s);
        AddService(env, u"07"_s, QDateTime(QDate(2026, 11, 15), QTime(14, 0)), u"80abc"_s);
        AddService(env, u"07"_s, Opened, u"120.25"_s);
        AddService(env, u"07"_s, Opened.addSecs(60), u"7.00"_s); // later than the sheet's end
        AddService(env, u"11"_s, start, u"50.00"_s);
        Sheet sheet(env);
        sheet.dialog.startEdit()->setDateTime(start);
        Click(&sheet.dialog, u"generateButton"_s);
        const int wang = sheet.rowOf(u"07"_s);
        const int li = sheet.rowOf(u"09"_s);
        QCOMPARE(sheet.row(wang).value(SalaryColumn::Wage), u"300.50"_s);
        QCOMPARE(sheet.row(wang).value(SalaryColumn::NetPay), u"300.50"_s);
        QCOMPARE(sheet.row(li).value(SalaryColumn::Wage), u"0.00"_s);
        QCOMPARE(sheet.row(li).value(SalaryColumn::NetPay), u"0.00"_s);
        QVERIFY(env.messages.shown().isEmpty());
        QCOMPARE(env.sql(u"SELECT count(*) FROM salaryform"_s).first().value(0).toInt(), 6); // nothing written
    }

    void netPayFollowsTheTypedAmounts_data()
    {
        QTest::addColumn<QString>("fine");
        QTest::addColumn<QString>("cell"); // what the row shows
        QTest::addColumn<QString>("netPay");
        QTest::newRow("as in the example") << u"5"_s << u"5"_s << u"280.50"_s;
        QTest::newRow("decimal") << u"2.25"_s << u"2.25"_s << u"283.25"_s;
        QTest::newRow("emptied") << u""_s << u""_s << u"285.50"_s;
        QTest::newRow("full-width digits and point") << u"１５．５"_s << u"15.5"_s << u"270.00"_s;
        QTest::newRow("a point first, key by key") << u".5"_s << u".5"_s << u"285.00"_s;
    }

    // Wage 300.50, allowance 10, tax 2, fine 5, work clothes 3 and advance 20 give 280.50; each
    // typed amount stands in its cell as typed, in plain digits.
    void netPayFollowsTheTypedAmounts()
    {
        QFETCH(QString, fine);
        QFETCH(QString, cell);
        QFETCH(QString, netPay);
        TestEnvironment env;
        QVERIFY(env.isReady());
        AddTechnicians(env);
        Sheet sheet(env);
        const int wang = ChooseWangEarning300(env, sheet);
        TypeInto(sheet.field(u"allowanceEdit"_s), u"10"_s);
        TypeInto(sheet.field(u"incomeTaxEdit"_s), u"2"_s);
        TypeInto(sheet.field(u"fineEdit"_s), fine);
        TypeInto(sheet.field(u"workClothesEdit"_s), u"3"_s);
        TypeInto(sheet.field(u"advanceEdit"_s), u"20"_s);
        QCOMPARE(sheet.row(wang),
            (QStringList { u"07"_s, u"小王"_s, u"300.50"_s, u"10"_s, u"2"_s, cell, u"3"_s, u"20"_s, netPay }));
        QVERIFY(env.messages.shown().isEmpty());

        // Clicking a row empties the fields and changes no row.
        ClickRow(sheet.list(), sheet.rowOf(u"09"_s));
        QCOMPARE(sheet.field(u"fineEdit"_s)->text(), QString());
        QCOMPARE(sheet.row(wang).value(SalaryColumn::Fine), cell);
    }

    void refusedAmountsLeaveTheRow_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("a comma") << u"fineEdit"_s << u"12,5"_s << u"罚款不是一个数字!"_s;
        QTest::newRow("an exponent") << u"allowanceEdit"_s << u"1e308"_s << u"补贴不是一个数字!"_s;
        QTest::newRow("negative") << u"advanceEdit"_s << u"-3"_s << u"借款不能是负数!"_s;
        QTest::newRow("letters") << u"workClothesEdit"_s << u"abc"_s << u"工衣不是一个数字!"_s;
        QTest::newRow("digits then a letter") << u"fineEdit"_s << u"5a"_s << u"罚款不是一个数字!"_s;
        QTest::newRow("below the fen") << u"incomeTaxEdit"_s << u"1.234"_s << u"所得税最多两位小数!"_s;
        QTest::newRow("beyond the limit") << u"allowanceEdit"_s << u"10000000.01"_s << u"补贴太大,不能超过10000000!"_s;
    }

    // A text that is not an amount is refused as it is typed: the reason is told, the field
    // shows what it held before, and the row keeps its amount and net pay, where "12,5" used
    // to count as 12 and "1e308" as a 309-digit deduction.
    void refusedAmountsLeaveTheRow()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        TestEnvironment env;
        QVERIFY(env.isReady());
        AddTechnicians(env);
        Sheet sheet(env);
        const int wang = ChooseWangEarning300(env, sheet);
        TypeInto(sheet.field(field), u"7"_s);
        const QStringList before = sheet.row(wang);
        QCOMPARE(before.value(SalaryColumn::NetPay), field == u"allowanceEdit"_s ? u"307.50"_s : u"293.50"_s);

        CommitInto(sheet.field(field), typed);
        QCOMPARE(env.messages.texts(), QStringList { message });
        QCOMPARE(sheet.field(field)->text(), u"7"_s);
        QCOMPARE(sheet.row(wang), before);
        if (QByteArray(QTest::currentDataTag()) == "a comma")
            QVERIFY(SaveRefusalPictures(sheet.dialog, message, u"salary-sheet-refused"_s));

        // Typed key by key, the refused key is the one refused: "12,5" keeps "12" and goes on.
        env.messages.clear();
        TypeInto(sheet.field(field), u"12,5"_s);
        QCOMPARE(env.messages.texts().size(), 1);
        QVERIFY(env.messages.lastText().endsWith(u"不是一个数字!"_s));
        QCOMPARE(sheet.field(field)->text(), u"125"_s);
        QCOMPARE(sheet.row(wang).value(SalaryColumn::NetPay), field == u"allowanceEdit"_s ? u"425.50"_s : u"175.50"_s);
    }

    // Generating again takes the new wage and applies the typed amounts at once.
    void generatingAppliesTheNetPayRuleAtOnce()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        AddTechnicians(env);
        Sheet sheet(env);
        const int wang = sheet.rowOf(u"07"_s);
        ClickRow(sheet.list(), wang);
        TypeInto(sheet.field(u"allowanceEdit"_s), u"10"_s);
        TypeInto(sheet.field(u"advanceEdit"_s), u"20"_s);
        QCOMPARE(sheet.row(wang).value(SalaryColumn::NetPay), u"-10.00"_s);

        AddService(env, u"07"_s, QDateTime(QDate(2026, 12, 1), QTime(12, 0)), u"300.50"_s);
        Click(&sheet.dialog, u"generateButton"_s);
        QCOMPARE(sheet.row(wang),
            (QStringList { u"07"_s, u"小王"_s, u"300.50"_s, u"10"_s, u""_s, u""_s, u""_s, u"20"_s, u"290.50"_s }));
    }

    // Typing with no technician chosen says so at each change and changes no row.
    void typingNeedsATechnician()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        AddTechnicians(env);
        Sheet sheet(env);
        TypeInto(sheet.field(u"fineEdit"_s), u"12"_s);
        QCOMPARE(env.messages.texts(), QStringList(2, u"没有选择技师,请选择技师!"_s));
        QCOMPARE(sheet.field(u"fineEdit"_s)->text(), u"12"_s);
        QCOMPARE(Column(sheet.list(), SalaryColumn::Fine), (QStringList { u""_s, u""_s }));
    }

    void withoutTechniciansThereIsNothingToDo()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.addStaff(u"11"_s, u"老张"_s, u"经理"_s);
        Sheet sheet(env);
        QCOMPARE(sheet.list().rowCount(), 0);
        Click(&sheet.dialog, u"generateButton"_s);
        Click(&sheet.dialog, u"printButton"_s);
        QCOMPARE(env.messages.texts(), (QStringList { u"请在员工管理中录入技师资料!"_s, u"列表中没有打印数据!"_s }));
        QCOMPARE(env.printers.chosenCount(), 0);
    }

    // The sheet prints 35 rows a page under the title of the start's month, each page totalling
    // what it pays out; 70 technicians make exactly two pages.
    void printsTheSheet()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.session.setCompany(u"Tavrel 桑拿足浴中心"_s, u"020-00000000"_s);
        env.sql(u"BEGIN"_s);
        for (int i = 1; i <= 70; ++i) {
            const QString number = u"%1"_s.arg(i, 3, 10, QLatin1Char('0'));
            env.addStaff(number, u"技师%1"_s.arg(i));
            AddService(env, number, QDateTime(QDate(2026, 3, 10), QTime(12, 0)), u"%1.00"_s.arg(100 + i));
        }
        env.sql(u"COMMIT"_s);
        Sheet sheet(env);
        sheet.dialog.startEdit()->setDateTime(QDateTime(QDate(2026, 3, 1), QTime(0, 0)));
        Click(&sheet.dialog, u"generateButton"_s);
        ClickRow(sheet.list(), 0); // 技师70 on top
        TypeInto(sheet.field(u"fineEdit"_s), u"5a"_s);

        Click(&sheet.dialog, u"printButton"_s);
        const QStringList files = QDir(env.folder()).entryList({ u"print*.pdf"_s }, QDir::Files, QDir::Name);
        QCOMPARE(files, (QStringList { u"print-1-2.pdf"_s, u"print-1.pdf"_s }));
        const QString first = PrintedText(env.filePath(u"print-1.pdf"_s));
        QVERIFY2(first.contains(u"3月份工资"_s), qPrintable(first));
        // Page one pays 技师70 .. 技师36, 170 + 169 + ... + 136, less the fine of 5 typed as "5a".
        QVERIFY2(first.contains(u"5350.00元"_s), qPrintable(first));
        const QString second = PrintedText(env.filePath(u"print-1-2.pdf"_s));
        QVERIFY2(second.contains(u"4130.00元"_s), qPrintable(second)); // 135 + ... + 101

        QVERIFY(
            !RasterisePdf(env.filePath(u"print-1.pdf"_s), 110, TestOutputPath(u"salary-sheet-print.png"_s)).isNull());
        for (const QSize size : { QSize(1366, 768), QSize(1024, 768) }) {
            sheet.dialog.resize(size);
            QTest::qWait(50);
            QVERIFY(sheet.dialog.grab().save(TestOutputPath(u"salary-sheet-%1.png"_s.arg(size.width()))));
        }
    }
};

QTEST_MAIN(SalarySheetTest)
#include "tst_salarysheet.moc"
