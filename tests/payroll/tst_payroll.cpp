#include "payroll/CommissionFormula.h"
#include "payroll/SalaryRow.h"

#include <QtTest>

namespace {

CommissionFormula Formula(const QString& avertime = QStringLiteral("5"))
{
    return { QStringLiteral("10"), QStringLiteral("12"), QStringLiteral("15"), QStringLiteral("18"),
        QStringLiteral("8"), avertime };
}

} // namespace

class PayrollTest : public QObject
{
    Q_OBJECT

private slots:
    void commission_data()
    {
        QTest::addColumn<QString>("avertime");
        QTest::addColumn<int>("massage");
        QTest::addColumn<int>("footWash");
        QTest::addColumn<QString>("commission");

        const QString five = QStringLiteral("5");
        QTest::newRow("1st clock") << five << 1 << 0 << QStringLiteral("10.00");
        QTest::newRow("3 clocks") << five << 3 << 0 << QStringLiteral("37.00");
        QTest::newRow("4 clocks") << five << 4 << 0 << QStringLiteral("55.00");
        QTest::newRow("5 clocks: one free clock") << five << 5 << 0 << QStringLiteral("91.00");
        QTest::newRow("10 clocks: two free clocks") << five << 10 << 0 << QStringLiteral("199.00");
        QTest::newRow("foot-wash only") << five << 0 << 3 << QStringLiteral("24.00");
        QTest::newRow("5 and 2") << five << 5 << 2 << QStringLiteral("107.00");
        QTest::newRow("no clocks") << five << 0 << 0 << QStringLiteral("0.00");
        QTest::newRow("negative clocks earn nothing") << five << -2 << 0 << QStringLiteral("0.00");
        QTest::newRow("free clock after 3") << QStringLiteral("3") << 3 << 0 << QStringLiteral("55.00");
        QTest::newRow("avertime 0: no free clock") << QStringLiteral("0") << 10 << 0 << QStringLiteral("163.00");
        QTest::newRow("avertime negative: no free clock")
            << QStringLiteral("-2") << 10 << 0 << QStringLiteral("163.00");
        QTest::newRow("avertime not a number: no free clock")
            << QStringLiteral("每五个") << 5 << 0 << QStringLiteral("73.00");
        QTest::newRow("avertime by its leading integer") << QStringLiteral("4个") << 8 << 0 << QStringLiteral("163.00");
    }

    void commission()
    {
        QFETCH(QString, avertime);
        QFETCH(int, massage);
        QFETCH(int, footWash);
        QFETCH(QString, commission);
        QCOMPARE(Formula(avertime).commissionText(massage, footWash), commission);
    }

    void amountsReadByTheirLeadingNumber()
    {
        CommissionFormula formula = Formula();
        formula.massage1 = QStringLiteral("10.5元");
        formula.wash = QStringLiteral("八");
        QCOMPARE(formula.commissionText(1, 4), QStringLiteral("10.50"));
        // The texts themselves are what is stored.
        QCOMPARE(formula.massage1, QStringLiteral("10.5元"));
    }

    void netPay_data()
    {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QString>("netPay");

        const auto row = [](const QString& wage, const QString& allowance, const QString& tax, const QString& fine,
                             const QString& clothes, const QString& advance) {
            return QStringList { QStringLiteral("7"), QStringLiteral("小王"), wage, allowance, tax, fine, clothes,
                advance, QString() };
        };
        QTest::newRow("worked example") << row(QStringLiteral("300.50"), QStringLiteral("10"), QStringLiteral("2"),
            QStringLiteral("5"), QStringLiteral("3"), QStringLiteral("20"))
                                        << QStringLiteral("280.50");
        QTest::newRow("5a counts 5") << row(QStringLiteral("100"), {}, {}, QStringLiteral("5a"), {}, {})
                                     << QStringLiteral("95.00");
        QTest::newRow("a letter counts 0")
            << row(QStringLiteral("100"), {}, {}, QStringLiteral("a"), {}, {}) << QStringLiteral("100.00");
        QTest::newRow("nothing typed") << row(QStringLiteral("0.00"), {}, {}, {}, {}, {}) << QStringLiteral("0.00");
        QTest::newRow("more deducted than earned")
            << row(QStringLiteral("50"), {}, {}, {}, {}, QStringLiteral("80")) << QStringLiteral("-30.00");
        QTest::newRow("a freshly listed row")
            << QStringList { QStringLiteral("7"), QStringLiteral("小王") } << QStringLiteral("0.00");
    }

    void netPay()
    {
        QFETCH(QStringList, cells);
        QFETCH(QString, netPay);
        QCOMPARE(NetPayText(cells), netPay);
    }

    void salarySheetTitle()
    {
        QCOMPARE(SalarySheetTitle(QDate(2026, 3, 1)), QStringLiteral("3 月 份 工 资"));
        QCOMPARE(SalarySheetTitle(QDate(2026, 12, 31)), QStringLiteral("12 月 份 工 资"));
    }
};

QTEST_GUILESS_MAIN(PayrollTest)
#include "tst_payroll.moc"
