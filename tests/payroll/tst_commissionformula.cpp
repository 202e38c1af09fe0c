#include "app/RowListView.h"
#include "payroll/CommissionFormulaDialog.h"
#include "payroll/CommissionFormulaStore.h"
#include "support/TestEnvironment.h"
#include "support/WidgetDriver.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

using namespace Qt::StringLiterals;

// The commission formula dialog over row 2003 of jstichen, driven through its widgets.
class CommissionFormulaTest : public QObject
{
    Q_OBJECT

private slots:
    void theDeliveredFormulaIsShownInClockOrder()
    {
        TestEnvironment env;
        CommissionFormulaDialog dialog(env.services);
        QCOMPARE(dialog.windowTitle(), u"技师公式设置"_s);
        auto* orders = Child<RowListView>(&dialog, u"orderList"_s);
        QCOMPARE(Column(orders, 0), (QStringList { u"1"_s, u"2"_s, u"3"_s, u">=4"_s }));
        QCOMPARE(Column(orders, 1), (QStringList { u"10"_s, u"12"_s, u"15"_s, u"18"_s }));
        QCOMPARE(Child<QLineEdit>(&dialog, u"washEdit"_s)->text(), u"8"_s);
        auto* freeClock = Child<QComboBox>(&dialog, u"freeClockBox"_s);
        QCOMPARE(freeClock->currentText(), u"5"_s);
        QCOMPARE(freeClock->count(), 4);
        QCOMPARE(freeClock->itemText(0), u"5"_s);
        QCOMPARE(freeClock->itemText(3), u"6"_s);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.grab().save(TestOutputPath(u"commission-formula.png"_s));
    }

    void anAmountIsTypedForTheChosenClock()
    {
        TestEnvironment env;
        {
            CommissionFormulaDialog dialog(env.services);
            auto* amount = Child<QLineEdit>(&dialog, u"amountEdit"_s);
            TypeInto(amount, u"9"_s);
            QCOMPARE(env.messages.texts().first(), CommissionFormulaDialog::NoOrderText);

            auto* orders = Child<RowListView>(&dialog, u"orderList"_s);
            ClickRow(orders, 3);
            QCOMPARE(Child<QLabel>(&dialog, u"orderCaption"_s)->text(), u"第>=4钟的提成:"_s);
            QCOMPARE(amount->text(), u"18"_s);
            TypeInto(amount, u"20.5"_s);
            QCOMPARE(Column(orders, 1).last(), u"20.5"_s);
            ClickRow(orders, 0);
            QCOMPARE(Child<QLabel>(&dialog, u"orderCaption"_s)->text(), u"第1钟的提成:"_s);
            TypeInto(Child<QLineEdit>(&dialog, u"washEdit"_s), u"9元"_s);
            Choose(Child<QComboBox>(&dialog, u"freeClockBox"_s), u"4"_s);
            Click(&dialog, u"okButton"_s);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        const CommissionFormula stored = *CommissionFormulaStore(env.database).load().value();
        QCOMPARE(stored, (CommissionFormula { u"10"_s, u"12"_s, u"15"_s, u"20.5"_s, u"9元"_s, u"4"_s }));
        QCOMPARE(stored.commissionText(4, 1), u"87.00"_s); // 37 + 20.5, a free clock of 20.5, and 9

        CommissionFormulaDialog reopened(env.services);
        QCOMPARE(Column(Child<RowListView>(&reopened, u"orderList"_s), 1),
            (QStringList { u"10"_s, u"12"_s, u"15"_s, u"20.5"_s }));
        QCOMPARE(Child<QComboBox>(&reopened, u"freeClockBox"_s)->currentText(), u"4"_s);
    }

    void cancelWritesNothing()
    {
        TestEnvironment env;
        CommissionFormulaDialog dialog(env.services);
        ClickRow(Child<RowListView>(&dialog, u"orderList"_s), 1);
        TypeInto(Child<QLineEdit>(&dialog, u"amountEdit"_s), u"99"_s);
        TypeInto(Child<QComboBox>(&dialog, u"freeClockBox"_s)->lineEdit(), u"7"_s);
        Click(&dialog, u"cancelButton"_s);
        QCOMPARE(CommissionFormulaStore(env.database).load().value()->massage2, u"12"_s);
        QCOMPARE(CommissionFormulaStore(env.database).load().value()->avertime, u"5"_s);
    }

    // A formula that could not be read is never overwritten with empty boxes.
    void anUnreadableFormulaIsNotOverwritten()
    {
        TestEnvironment env;
        env.sql(u"ALTER TABLE jstichen RENAME TO jstichen_away"_s);
        CommissionFormulaDialog dialog(env.services);
        QCOMPARE(env.messages.texts().size(), 1);
        env.sql(u"ALTER TABLE jstichen_away RENAME TO jstichen"_s);
        Click(&dialog, u"okButton"_s);
        QCOMPARE(CommissionFormulaStore(env.database).load().value()->massage1, u"10"_s);
    }
};

QTEST_MAIN(CommissionFormulaTest)
#include "tst_commissionformula.moc"
