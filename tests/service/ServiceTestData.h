#pragma once

#include "desk/DeskSession.h"
#include "rooms/RoomState.h"
#include "service/RoomServiceDialog.h"
#include "service/ServiceSettings.h"
#include "support/ScriptedMessageService.h"
#include "support/TestEnvironment.h"
#include "support/WidgetDriver.h"
#include "users/AccountStore.h"
#include "users/LoginDialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

// The house the service tests work in: technicians 01 to 05 queued in that order, goods in
// stock and prices of 40, 30 and 20 yuan with a member discount of 0.9.

inline const QDateTime Opening(QDate(2026, 12, 7), QTime(10, 0));

inline void AddGoods(TestEnvironment& env, const QString& name, const QString& unitPrice, int stock,
    const QString& unit = QStringLiteral("瓶"))
{
    static int code = 0;
    env.sql(QStringLiteral("INSERT INTO kucheninfo (str1, str2, str4, str5, str6) VALUES (?, ?, ?, ?, ?)"),
        { QStringLiteral("G%1").arg(++code), name, unit, unitPrice, QString::number(stock) });
}

inline QString StockOf(TestEnvironment& env, const QString& name)
{
    return env.database.scalar(QStringLiteral("SELECT str6 FROM kucheninfo WHERE str2=?"), { name }).toString();
}

inline int RowCount(TestEnvironment& env, const QString& table)
{
    return env.database.scalar(QStringLiteral("SELECT count(*) FROM %1").arg(table)).toInt();
}

// A price or factor written as a literal, as the short decimal it reads as.
inline Decimal Dec(double value)
{
    return Decimal::fromDouble(value).value();
}

inline void WritePrices(
    TestEnvironment& env, double massage = 40, double footWash = 30, double pedicure = 20, double memberDiscount = 0.9)
{
    SettingPlace& place = env.settings; // the folder's files, or rows on a server
    ScriptedMessageService messages;
    const ServiceSettings prices { Dec(massage), Dec(footWash), Dec(pedicure), Decimal::whole(5), Dec(memberDiscount) };
    if (!prices.write(place, messages))
        qFatal("cannot write the prices");
}

inline void AddAccount(
    TestEnvironment& env, int role, const QString& login, const QString& password, const QString& name)
{
    if (!AccountStore(env.database).add(role, login, password, name).done)
        qFatal("cannot add the account %s", qPrintable(login));
}

// The staff and the queue of a morning, the goods in stock and the prices.
inline void PrepareHouse(TestEnvironment& env)
{
    env.clock.set(Opening);
    for (int i = 1; i <= 5; ++i) {
        const QString number = QStringLiteral("0%1").arg(i);
        env.addStaff(number, QStringLiteral("技师") + number);
        if (!env.session.queueTechnician(RotaShift::Early, number))
            qFatal("cannot queue %s", qPrintable(number));
    }
    AddGoods(env, QStringLiteral("啤酒"), QStringLiteral("5.5"), 15);
    AddGoods(env, QStringLiteral("可乐"), QStringLiteral("4"), 16, QStringLiteral("听"));
    AddGoods(env, QStringLiteral("红/白葡萄酒"), QStringLiteral("128.00"), 40);
    WritePrices(env);
}

// An open bill for `room` with these technicians (the first on top), taken from the queue.
inline void OpenRoom(TestEnvironment& env, const QString& room, const QStringList& numbers, int massage = 0,
    int footWash = 0, int pedicure = 0, const QList<GoodsLine>& goods = {})
{
    OpenBill bill;
    bill.startTime = env.clock.now();
    bill.massageClocks = massage;
    bill.footWashClocks = footWash;
    bill.pedicureCount = pedicure;
    bill.goods = goods;
    for (const QString& number : numbers) {
        bill.technicians.append({ number, QStringLiteral("技师") + number, 0, 0, false });
        if (!env.session.moveToWorking(number))
            qFatal("cannot move %s", qPrintable(number));
    }
    if (!env.session.openBill(room, bill))
        qFatal("cannot open the bill of %s", qPrintable(room));
}

// Answers the next login prompt with this role, account and password ("取消" when the role
// is empty).
inline void LogInWhenAsked(const QString& role, const QString& login = {}, const QString& password = {})
{
    WhenDialogOpens<LoginDialog>([=](LoginDialog* dialog) {
        if (role.isEmpty()) {
            Click(dialog, QStringLiteral("cancelButton"));
            return;
        }
        Child<QComboBox>(dialog, QStringLiteral("roleBox"))->setCurrentText(role);
        QTest::keyClicks(Child<QLineEdit>(dialog, QStringLiteral("accountEdit")), login);
        QTest::keyClicks(Child<QLineEdit>(dialog, QStringLiteral("passwordEdit")), password);
        Click(dialog, QStringLiteral("loginButton"));
    });
}

// Saves what a widget shows, for a person to look at, and returns the picture.
inline QImage SavePicture(QWidget* widget, const QString& name)
{
    const QImage picture = widget->grab().toImage();
    picture.save(TestOutputPath(name));
    return picture;
}

// The room service dialog as a lamp click opens it for `room`.
inline std::unique_ptr<RoomServiceDialog> OpenRoomService(TestEnvironment& env, const QString& room)
{
    bool unrecognised = false;
    const QString lamp = RoomStates::lampText(env.session, room);
    return std::make_unique<RoomServiceDialog>(
        env.services, RoomStates::requestForLamp(env.session, room, lamp, &unrecognised));
}
