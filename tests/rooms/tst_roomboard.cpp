#include "app/SettingFile.h"
#include "rooms/RoomBoard.h"
#include "rooms/RoomState.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QtTest>

Q_DECLARE_METATYPE(RoomState)

namespace {

QByteArray fileBytes(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& name, const QByteArray& bytes)
{
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A group file whose rooms are numbered first, first + 1, ... with two seats each.
void writeGroup(int group, int first)
{
    RoomNumbers rooms;
    for (int i = 0; i < RoomNumbers::RoomCount; ++i) {
        rooms.numbers[i] = first + i;
        rooms.seats[i] = 2;
    }
    ScriptedMessageService messages;
    QVERIFY(rooms.write(RoomNumbers::fileName(group), messages));
}

RoomServiceRecord recordWithTechnicians(const QString& rows)
{
    RoomServiceRecord record;
    record.startTime = QDateTime(QDate(2026, 12, 7), QTime(10, 0));
    record.massageClocks = 1;
    record.technicianRows = rows;
    record.goodsRows = QStringLiteral("可乐/1/5.00/瓶/");
    return record;
}

} // namespace

// The room numbers files, the rule that turns the end of the room service dialog into the
// room's state, and the board's numbering rules.
class RoomBoardTest : public QObject
{
    Q_OBJECT

private slots:
    // --- the pagesel files ------------------------------------------------------------------

    void fileNamesFollowTheGroup()
    {
        QCOMPARE(RoomNumbers::fileName(0), QStringLiteral("pagesel0.dat"));
        QCOMPARE(RoomNumbers::fileName(4), QStringLiteral("pagesel4.dat"));
        QCOMPARE(RoomNumbers::fileName(5), QStringLiteral("pagesel.dat"));
        QCOMPARE(RoomNumbers::fileName(-1), QStringLiteral("pagesel.dat"));
    }

    void aMissingFileIsReportedAndLeavesTheRoomsUnnumbered()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.messages.clear();
        RoomBoard board(2); // the delivered installation has pagesel0.dat only
        board.load(env.messages);
        QCOMPARE(env.messages.texts(), QStringList { QStringLiteral("打开一个二进制文件失败!") });
        QCOMPARE(board.numberText(0, 1), QStringLiteral("101"));
        QCOMPARE(board.seatText(0, 8), QStringLiteral("4"));
        QCOMPARE(board.numberText(1, 1), QStringLiteral("000"));
        QCOMPARE(board.numberText(1, 40), QStringLiteral("000"));
        QCOMPARE(board.seatText(1, 1), QStringLiteral("0"));
        QVERIFY(!QFile::exists(QStringLiteral("pagesel1.dat")));

        // Saving creates the file; read back, the unnumbered rooms show 0.
        QVERIFY(board.save(1, env.messages));
        QCOMPARE(fileBytes(QStringLiteral("pagesel1.dat")), QByteArray(320, '\0'));
        RoomBoard again(2);
        again.load(env.messages);
        QCOMPARE(again.numberText(1, 1), QStringLiteral("0"));
    }

    void aShortFileLeavesTheMissingValuesZero()
    {
        TestEnvironment env;
        writeBytes(QStringLiteral("pagesel0.dat"), QByteArray("\x07\x00\x00\x00\x2c\x01\x00\x00\x09", 9));
        env.messages.clear();
        RoomBoard board(1);
        board.load(env.messages);
        QVERIFY(env.messages.shown().isEmpty());
        QCOMPARE(board.numberText(0, 1), QStringLiteral("7"));
        QCOMPARE(board.numberText(0, 2), QStringLiteral("300"));
        QCOMPARE(board.numberText(0, 3), QStringLiteral("9")); // its missing bytes count 0
        QCOMPARE(board.numberText(0, 4), QStringLiteral("0"));
        QCOMPARE(board.seatText(0, 1), QStringLiteral("0"));
    }

    void numbersAndSeatsRoundTripAsLittleEndianIntegers()
    {
        TestEnvironment env;
        RoomBoard board(1);
        board.load(env.messages);
        QVERIFY(board.setNumber(0, 2, 70000, env.messages));
        QVERIFY(board.setSeats(0, 40, 6, env.messages));

        // Written at once, not only when the desk closes: a crash right after keeps the change.
        const QByteArray bytes = fileBytes(QStringLiteral("pagesel0.dat"));
        QCOMPARE(bytes.size(), 320);
        QCOMPARE(bytes.mid(4, 4), QByteArray("\x70\x11\x01\x00", 4)); // room 2: 70000
        QCOMPARE(bytes.mid(0, 4), QByteArray("\x65\x00\x00\x00", 4)); // room 1: 101
        QCOMPARE(bytes.mid(160 + 39 * 4, 4), QByteArray("\x06\x00\x00\x00", 4)); // seats of room 40

        RoomBoard reread(1);
        reread.load(env.messages);
        QCOMPARE(reread.numberText(0, 2), QStringLiteral("70000"));
        QCOMPARE(reread.seatText(0, 40), QStringLiteral("6"));
        QCOMPARE(reread.numberText(0, 3), QStringLiteral("103"));
    }

    void aFileThatCannotBeWrittenIsReported()
    {
        TestEnvironment env;
        RoomBoard board(2);
        board.load(env.messages);
        QVERIFY(QDir().mkdir(QStringLiteral("pagesel1.dat"))); // a folder stands in its way
        env.messages.clear();
        QVERIFY(!board.setNumber(1, 1, 201, env.messages));
        QCOMPARE(env.messages.texts(), QStringList { QStringLiteral("创建一个二进制文件失败!") });
        QCOMPARE(board.numberText(1, 1), QStringLiteral("201")); // kept for the save at the end
        QVERIFY(QFileInfo(QStringLiteral("pagesel1.dat")).isDir());
    }

    // --- the room state rule ----------------------------------------------------------------

    void technicianNumbersAreTheFirstCellOfEveryRow_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("numbers");
        QTest::newRow("none") << ""
                              << "";
        QTest::newRow("one") << "5/小红/0/0/"
                             << "5 ";
        QTest::newRow("two in text order") << "8/B/1/0/5/A/0/2/"
                                           << "8 5 ";
        QTest::newRow("incomplete row dropped") << "8/B/1/0/5/A/"
                                                << "8 ";
    }

    void technicianNumbersAreTheFirstCellOfEveryRow()
    {
        QFETCH(QString, rows);
        QFETCH(QString, numbers);
        QCOMPARE(RoomStates::technicianNumbers(rows), numbers);
    }

    void theEndOfTheServiceDialogDecidesTheState_data()
    {
        QTest::addColumn<RoomState>("before");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<bool>("inService");
        QTest::addColumn<RoomState>("after");
        QTest::addColumn<QString>("lamp");

        const RoomState idle = RoomState::Idle;
        const RoomState guest = RoomState::GuestIn;
        const RoomState busy = RoomState::InService;
        // before, closed, accepted, in service chosen -> after, lamp text
        QTest::newRow("idle, OK, guest in") << idle << false << true << false << guest << "入客";
        QTest::newRow("idle, OK, service") << idle << false << true << true << busy << "9 ";
        QTest::newRow("guest, OK, service") << guest << false << true << true << busy << "9 ";
        QTest::newRow("guest, OK, guest kept") << guest << false << true << false << guest << "入客";
        QTest::newRow("guest, voided") << guest << true << true << false << idle << "空闲";
        QTest::newRow("service, OK") << busy << false << true << true << busy << "9 ";
        QTest::newRow("service, OK, 入客 chosen") << busy << false << true << false << busy << "9 ";
        QTest::newRow("service, settled, Esc") << busy << true << false << false << idle << "空闲";
        QTest::newRow("service, voided") << busy << true << true << false << idle << "空闲";
        QTest::newRow("idle, Esc") << idle << false << false << true << idle << "空闲";
        QTest::newRow("guest, Esc") << guest << false << false << true << guest << "入客";
        QTest::newRow("service, Esc") << busy << false << false << true << busy << "5 ";
    }

    void theEndOfTheServiceDialogDecidesTheState()
    {
        QFETCH(RoomState, before);
        QFETCH(bool, closed);
        QFETCH(bool, accepted);
        QFETCH(bool, inService);
        QFETCH(RoomState, after);
        QFETCH(QString, lamp);

        const QString room = QStringLiteral("108");
        const RoomServiceRecord old = recordWithTechnicians(QStringLiteral("5/A/0/0/"));
        DeskState desk;
        desk.guestInRooms.insert(QStringLiteral("109")); // other rooms stay as they are
        if (before == RoomState::GuestIn)
            desk.guestInRooms.insert(room);
        if (before == RoomState::InService)
            desk.roomServiceTable.insert(room, old);
        QCOMPARE(RoomStates::stateOf(desk, room), before);

        RoomServiceOutcome outcome;
        outcome.closed = closed;
        outcome.accepted = accepted;
        outcome.inService = inService;
        outcome.startTime = QDateTime(QDate(2026, 12, 7), QTime(11, 30));
        outcome.technicianRows = QStringLiteral("9/C/0/0/");
        outcome.goodsRows = QStringLiteral("茶/2/8.00/杯/");
        outcome.massageText = QStringLiteral("3");
        outcome.footWashText = QStringLiteral("12钟");
        outcome.pedicureText = QStringLiteral("x");

        QCOMPARE(RoomStates::applyOutcome(desk, room, outcome), after);
        QCOMPARE(RoomStates::stateOf(desk, room), after);
        QCOMPARE(RoomStates::lampText(desk, room), lamp);
        QCOMPARE(RoomStates::stateOfLampText(lamp), after);
        QVERIFY(desk.guestInRooms.contains(QStringLiteral("109")));
        QCOMPARE(desk.roomServiceTable.contains(room), after == RoomState::InService);
        QCOMPARE(desk.guestInRooms.contains(room), after == RoomState::GuestIn);

        if (after == RoomState::InService && accepted) {
            const RoomServiceRecord record = desk.roomServiceTable.value(room);
            QCOMPARE(record.technicianRows, outcome.technicianRows);
            QCOMPARE(record.goodsRows, outcome.goodsRows);
            QCOMPARE(record.massageClocks, 3);
            QCOMPARE(record.footWashClocks, 12);
            QCOMPARE(record.pedicureCount, 0);
            // An existing record keeps its start; a new one starts when the dialog said.
            QCOMPARE(record.startTime, before == RoomState::InService ? old.startTime : outcome.startTime);
        }
        if (after == RoomState::InService && !accepted)
            QCOMPARE(desk.roomServiceTable.value(room).technicianRows, old.technicianRows);
    }

    void aLampClickAsksForTheRecordOfARoomInService()
    {
        DeskState desk;
        desk.roomServiceTable.insert(QStringLiteral("101"), recordWithTechnicians(QStringLiteral("5/A/0/0/")));
        bool unrecognised = true;

        RoomServiceRequest request = RoomStates::requestForLamp(desk, QStringLiteral("102"), "空闲", &unrecognised);
        QCOMPARE(request.roomNumber, QStringLiteral("102"));
        QVERIFY(!request.inService);
        QVERIFY(!unrecognised);

        request = RoomStates::requestForLamp(desk, QStringLiteral("102"), " 入客 ", &unrecognised);
        QVERIFY(!request.inService);
        QVERIFY(!unrecognised);

        request = RoomStates::requestForLamp(desk, QStringLiteral("101"), "5 ", &unrecognised);
        QVERIFY(request.inService);
        QCOMPARE(request.record.technicianRows, QStringLiteral("5/A/0/0/"));
        QCOMPARE(request.record.massageClocks, 1);
        QVERIFY(!unrecognised);

        // A lamp showing a service for a room without a record: opened as an idle room.
        request = RoomStates::requestForLamp(desk, QStringLiteral("103"), "7 ", &unrecognised);
        QVERIFY(!request.inService);
        QVERIFY(unrecognised);
        // A record without technicians shows an empty lamp text, which still means in service.
        QCOMPARE(RoomStates::stateOfLampText(QString()), RoomState::InService);
    }

    // --- numbering rules --------------------------------------------------------------------

    void aNumberShownByAnyRoomOfAnyGroupIsRefused()
    {
        TestEnvironment env;
        writeGroup(1, 201);
        RoomBoard board(2);
        board.load(env.messages);
        const DeskState& desk = env.desk;

        QCOMPARE(board.numberChangeRefusal(0, 1, 999, desk), QString());
        QCOMPARE(board.numberChangeRefusal(0, 1, 105, desk), RoomBoard::DuplicateText); // same page
        QCOMPARE(board.numberChangeRefusal(0, 1, 201, desk), RoomBoard::DuplicateText); // other page
        QCOMPARE(board.numberChangeRefusal(0, 1, 101, desk), RoomBoard::DuplicateText); // its own
        QCOMPARE(RoomBoard::DuplicateText, QStringLiteral("已经有这个房间编号了,请更改为其它!"));
        QVERIFY(board.hasOwnNumber(0, 1));
    }

    void aRoomInUseKeepsItsNumber()
    {
        TestEnvironment env;
        RoomBoard board(1);
        board.load(env.messages);
        env.desk.guestInRooms.insert(QStringLiteral("101"));
        env.desk.roomServiceTable.insert(QStringLiteral("102"), recordWithTechnicians({}));
        QVERIFY(!board.isIdle(0, 1, env.desk));
        QVERIFY(!board.isIdle(0, 2, env.desk));
        QVERIFY(board.isIdle(0, 3, env.desk));
        QCOMPARE(board.numberChangeRefusal(0, 1, 999, env.desk), RoomBoard::RoomInUseText);
        QCOMPARE(board.numberChangeRefusal(0, 2, 999, env.desk), RoomBoard::RoomInUseText);
        QCOMPARE(board.numberChangeRefusal(0, 3, 999, env.desk), QString());
    }

    void unnumberedAndSharedNumbersAreNotARoomsOwn()
    {
        TestEnvironment env;
        writeGroup(1, 140); // room 1 of group 1 shares 140 with room 40 of group 0
        env.messages.clear();
        RoomBoard board(3);
        board.load(env.messages);
        QVERIFY(!board.hasOwnNumber(0, 40));
        QVERIFY(!board.hasOwnNumber(1, 1));
        QVERIFY(board.hasOwnNumber(1, 2));
        QVERIFY(!board.hasOwnNumber(2, 1)); // unread file: unnumbered
        QVERIFY(!board.hasOwnNumber(0, 41));
    }

    void quickNumbersRunFromStartToEnd_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<QList<int>>("unwanted");
        QTest::addColumn<QList<qint32>>("numbers");

        const auto range = [](int from, int to) {
            QList<qint32> numbers;
            for (int n = from; n <= to; ++n)
                numbers << n;
            return numbers;
        };
        QTest::newRow("101-120") << 101 << 120 << QList<int> {} << range(101, 120);
        QTest::newRow("1-999 numbers all 40") << 1 << 999 << QList<int> {} << range(1, 40);
        QTest::newRow("skips unwanted") << 101 << 110 << QList<int> { 104, 105, 110 }
                                        << QList<qint32> { 101, 102, 103, 106, 107, 108, 109 };
        QTest::newRow("unwanted start") << 1 << 3 << QList<int> { 1 } << QList<qint32> { 2, 3 };
        QTest::newRow("skips within 40 rooms")
            << 1 << 999 << QList<int> { 4, 13 } << (range(1, 3) + range(5, 12) + range(14, 42));
        QTest::newRow("0-1") << 0 << 1 << QList<int> {} << QList<qint32> { 0, 1 };
    }

    void quickNumbersRunFromStartToEnd()
    {
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(QList<int>, unwanted);
        QFETCH(QList<qint32>, numbers);
        QCOMPARE(RoomBoard::quickNumbers(start, end, unwanted), numbers);
    }

    void quickNumberingLeavesTheRestAndIsSavedAtOnce()
    {
        TestEnvironment env;
        RoomBoard board(1);
        board.load(env.messages);
        const QList<qint32> numbers = RoomBoard::quickNumbers(1, 999, {});
        QCOMPARE(board.quickNumberingRefusal(0, numbers, env.desk), QString());
        QVERIFY(board.applyQuickNumbering(0, numbers, env.messages));
        QCOMPARE(board.numberText(0, 40), QStringLiteral("40"));

        const QList<qint32> part = RoomBoard::quickNumbers(101, 120, {});
        QCOMPARE(board.quickNumberingRefusal(0, part, env.desk), QString());
        QVERIFY(board.applyQuickNumbering(0, part, env.messages));
        RoomBoard reread(1);
        reread.load(env.messages);
        QCOMPARE(reread.numberText(0, 1), QStringLiteral("101"));
        QCOMPARE(reread.numberText(0, 20), QStringLiteral("120"));
        QCOMPARE(reread.numberText(0, 21), QStringLiteral("21"));
        QCOMPARE(reread.numberText(0, 40), QStringLiteral("40"));
        QCOMPARE(reread.seatText(0, 8), QStringLiteral("4"));
    }

    void quickNumberingRefusesNumbersOfRoomsOutsideItsRange()
    {
        TestEnvironment env;
        writeGroup(1, 201);
        RoomBoard board(2);
        board.load(env.messages);
        // Rooms 21 to 40 of this page keep 121 to 140; giving 121 to room 1 would double it.
        QCOMPARE(board.quickNumberingRefusal(0, RoomBoard::quickNumbers(121, 130, {}), env.desk),
            QStringLiteral("房间编号121、122、123、124、125、126、127、128、129、130已被其它房间使用,请更改编号范围!"));
        // The other page holds 201 to 240.
        QCOMPARE(board.quickNumberingRefusal(0, RoomBoard::quickNumbers(195, 202, {}), env.desk),
            QStringLiteral("房间编号201、202已被其它房间使用,请更改编号范围!"));
        // Numbers of rooms that are renumbered themselves may be reused.
        QCOMPARE(board.quickNumberingRefusal(0, RoomBoard::quickNumbers(110, 149, {}), env.desk), QString());
        QCOMPARE(board.quickNumberingRefusal(1, RoomBoard::quickNumbers(202, 241, {}), env.desk), QString());
    }

    void quickNumberingRefusesToRenumberARoomInUse()
    {
        TestEnvironment env;
        RoomBoard board(1);
        board.load(env.messages);
        env.desk.guestInRooms.insert(QStringLiteral("103"));
        env.desk.roomServiceTable.insert(QStringLiteral("105"), recordWithTechnicians({}));
        QCOMPARE(board.quickNumberingRefusal(0, RoomBoard::quickNumbers(301, 340, {}), env.desk),
            QStringLiteral("房间103、105有客人或正在上钟,不能更改房间编号!"));
        // Rooms in use that keep their numbers do not stand in the way.
        QCOMPARE(board.quickNumberingRefusal(0, RoomBoard::quickNumbers(101, 140, {}), env.desk), QString());
        QCOMPARE(board.quickNumberingRefusal(0, RoomBoard::quickNumbers(501, 502, {}), env.desk), QString());
    }
};

QTEST_MAIN(RoomBoardTest)
#include "tst_roomboard.moc"
