#include "app/HouseSettings.h"
#include "app/RowListModel.h"
#include "app/RowListView.h"
#include "app/TextFormat.h"
#include "payroll/CommissionFormulaDialog.h"
#include "payroll/SalaryRow.h"
#include "payroll/SalarySheet.h"
#include "payroll/SalarySheetDialog.h"
#include "reports/PdfRaster.h"
#include "support/TestEnvironment.h"
#include "support/WidgetDriver.h"

#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QDateTime Opened(QDate(2026, 12, 7), QTime(21, 30));
// From the middle of the first day to the moment the sheet opens: two partial days around
// five whole ones.
const QDateTime PeriodStart(QDate(2026, 12, 1), QTime(11, 0));

QString Stamp(int day, int hour, int minute = 0)
{
    return DateTimeText(QDateTime(QDate(2026, 12, day), QTime(hour, minute)));
}

void AddService(TestEnvironment& env, const QString& number, const QString& time, const QString& salary)
{
    env.sql(u"INSERT INTO salaryform (id, num, name, massagetime, washfoottime, salary, time, cashier) "
            "VALUES (1, ?, '', '1', '', ?, ?, 'c1')"_s,
        { number, salary, time });
}

void AddMenuItem(TestEnvironment& env, int id, const QString& name, const QString& unit)
{
    env.sql(u"INSERT INTO service_item (id, name, unit, price_fen, commission_kind_rotation, "
            "commission_kind_requested) VALUES (?, ?, ?, 9800, '金额', '金额')"_s,
        { id, name, unit });
}

void AddItemLine(TestEnvironment& env, int item, const QString& technician, qint64 commissionFen, const QString& time)
{
    env.sql(u"INSERT INTO receipt_item (id, line, item, name, technician, requested, count, unit_price_fen, "
            "amount_fen, commission_fen, time, cashier) VALUES (1, 0, ?, '采耳', ?, 0, 1, 6800, 6800, ?, ?, 'c1')"_s,
        { item, technician, commissionFen, time });
}

void AddCall(TestEnvironment& env, const QString& technician, qint64 supplementFen, const QString& time)
{
    env.sql(u"INSERT INTO receipt_technician (id, line, technician, requested, clocks, supplement_fen, time) "
            "VALUES (1, 0, ?, 1, 2, ?, ?)"_s,
        { technician, supplementFen, time });
}

// 07 小王 and 09 小李, with a menu of one item.
void AddHouse(TestEnvironment& env)
{
    env.clock.set(Opened);
    env.addStaff(u"07"_s, u"小王"_s);
    env.addStaff(u"09"_s, u"小李"_s);
    AddMenuItem(env, 1, u"采耳"_s, u"次"_s);
}

// 小王's commissions: by the formula, from two item lines and a 点钟 supplement inside the
// period, and rows just outside it on both partial days. 小李 has only a supplement.
void AddCommissions(TestEnvironment& env)
{
    AddService(env, u"07"_s, Stamp(1, 12), u"300.50"_s);
    AddService(env, u"07"_s, Stamp(1, 10), u"99.00"_s); // before the start
    AddItemLine(env, 1, u"07"_s, 4000, Stamp(2, 10));
    AddItemLine(env, 1, u"07"_s, 1234, Stamp(7, 21)); // the last partial day, inside
    AddItemLine(env, 1, u"07"_s, 5000, Stamp(7, 21, 45)); // after the end
    AddItemLine(env, 1, u"07"_s, 700, Stamp(1, 10, 59)); // before the start
    AddCall(env, u"07"_s, 500, Stamp(3, 15));
    AddCall(env, u"09"_s, 300, Stamp(7, 9));
    AddCall(env, u"09"_s, 800, Stamp(8, 9)); // after the end
}

struct Sheet
{
    explicit Sheet(TestEnvironment& env)
        : dialog(env.services)
    {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.startEdit()->setDateTime(PeriodStart);
    }
    RowListView& list() const { return dialog.sheet(); }
    QStringList row(const QString& number) const
    {
        const int at = int(Column(list(), SalaryColumn::Number).indexOf(number));
        return list().rows().row(at);
    }

    SalarySheetDialog dialog;
};

} // namespace

// The salary sheet's split of the commissions: the formula's, the items', the 点钟
// supplements', and their sum.
class SalarySplitTest : public QObject
{
    Q_OBJECT

private slots:
    void aHouseWithoutMenuOrSupplementKeepsTheNineColumns()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.clock.set(Opened);
        env.addStaff(u"07"_s, u"小王"_s);
        SalarySheetDialog dialog(env.services);
        QVERIFY(!dialog.showsSplit());
        QCOMPARE(dialog.sheet().rows().headers().size(), 9);
    }

    void theSplitAddsUpOverWholeAndPartialDays()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        AddHouse(env);
        AddCommissions(env);
        Sheet sheet(env);
        QVERIFY(sheet.dialog.showsSplit());
        QCOMPARE(sheet.list().rows().headers(),
            (QStringList { u"编号"_s, u"姓名"_s, u"工资"_s, u"补贴"_s, u"所得税"_s, u"罚款"_s, u"工衣"_s, u"借款"_s,
                u"实发工资"_s, u"项目提成"_s, u"点钟加提"_s, u"提成合计"_s }));
        Click(&sheet.dialog, u"generateButton"_s);
        QCOMPARE(sheet.row(u"07"_s),
            (QStringList { u"07"_s, u"小王"_s, u"300.50"_s, u""_s, u""_s, u""_s, u""_s, u""_s, u"357.84"_s, u"52.34"_s,
                u"5.00"_s, u"357.84"_s }));
        QCOMPARE(sheet.row(u"09"_s),
            (QStringList { u"09"_s, u"小李"_s, u"0.00"_s, u""_s, u""_s, u""_s, u""_s, u""_s, u"3.00"_s, u"0.00"_s,
                u"3.00"_s, u"3.00"_s }));
        // The sum is the parts, row by row.
        for (const QString& number : { u"07"_s, u"09"_s }) {
            const QStringList row = sheet.row(number);
            QCOMPARE(Money::fromText(row[SalaryColumn::Wage]) + Money::fromText(row[SalaryColumn::ItemCommission])
                    + Money::fromText(row[SalaryColumn::Supplement]),
                Money::fromText(row[SalaryColumn::CommissionTotal]));
        }

        // A deduction is taken from the sum.
        ClickRow(sheet.list(), int(Column(sheet.list(), SalaryColumn::Number).indexOf(u"07"_s)));
        TypeInto(Child<QLineEdit>(&sheet.dialog, u"fineEdit"_s), u"7.84"_s);
        QCOMPARE(sheet.row(u"07"_s).value(SalaryColumn::NetPay), u"350.00"_s);
        QVERIFY(env.messages.shown().isEmpty());

        // The same figures straight from the reading.
        const auto pay = SalarySheet::pay(env.database, PeriodStart, Opened);
        QVERIFY(pay.ok());
        QCOMPARE(pay.value().value(u"07"_s).items, Money::fromFen(5234));
        QCOMPARE(pay.value().value(u"07"_s).sum(), Money::fromFen(35784));
        QCOMPARE(pay.value().value(u"09"_s).supplement, Money::fromFen(300));
    }

    void anEmptyPeriodSplitsNothing()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        AddHouse(env);
        AddCommissions(env);
        Sheet sheet(env);
        sheet.dialog.startEdit()->setDateTime(QDateTime(QDate(2026, 11, 1), QTime(0, 0)));
        sheet.dialog.endEdit()->setDateTime(QDateTime(QDate(2026, 11, 30), QTime(23, 59, 59)));
        Click(&sheet.dialog, u"generateButton"_s);
        for (const QString& number : { u"07"_s, u"09"_s }) {
            const QStringList row = sheet.row(number);
            QCOMPARE(row.mid(SalaryColumn::ItemCommission), (QStringList { u"0.00"_s, u"0.00"_s, u"0.00"_s }));
            QCOMPARE(row[SalaryColumn::NetPay], u"0.00"_s);
        }
    }

    void aSupplementAloneShowsTheSplit()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.clock.set(Opened);
        env.addStaff(u"07"_s, u"小王"_s);
        QVERIFY(HouseSettings::setFigure(env.database, HouseSettings::RequestedSupplement, 200).isEmpty());
        SalarySheetDialog dialog(env.services);
        QVERIFY(dialog.showsSplit());
    }

    void theExportAndThePrintCarryTheSplit()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.session.setCompany(u"Tavrel 桑拿足浴中心"_s, u"020-00000000"_s);
        AddHouse(env);
        AddCommissions(env);
        Sheet sheet(env);
        Click(&sheet.dialog, u"generateButton"_s);

        const QString path = env.filePath(u"sheet.csv"_s);
        env.files.queuePath(path);
        Click(&sheet.dialog, u"exportButton"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString csv = QString::fromUtf8(file.readAll());
        QVERIFY2(csv.contains(u"实发工资,项目提成,点钟加提,提成合计"_s), qPrintable(csv));
        QVERIFY2(csv.contains(u"07,小王,300.50,,,,,,357.84,52.34,5.00,357.84"_s), qPrintable(csv));
        QVERIFY2(csv.contains(u"合计,2人,300.50,0.00,0.00,0.00,0.00,0.00,360.84,52.34,8.00,360.84"_s), qPrintable(csv));

        Click(&sheet.dialog, u"printButton"_s);
        const QString printed = PrintedText(env.filePath(u"print-1.pdf"_s));
        for (const QString& text : { u"项目提成"_s, u"点钟加提"_s, u"提成合计"_s, u"52.34"_s, u"360.84元"_s })
            QVERIFY2(printed.contains(text), qPrintable(printed));
        QVERIFY(
            !RasterisePdf(env.filePath(u"print-1.pdf"_s), 110, TestOutputPath(u"salary-split-print.png"_s)).isNull());
        for (const QSize size : { QSize(1366, 768), QSize(1024, 768) }) {
            sheet.dialog.resize(size);
            QTest::qWait(50);
            QVERIFY(sheet.dialog.grab().save(TestOutputPath(u"salary-split-%1.png"_s.arg(size.width()))));
        }
    }

    void theSupplementIsSetWithTheFormula()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        {
            CommissionFormulaDialog dialog(env.services);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            auto* supplement = Child<QLineEdit>(&dialog, u"supplementEdit"_s);
            QCOMPARE(supplement->text(), u"0.00"_s);
            QCOMPARE(TabOrder(Child<QLineEdit>(&dialog, u"washEdit"_s), 1), QStringList { u"supplementEdit"_s });
            dialog.grab().save(TestOutputPath(u"commission-formula-supplement.png"_s));

            // A negative supplement is refused and nothing is written.
            TypeInto(supplement, u"-1"_s);
            Click(&dialog, u"okButton"_s);
            QCOMPARE(env.messages.texts().size(), 1);
            QVERIFY2(env.messages.texts().first().contains(u"点钟加提"_s), qPrintable(env.messages.texts().first()));
            QVERIFY(dialog.isVisible());
            QCOMPARE(HouseSettings::figure(env.database, HouseSettings::RequestedSupplement), 0);
            QCOMPARE(env.database.scalar(u"SELECT count(*) FROM operator_log"_s).toInt(), 0);

            TypeInto(supplement, u"２.5"_s);
            Click(&dialog, u"okButton"_s);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        QCOMPARE(HouseSettings::figure(env.database, HouseSettings::RequestedSupplement), 250);
        const QString description = env.database.scalar(u"SELECT description FROM operator_log"_s).toString();
        QVERIFY2(description.endsWith(u" 点钟加提2.50元/钟"_s), qPrintable(description));

        CommissionFormulaDialog again(env.services);
        QCOMPARE(Child<QLineEdit>(&again, u"supplementEdit"_s)->text(), u"2.50"_s);
    }
};

QTEST_MAIN(SalarySplitTest)
#include "tst_salarysplit.moc"
