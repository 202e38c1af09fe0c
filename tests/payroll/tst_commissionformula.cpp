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
            // The digits of a Chinese input method count as the digits they are.
            TypeInto(Child<QLineEdit>(&dialog, u"washEdit"_s), u"９"_s);
            Choose(Child<QComboBox>(&dialog, u"freeClockBox"_s), u"4"_s);
            Click(&dialog, u"okButton"_s);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        const CommissionFormula stored = *CommissionFormulaStore(env.database).load().value();
        QCOMPARE(stored, (CommissionFormula { u"10"_s, u"12"_s, u"15"_s, u"20.5"_s, u"9"_s, u"4"_s }));
        QCOMPARE(stored.commissionText(4, 1), u"87.00"_s); // 37 + 20.5, a free clock of 20.5, and 9

        CommissionFormulaDialog reopened(env.services);
        QCOMPARE(Column(Child<RowListView>(&reopened, u"orderList"_s), 1),
            (QStringList { u"10"_s, u"12"_s, u"15"_s, u"20.5"_s }));
        QCOMPARE(Child<QComboBox>(&reopened, u"freeClockBox"_s)->currentText(), u"4"_s);
    }

    // Each entry is read strictly at "确定": full-width digits and point are the digits they
    // are and are stored in plain digits, the stored texts keep their format.
    void fullWidthEntriesAreStoredAsTheirDigits()
    {
        TestEnvironment env;
        {
            CommissionFormulaDialog dialog(env.services);
            auto* orders = Child<RowListView>(&dialog, u"orderList"_s);
            ClickRow(orders, 1);
            TypeInto(Child<QLineEdit>(&dialog, u"amountEdit"_s), u"１５．５"_s);
            TypeInto(Child<QLineEdit>(&dialog, u"washEdit"_s), u" 8.50 "_s);
            TypeInto(Child<QComboBox>(&dialog, u"freeClockBox"_s)->lineEdit(), u"１０"_s);
            Click(&dialog, u"okButton"_s);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QVERIFY(env.messages.shown().isEmpty());
        }
        const CommissionFormula stored = *CommissionFormulaStore(env.database).load().value();
        QCOMPARE(stored, (CommissionFormula { u"10"_s, u"15.5"_s, u"15"_s, u"18"_s, u"8.50"_s, u"10"_s }));
        QCOMPARE(stored.commissionText(10, 1), u"193.00"_s); // 40.5 + 7 × 18 + one free clock of 18 + 8.50
    }

    void entriesThatAreRefused_data()
    {
        QTest::addColumn<int>("entry"); // 0 to 3 the rows of the list, 4 the foot-wash box, 5 the count
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("a comma") << 1 << u"12,5"_s << u"第2钟的提成不是一个数字,请重新输入!"_s;
        QTest::newRow("an exponent") << 3 << u"1e308"_s << u"第4钟起的提成不是一个数字,请重新输入!"_s;
        QTest::newRow("negative") << 0 << u"-3"_s << u"第1钟的提成不能是负数,请重新输入!"_s;
        QTest::newRow("letters") << 2 << u"abc"_s << u"第3钟的提成不是一个数字,请重新输入!"_s;
        QTest::newRow("beyond a price") << 0 << u"100000.01"_s << u"第1钟的提成太大,不能超过100000,请重新输入!"_s;
        QTest::newRow("below the fen") << 0 << u"10.005"_s << u"第1钟的提成最多两位小数,请重新输入!"_s;
        QTest::newRow("wash with a unit") << 4 << u"9元"_s << u"洗脚提成不是一个数字,请重新输入!"_s;
        QTest::newRow("count of 2.5") << 5 << u"2.5"_s << u"送钟数必须是整数,请重新输入!"_s;
        QTest::newRow("negative count") << 5 << u"-3"_s << u"送钟数不能是负数,请重新输入!"_s;
    }

    // A refused entry is named, selected with the focus in its box, and nothing is written: the
    // dialog stays open, where it used to store the text and checkout to read it as 0 or garbage.
    void entriesThatAreRefused()
    {
        QFETCH(int, entry);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        TestEnvironment env;
        const CommissionFormula before = *CommissionFormulaStore(env.database).load().value();
        CommissionFormulaDialog dialog(env.services);
        ShowOnScreen(dialog);
        auto* orders = Child<RowListView>(&dialog, u"orderList"_s);
        auto* amount = Child<QLineEdit>(&dialog, u"amountEdit"_s);
        QLineEdit* box = entry < 4 ? amount
            : entry == 4           ? Child<QLineEdit>(&dialog, u"washEdit"_s)
                                   : Child<QComboBox>(&dialog, u"freeClockBox"_s)->lineEdit();
        if (entry < 4) {
            ClickRow(orders, entry);
            CommitInto(amount, typed);
            ClickRow(orders, entry == 0 ? 1 : 0); // another row is chosen before "确定"
        } else {
            CommitInto(box, typed);
        }
        Click(&dialog, u"okButton"_s);
        QCOMPARE(env.messages.texts(), QStringList { message });
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(*CommissionFormulaStore(env.database).load().value(), before);
        QVERIFY(HasFocus(entry == 5 ? static_cast<QWidget*>(Child<QComboBox>(&dialog, u"freeClockBox"_s)) : box));
        QCOMPARE(box->text(), typed);
        if (entry < 4)
            QCOMPARE(orders->selectedRow(), entry);
        if (QByteArray(QTest::currentDataTag()) == "a comma")
            QVERIFY(SaveRefusalPictures(dialog, message, u"commission-formula-refused"_s));

        // Put right, the formula is written.
        env.messages.clear();
        TypeInto(box, u"6"_s);
        Click(&dialog, u"okButton"_s);
        QVERIFY(env.messages.shown().isEmpty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
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
