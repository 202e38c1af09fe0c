#include "app/Database.h"
#include "app/RowListModel.h"
#include "app/Schema.h"
#include "service/ServiceCatalog.h"
#include "service/ServiceItemsDialog.h"
#include "shell/MainWindow.h"
#include "skin/UnaddedTyping.h"
#include "support/DeskFixture.h"
#include "support/ServerFixture.h"
#include "support/TestEnvironment.h"
#include "support/WidgetDriver.h"
#include "users/Permissions.h"
#include "users/Roles.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

ServiceItemTexts Typed(const QString& name, const QString& unit, const QString& minutes, const QString& price)
{
    ServiceItemTexts typed;
    typed.name = name;
    typed.category = u"按摩"_s;
    typed.unit = unit;
    typed.minutes = minutes;
    typed.price = price;
    typed.rotationKind = u"金额"_s;
    typed.rotation = u"20"_s;
    typed.requestedKind = u"比例"_s;
    typed.requested = u"15"_s;
    return typed;
}

ServiceItem Item(const QString& name, qint64 priceFen, const QString& unit = ServiceItem::ClockUnit, int minutes = 60)
{
    ServiceItem item;
    item.name = name;
    item.category = u"按摩"_s;
    item.unit = unit;
    item.minutes = minutes;
    item.price = Money::fromFen(priceFen);
    item.rotation = { CommissionKind::Amount, Money::fromYuan(20), 0 };
    item.requested = { CommissionKind::Share, {}, 1500 };
    return item;
}

QStringList Names(const QList<ServiceItem>& items)
{
    QStringList names;
    for (const ServiceItem& item : items)
        names << item.name;
    return names;
}

int LogRows(Database& database)
{
    return database.scalar(u"SELECT count(*) FROM operator_log WHERE kind=?"_s, { u"价格设置"_s }).toInt();
}

void SellByHand(Database& database, qint64 receipt, qint64 item, const QString& name)
{
    const SqlResult sold = database.exec(
        u"INSERT INTO receipt_item (id, line, item, name, technician, requested, count, unit_price_fen, amount_fen, "
        "commission_fen, time, cashier) VALUES (?, 1, ?, ?, '07', 0, 1, 16800, 16800, 2000, "
        "'2026-12-09 10:00:00', 'admin')"_s,
        { receipt, item, name });
    QVERIFY2(sold.ok(), qPrintable(sold.error));
}

} // namespace

class ServiceCatalogTest : public QObject
{
    Q_OBJECT

private slots:

    // --- the rules --------------------------------------------------------------------------------

    void typedFieldsAreReadStrictly()
    {
        const Outcome<ServiceItem> read = ReadServiceItem(Typed(u" 中式按摩 "_s, u"钟"_s, u"６０"_s, u"168.5"_s));
        QVERIFY2(read.ok(), qPrintable(read.text()));
        QCOMPARE(read.value().name, u"中式按摩"_s);
        QCOMPARE(read.value().minutes, 60);
        QCOMPARE(read.value().price, Money::fromFen(16850));
        QCOMPARE(read.value().rotation.kind, CommissionKind::Amount);
        QCOMPARE(read.value().rotation.amount, Money::fromYuan(20));
        QCOMPARE(read.value().requested.kind, CommissionKind::Share);
        QCOMPARE(read.value().requested.basisPoints, 1500);

        // A share of two places is a whole number of basis points.
        ServiceItemTexts share = Typed(u"采耳"_s, u"次"_s, {}, u"38"_s);
        share.rotationKind = u"比例"_s;
        share.rotation = u"12.5"_s;
        share.requested = u"100"_s;
        const Outcome<ServiceItem> byTime = ReadServiceItem(share);
        QVERIFY2(byTime.ok(), qPrintable(byTime.text()));
        QCOMPARE(byTime.value().minutes, 0);
        QCOMPARE(byTime.value().rotation.basisPoints, 1250);
        QCOMPARE(byTime.value().requested.basisPoints, 10000);
        QCOMPARE(CommissionText(byTime.value().rotation, u"次"_s), u"12.5%"_s);
        QCOMPARE(CommissionText(read.value().rotation, u"钟"_s), u"20.00元/钟"_s);
    }

    void typedFieldsAreRefusedWithTheirReason_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("empty name") << u"name"_s << u"  "_s << ServiceCatalog::EmptyNameText;
        QTest::newRow("unit") << u"unit"_s << u"小时"_s << ServiceCatalog::UnitText;
        QTest::newRow("no minutes") << u"minutes"_s << u""_s << ServiceCatalog::MinutesText;
        QTest::newRow("zero minutes") << u"minutes"_s << u"0"_s << ServiceCatalog::MinutesText;
        QTest::newRow("negative minutes") << u"minutes"_s << u"-5"_s << ServiceCatalog::NegativeMinutesText;
        QTest::newRow("minutes not whole") << u"minutes"_s << u"45.5"_s << u"分钟数必须是整数,请重新输入!"_s;
        QTest::newRow("price not a number") << u"price"_s << u"12,5"_s << u"单价不是一个数字,请重新输入!"_s;
        QTest::newRow("negative price") << u"price"_s << u"-1"_s << ServiceCatalog::NegativePriceText;
        QTest::newRow("price of three places") << u"price"_s << u"1.005"_s << u"单价最多两位小数,请重新输入!"_s;
        QTest::newRow("empty price") << u"price"_s << u""_s << u"单价不能为空,请重新输入!"_s;
        QTest::newRow("share above 100%") << u"requested"_s << u"100.01"_s << u"点钟提成比例不能超过100%!"_s;
        QTest::newRow("negative amount") << u"rotation"_s << u"-2"_s << u"轮钟提成不能小于0,请重新输入!"_s;
    }

    void typedFieldsAreRefusedWithTheirReason()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, refusal);
        ServiceItemTexts typed = Typed(u"足疗"_s, u"钟"_s, u"60"_s, u"98"_s);
        if (field == u"name")
            typed.name = text;
        else if (field == u"unit")
            typed.unit = text;
        else if (field == u"minutes")
            typed.minutes = text;
        else if (field == u"price")
            typed.price = text;
        else if (field == u"rotation")
            typed.rotation = text;
        else
            typed.requested = text;
        const Outcome<ServiceItem> read = ReadServiceItem(typed);
        QVERIFY(read.isRefusal());
        QCOMPARE(read.text(), refusal);
    }

    // The store keeps the rules whoever calls it.
    void theStoreRefusesWhatTheRulesRefuse()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        ServiceCatalog catalog(env.database, env.session);
        ServiceItem item = Item(u"中式按摩"_s, 16800);
        item.name = u" "_s;
        QCOMPARE(catalog.add(item).text(), ServiceCatalog::EmptyNameText);
        item = Item(u"中式按摩"_s, 16800, u"小时"_s);
        QCOMPARE(catalog.add(item).text(), ServiceCatalog::UnitText);
        item = Item(u"中式按摩"_s, 16800, ServiceItem::ClockUnit, 0);
        QCOMPARE(catalog.add(item).text(), ServiceCatalog::MinutesText);
        item = Item(u"中式按摩"_s, -1);
        QCOMPARE(catalog.add(item).text(), ServiceCatalog::NegativePriceText);
        item = Item(u"中式按摩"_s, 16800);
        item.requested.basisPoints = 10001;
        QCOMPARE(catalog.add(item).text(), ServiceCatalog::ShareTooLargeText);
        QCOMPARE(catalog.list().value().size(), 0);
        QCOMPARE(LogRows(env.database), 0);
    }

    void namesAreUniqueAndNumbersFollowEachOther()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        ServiceCatalog catalog(env.database, env.session);
        const Outcome<ServiceItem> first = catalog.add(Item(u"中式按摩"_s, 16800));
        QVERIFY2(first.ok(), qPrintable(first.text()));
        QCOMPARE(first.value().id, 1);
        QCOMPARE(first.value().position, 1);
        const Outcome<ServiceItem> second = catalog.add(Item(u"泰式按摩"_s, 19800));
        QCOMPARE(second.value().id, 2);
        QCOMPARE(second.value().position, 2);

        const Outcome<ServiceItem> again = catalog.add(Item(u" 中式按摩"_s, 100));
        QVERIFY(again.isRefusal());
        QCOMPARE(again.text(), ServiceCatalog::DuplicateNameText);

        // A change may keep its own name, not take another's.
        ServiceItem changed = second.value();
        changed.price = Money::fromFen(20800);
        QVERIFY(catalog.change(changed).ok());
        changed.name = u"中式按摩"_s;
        QCOMPARE(catalog.change(changed).text(), ServiceCatalog::DuplicateNameText);

        const QList<ServiceItem> items = catalog.list().value();
        QCOMPARE(Names(items), (QStringList { u"中式按摩"_s, u"泰式按摩"_s }));
        QCOMPARE(items[1].price, Money::fromFen(20800));
        QCOMPARE(items[0], first.value());
        // Stored as whole fen.
        QCOMPARE(JoinedRows(env.database, u"SELECT price_fen FROM service_item ORDER BY id"_s), u"16800,20800"_s);
        // Two additions and one change, each with its row.
        QCOMPARE(LogRows(env.database), 3);
        QVERIFY(env.database.scalar(u"SELECT description FROM operator_log ORDER BY id DESC"_s)
                    .toString()
                    .startsWith(u"服务项目由 2 泰式按摩(按摩) 60分钟/钟 单价198.00元/钟"_s));
        QCOMPARE(catalog.find(99).text(), ServiceCatalog::MissingText);
    }

    void theMenuKeepsItsOrderAndRetiredItemsStay()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        ServiceCatalog catalog(env.database, env.session);
        for (const QString& name : { u"中式按摩"_s, u"足疗"_s, u"采耳"_s })
            QVERIFY(catalog.add(Item(name, 9800)).ok());
        QCOMPARE(catalog.move(3, -1).value(), true);
        QCOMPARE(Names(catalog.list().value()), (QStringList { u"中式按摩"_s, u"采耳"_s, u"足疗"_s }));
        QCOMPARE(catalog.move(1, -1).value(), false); // at the top already
        QCOMPARE(catalog.move(2, 1).value(), false); // at the bottom already
        QCOMPARE(catalog.move(1, 1).value(), true);
        QCOMPARE(Names(catalog.list().value()), (QStringList { u"采耳"_s, u"中式按摩"_s, u"足疗"_s }));

        QVERIFY(catalog.setRetired(1, true).ok());
        QCOMPARE(Names(catalog.list(ServiceCatalog::Listing::Current).value()), (QStringList { u"采耳"_s, u"足疗"_s }));
        QCOMPARE(catalog.list().value().size(), 3);
        QVERIFY(catalog.setRetired(1, false).ok());
        QCOMPARE(catalog.list(ServiceCatalog::Listing::Current).value().size(), 3);
        // Three additions, two moves, two changes of state; the moves that moved nothing write nothing.
        QCOMPARE(LogRows(env.database), 7);
    }

    void aSoldItemIsRetiredInsteadOfDeleted()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        ServiceCatalog catalog(env.database, env.session);
        QVERIFY(catalog.add(Item(u"中式按摩"_s, 16800)).ok());
        QVERIFY(catalog.add(Item(u"拔罐"_s, 5000, ServiceItem::TimeUnit, 0)).ok());
        SellByHand(env.database, 1001, 1, u"中式按摩"_s);

        QCOMPARE(catalog.isSold(1).value(), true);
        QCOMPARE(catalog.isSold(2).value(), false);
        const Outcome<Removal> sold = catalog.remove(1);
        QCOMPARE(sold.value(), Removal::Retired);
        QCOMPARE(catalog.find(1).value().retired, true);
        const Outcome<Removal> unsold = catalog.remove(2);
        QCOMPARE(unsold.value(), Removal::Deleted);
        QCOMPARE(Names(catalog.list().value()), QStringList { u"中式按摩"_s });
        QCOMPARE(catalog.remove(2).text(), ServiceCatalog::MissingText);
        QCOMPARE(JoinedRows(env.database, u"SELECT count(*) FROM receipt_item"_s), u"1"_s);
        QCOMPARE(LogRows(env.database), 4);
    }

    void commissionIsCountedOnceAndRounded()
    {
        ServiceItem item = Item(u"精油开背"_s, 19800);
        item.rotation = { CommissionKind::Amount, Money::fromFen(2050), 0 };
        item.requested = { CommissionKind::Share, {}, 1250 };
        // A fixed amount per unit times the count, exact.
        QCOMPARE(commissionFor(item, 3, Money::fromFen(59400), false), Money::fromFen(6150));
        QCOMPARE(commissionFor(item, 0, Money(), false), Money());
        // A share of an odd amount: 12.5% of 0.99 is 0.12375, rounded once to 0.12; of 1.01 it is
        // 0.12625, 0.13.
        QCOMPARE(commissionFor(item, 1, Money::fromFen(99), true), Money::fromFen(12));
        QCOMPARE(commissionFor(item, 1, Money::fromFen(101), true), Money::fromFen(13));
        // Half a fen goes away from zero: 12.5% of 0.20 is 0.025, 0.03; of -0.20, -0.03.
        QCOMPARE(commissionFor(item, 1, Money::fromFen(20), true), Money::fromFen(3));
        QCOMPARE(commissionFor(item, 1, Money::fromFen(-20), true), Money::fromFen(-3));
        // 15% of three clocks of 168.33 (504.99) is 75.7485: 75.75, not three times 25.25.
        item.requested.basisPoints = 1500;
        QCOMPARE(commissionFor(item, 3, Money::fromFen(50499), true), Money::fromFen(7575));
        item.requested.basisPoints = 10000;
        QCOMPARE(commissionFor(item, 3, Money::fromFen(50499), true), Money::fromFen(50499));
    }

    // --- the schema -------------------------------------------------------------------------------

    void aFreshHouseGivesTheFlagToWhoeverSetsPrices()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        QCOMPARE(
            JoinedRows(env.database, u"SELECT id, str19 FROM authority ORDER BY id"_s, {}, u";"_s), u"00;10;21;31"_s);
        for (int role : { Cashier, Minister, Manager, GeneralManager }) {
            const PermissionFlags allowed = PermissionsFromRow(*LoadAuthorityRow(env.database, role, nullptr));
            QCOMPARE(allowed[ServiceItemsFlag], role == Manager || role == GeneralManager);
        }
        QString mismatch;
        QVERIFY(Schema::compareShape(env.database, Database::SchemaVersion, &mismatch).ok());
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    }

    void anEarlierHouseKeepsEverythingAndGainsTheMenu()
    {
        if (TestsOnServer()) {
            migrateAHouseOnTheServer();
            return;
        }
        QTemporaryDir folder;
        const QString path = folder.filePath(u"data.db"_s);
        {
            Database older;
            QVERIFY2(older.create(path, 11), qPrintable(older.lastError()));
            QVERIFY(!older.exec(u"SELECT count(*) FROM service_item"_s).ok());
            QVERIFY(older.exec(u"INSERT INTO worksinfo (str1, str2) VALUES ('07', '小周')"_s).ok());
            QVERIFY(older.exec(u"UPDATE authority SET str6=0 WHERE id=1"_s).ok()); // a minister who sets prices
            QVERIFY(older.exec(u"UPDATE authority SET str6=1 WHERE id=2"_s).ok()); // a manager who does not
        }
        QCOMPARE(Database::versionOf(path), std::optional<int>(11));
        Database upgraded;
        QVERIFY2(upgraded.open(path), qPrintable(upgraded.lastError()));
        QCOMPARE(upgraded.schemaVersion(nullptr), Database::SchemaVersion);
        checkUpgraded(upgraded);
    }

    // --- the window -------------------------------------------------------------------------------

    void theWindowAddsChangesRetiresAndRefusesToDeleteASoldItem()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        ServiceItemsDialog dialog(env.services);
        QVERIFY(ShowOnScreen(dialog));
        QCOMPARE(dialog.windowTitle(), u"服务项目设置"_s);
        QCOMPARE(dialog.rows()->headers(),
            (QStringList { u"编号"_s, u"名称"_s, u"类别"_s, u"单位"_s, u"分钟"_s, u"单价"_s, u"会员折扣"_s,
                u"经理打折"_s, u"轮钟提成"_s, u"点钟提成"_s, u"状态"_s }));
        for (QWidget* control : dialog.findChildren<QWidget*>()) {
            if (qobject_cast<QLineEdit*>(control) || qobject_cast<QComboBox*>(control)
                || qobject_cast<QAbstractButton*>(control) || qobject_cast<QTableView*>(control)) {
                if (qobject_cast<QComboBox*>(control->parentWidget()) || control->parentWidget() != &dialog)
                    continue; // a part of a control: an editable box's line edit, the list's corner button
                QVERIFY2(!control->objectName().isEmpty(), control->metaObject()->className());
            }
        }

        auto* name = Child<QLineEdit>(&dialog, u"nameEdit"_s);
        auto* minutes = Child<QLineEdit>(&dialog, u"minutesEdit"_s);
        auto* price = Child<QLineEdit>(&dialog, u"priceEdit"_s);
        auto* rotation = Child<QLineEdit>(&dialog, u"rotationEdit"_s);
        auto* requested = Child<QLineEdit>(&dialog, u"requestedEdit"_s);

        // Tab follows the rows of fields, each from left to right, then the buttons.
        QCOMPARE(TabOrder(Child<QLineEdit>(&dialog, u"nameEdit"_s), 13),
            (QStringList { u"categoryBox"_s, u"unitBox"_s, u"minutesEdit"_s, u"priceEdit"_s, u"memberDiscountBox"_s,
                u"managerDiscountBox"_s, u"rotationKindBox"_s, u"rotationEdit"_s, u"requestedKindBox"_s,
                u"requestedEdit"_s, u"addButton"_s, u"changeButton"_s, u"retireButton"_s }));

        // Enter in a field holding typing moves on and keeps the dialog open.
        name->setFocus();
        TypeInto(name, u"中式按摩"_s);
        QTest::keyClick(name, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QVERIFY(!HasFocus(name));
        Child<QComboBox>(&dialog, u"categoryBox"_s)->setEditText(u"按摩"_s);
        TypeInto(minutes, u"60"_s);
        TypeInto(price, u"168"_s);
        TypeInto(rotation, u"20"_s);
        Choose(Child<QComboBox>(&dialog, u"requestedKindBox"_s), u"比例"_s);
        QCOMPARE(Child<QLabel>(&dialog, u"requestedUnitLabel"_s)->text(), u"%"_s);
        TypeInto(requested, u"15"_s);
        Click(&dialog, u"addButton"_s);
        QVERIFY2(env.messages.shown().isEmpty(), qPrintable(env.messages.texts().join(u'|')));
        QCOMPARE(dialog.rows()->rows(),
            (QList<QStringList> { { u"1"_s, u"中式按摩"_s, u"按摩"_s, u"钟"_s, u"60"_s, u"168.00"_s, u"是"_s, u"是"_s,
                u"20.00元/钟"_s, u"15%"_s, u"在用"_s } }));
        QCOMPARE(dialog.chosenItem(), 1);

        // A second item by the time, without the manager's 打折.
        TypeInto(name, u"采耳"_s);
        Choose(Child<QComboBox>(&dialog, u"unitBox"_s), u"次"_s);
        TypeInto(minutes, u""_s);
        TypeInto(price, u"38"_s);
        Child<QCheckBox>(&dialog, u"managerDiscountBox"_s)->setChecked(false);
        Click(&dialog, u"addButton"_s);
        QVERIFY2(env.messages.shown().isEmpty(), qPrintable(env.messages.texts().join(u'|')));
        QCOMPARE(dialog.rows()->row(1),
            (QStringList { u"2"_s, u"采耳"_s, u"按摩"_s, u"次"_s, u""_s, u"38.00"_s, u"是"_s, u"否"_s, u"20.00元/次"_s,
                u"15%"_s, u"在用"_s }));

        // The same name again is refused through the message seam, and nothing is added.
        Click(&dialog, u"addButton"_s);
        QCOMPARE(env.messages.texts(), QStringList { ServiceCatalog::DuplicateNameText });
        QCOMPARE(dialog.rows()->rowCount(), 2);
        env.messages.clear();

        // Change the first: choose its row, type, 修改.
        dialog.chooseItem(1);
        QCOMPARE(name->text(), u"中式按摩"_s);
        QCOMPARE(requested->text(), u"15"_s);
        TypeInto(price, u"178.5"_s);
        Click(&dialog, u"changeButton"_s);
        QVERIFY2(env.messages.shown().isEmpty(), qPrintable(env.messages.texts().join(u'|')));
        QCOMPARE(dialog.rows()->cell(0, ServiceItemsDialog::PriceColumn), u"178.50"_s);

        // Down and up again.
        Click(&dialog, u"downButton"_s);
        QCOMPARE(dialog.rows()->cell(1, ServiceItemsDialog::NameColumn), u"中式按摩"_s);
        Click(&dialog, u"upButton"_s);
        QCOMPARE(dialog.rows()->cell(0, ServiceItemsDialog::NameColumn), u"中式按摩"_s);

        // Retire and restore.
        auto* retire = Child<QPushButton>(&dialog, u"retireButton"_s);
        Click(&dialog, u"retireButton"_s);
        QCOMPARE(dialog.rows()->cell(0, ServiceItemsDialog::StateColumn), u"停用"_s);
        QCOMPARE(retire->text(), u"启用"_s);
        Click(&dialog, u"retireButton"_s);
        QCOMPARE(dialog.rows()->cell(0, ServiceItemsDialog::StateColumn), u"在用"_s);
        QCOMPARE(retire->text(), u"停用"_s);
        QVERIFY(SaveScreenPictures(dialog, u"service-items"_s));

        // Once sold, 删除 retires it and says so.
        SellByHand(env.database, 2001, 1, u"中式按摩"_s);
        env.messages.queueAnswer(true);
        Click(&dialog, u"deleteButton"_s);
        QCOMPARE(env.messages.texts(), (QStringList { ServiceItemsDialog::DeleteQuestion, ServiceCatalog::SoldText }));
        QCOMPARE(dialog.rows()->rowCount(), 2);
        QCOMPARE(dialog.rows()->cell(0, ServiceItemsDialog::StateColumn), u"停用"_s);
        QVERIFY(SaveRefusalPictures(dialog, ServiceCatalog::SoldText, u"service-items-sold"_s));
        env.messages.clear();

        // One never sold goes.
        dialog.chooseItem(2);
        env.messages.queueAnswer(true);
        Click(&dialog, u"deleteButton"_s);
        QCOMPARE(env.messages.texts(), QStringList { ServiceItemsDialog::DeleteQuestion });
        QCOMPARE(dialog.rows()->rowCount(), 1);
        QCOMPARE(dialog.chosenItem(), 0);
        env.messages.clear();

        // Without a chosen item the buttons that need one say so.
        Click(&dialog, u"changeButton"_s);
        QCOMPARE(env.messages.texts(), QStringList { ServiceItemsDialog::NoItemText });
        env.messages.clear();

        // 关闭 with typing not stored asks first.
        TypeInto(name, u"泰式按摩"_s);
        env.messages.queueAnswer(false);
        Click(&dialog, u"closeButton"_s);
        QVERIFY(dialog.isVisible());
        QCOMPARE(env.messages.texts(), QStringList { UnaddedTypingQuestion });
        TypeInto(name, u""_s);
        dialog.chooseItem(1);
        Click(&dialog, u"closeButton"_s);
        QVERIFY(!dialog.isVisible());
        // Two additions, a change, two moves, two changes of state, the retirement on 删除 and a deletion.
        QCOMPARE(LogRows(env.database), 9);
    }

    // The main window's item "服务项目设置" under 入帐收银 follows the flag of the role logged in.
    void theMenuItemFollowsTheFlag()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        MainWindow& window = desk.window();
        QAction* item = window.action(MainWindow::Command::ServiceItems);
        QCOMPARE(item->text(), u"服务项目设置(&X)"_s);
        QCOMPARE(item->objectName(), u"actionServiceItems"_s);
        window.takeLogin(Cashier, u"小李"_s);
        QVERIFY(!item->isEnabled());
        window.takeLogin(GeneralManager, u"总经理"_s);
        QVERIFY(item->isEnabled());
        QVERIFY(desk.database().exec(u"UPDATE authority SET str19=0 WHERE id=?"_s, { int(GeneralManager) }).ok());
        window.takeLogin(GeneralManager, u"总经理"_s);
        QVERIFY(!item->isEnabled());
        QVERIFY(desk.database().exec(u"UPDATE authority SET str19=1 WHERE id=?"_s, { int(Cashier) }).ok());
        window.takeLogin(Cashier, u"小李"_s);
        QVERIFY(item->isEnabled());
    }

private:
    void checkUpgraded(Database& upgraded)
    {
        QCOMPARE(upgraded.scalar(u"SELECT str2 FROM worksinfo WHERE str1='07'"_s).toString(), u"小周"_s);
        QCOMPARE(upgraded.scalar(u"SELECT count(*) FROM service_item"_s).toInt(), 0);
        QCOMPARE(upgraded.scalar(u"SELECT count(*) FROM receipt_item"_s).toInt(), 0);
        // The flag follows the price setting's: cashier no, minister yes, manager no, general manager yes.
        QCOMPARE(JoinedRows(upgraded, u"SELECT str19 FROM authority ORDER BY id"_s), u"0,1,0,1"_s);
        QString mismatch;
        QVERIFY(Schema::compareShape(upgraded, Database::SchemaVersion, &mismatch).ok());
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        // The upgraded house takes items.
        TestEnvironment env;
        ServiceCatalog catalog(upgraded, env.session);
        QVERIFY(catalog.add(Item(u"足疗"_s, 9800)).ok());
        QCOMPARE(upgraded.scalar(u"SELECT count(*) FROM service_item"_s).toInt(), 1);
    }

    // On a server: a house of the current version is taken back by hand to what version 11
    // made (without the menu, and without the item lines, 点钟 marks, member cards and payment parts that came
    // after it), then opened.
    void migrateAHouseOnTheServer()
    {
        ServerFixture server;
        QVERIFY2(server.ok(), qPrintable(server.error()));
        {
            Database maker;
            QVERIFY2(maker.createHouse(server.address()), qPrintable(maker.lastError()));
        }
        for (const QString& sql :
            { u"DROP TABLE desk_bill_item"_s, u"DROP TABLE receipt_technician"_s, u"DROP TABLE ledger_items"_s,
                u"DROP TABLE ledger_calls"_s, u"ALTER TABLE desk_bill_technician DROP COLUMN requested"_s,
                u"DROP TABLE service_item"_s, u"DROP TABLE receipt_item"_s,
                u"ALTER TABLE authority DROP COLUMN str19"_s, u"ALTER TABLE authority DROP COLUMN str20"_s,
                u"DROP TABLE member_card, card_ledger, topup_rule, ledger_cards"_s,
                u"DROP FUNCTION ledger_cards_added, ledger_cards_removed, ledger_cards_changed"_s,
                u"DROP TABLE receipt_payment, receipt_waiver, ledger_payments"_s,
                u"DROP FUNCTION ledger_payments_added, ledger_payments_removed, ledger_payments_changed"_s,
                u"DROP TABLE ledger_goods_months"_s,
                u"DROP FUNCTION ledger_goods_months_added, ledger_goods_months_removed, ledger_goods_months_changed CASCADE"_s,
                u"ALTER TABLE handover DROP COLUMN last_card_movement, DROP COLUMN topup_cash, DROP COLUMN "
                u"topup_wechat, "
                "DROP COLUMN topup_alipay, DROP COLUMN topup_bank_card, DROP COLUMN topup_bonus, "
                "DROP COLUMN card_cash_out_cash, DROP COLUMN card_cash_out_other, DROP COLUMN waived_total"_s,
                u"DROP FUNCTION ledger_items_added, ledger_items_removed, ledger_items_changed, ledger_calls_added, "
                "ledger_calls_removed, ledger_calls_changed"_s,
                u"UPDATE tavrel_schema SET version=11"_s, u"INSERT INTO worksinfo (str1, str2) VALUES ('07', '小周')"_s,
                u"UPDATE authority SET str6=0 WHERE id=1"_s, u"UPDATE authority SET str6=1 WHERE id=2"_s }) {
            QSqlQuery query(server.database());
            QVERIFY2(query.exec(sql), qPrintable(query.lastError().text()));
        }
        Database upgraded;
        QVERIFY2(upgraded.openServer(server.address()), qPrintable(upgraded.lastError()));
        QCOMPARE(upgraded.schemaVersion(nullptr), Database::SchemaVersion);
        checkUpgraded(upgraded);
    }
};

QTEST_MAIN(ServiceCatalogTest)
#include "tst_servicecatalog.moc"
