#include "app/LeadingNumber.h"
#include "app/RowText.h"
#include "app/SettingFile.h"
#include "rooms/LampText.h"
#include "rooms/RoomBoard.h"
#include "rooms/RoomState.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QtTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(RoomState)

namespace {

// Technician lines from their text form (number, name, massage clocks, foot-wash clocks).
QList<TechnicianLine> technicianLines(const QString& rows)
{
    QList<TechnicianLine> lines;
    for (const QStringList& row : RowText::toRows(rows, 4))
        lines.append({ row[0], row[1], LeadingInt(row[2]), LeadingInt(row[3]), false });
    return lines;
}

OpenBill billWithTechnicians(const QString& rows)
{
    OpenBill bill;
    bill.startTime = QDateTime(QDate(2026, 12, 7), QTime(10, 0));
    bill.massageClocks = 1;
    bill.technicians = technicianLines(rows);
    bill.goods = { { QStringLiteral("可乐"), 1, QStringLiteral("5.00"), QStringLiteral("瓶") } };
    return bill;
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

    void aMissingFileIsReportedAndLeavesTheRoomsUnnumbered_data() { AddSettingPlaceRows(); }

    void aMissingFileIsReportedAndLeavesTheRoomsUnnumbered()
    {
        QFETCH(int, kept);
        TestEnvironment env { TestEnvironment::Settings(kept) };
        QVERIFY(env.isReady());
        env.messages.clear();
        RoomBoard board(env.settings, 2); // the delivered installation has pagesel0.dat only
        board.load(env.messages);
        QCOMPARE(env.messages.texts(), QStringList { QStringLiteral("打开一个二进制文件失败!") });
        QCOMPARE(board.numberText(0, 1), QStringLiteral("101"));
        QCOMPARE(board.seatText(0, 8), QStringLiteral("4"));
        QCOMPARE(board.numberText(1, 1), QStringLiteral("000"));
        QCOMPARE(board.numberText(1, 40), QStringLiteral("000"));
        QCOMPARE(board.seatText(1, 1), QStringLiteral("0"));
        QVERIFY(!env.settings.holds(QStringLiteral("pagesel1.dat")));

        // Saving creates the file; read back, the unnumbered rooms show 0.
        QVERIFY(board.save(1, env.messages));
        QCOMPARE(SettingBytes(env.settings, QStringLiteral("pagesel1.dat")), QByteArray(320, '\0'));
        RoomBoard again(env.settings, 2);
        again.load(env.messages);
        QCOMPARE(again.numberText(1, 1), QStringLiteral("0"));
    }

    void aShortFileLeavesTheMissingValuesZero_data() { AddSettingPlaceRows(); }

    void aShortFileLeavesTheMissingValuesZero()
    {
        QFETCH(int, kept);
        TestEnvironment env { TestEnvironment::Settings(kept) };
        QVERIFY(env.settings.write(
            QStringLiteral("pagesel0.dat"), QByteArray("\x07\x00\x00\x00\x2c\x01\x00\x00\x09", 9), env.messages));
        env.messages.clear();
        RoomBoard board(env.settings, 1);
        board.load(env.messages);
        QVERIFY(env.messages.shown().isEmpty());
        QCOMPARE(board.numberText(0, 1), QStringLiteral("7"));
        QCOMPARE(board.numberText(0, 2), QStringLiteral("300"));
        QCOMPARE(board.numberText(0, 3), QStringLiteral("9")); // its missing bytes count 0
        QCOMPARE(board.numberText(0, 4), QStringLiteral("0"));
        QCOMPARE(board.seatText(0, 1), QStringLiteral("0"));
    }

    void numbersAndSeatsRoundTripAsLittleEndianIntegers_data() { AddSettingPlaceRows(); }

    void numbersAndSeatsRoundTripAsLittleEndianIntegers()
    {
        QFETCH(int, kept);
        TestEnvironment env { TestEnvironment::Settings(kept) };
        RoomBoard board(env.settings, 1);
        board.load(env.messages);
        QVERIFY(board.setNumber(0, 2, 70000, env.messages));
        QVERIFY(board.setSeats(0, 40, 6, env.messages));

        // Written at once, not only when the desk closes: a crash right after keeps the change.
        const QByteArray bytes = SettingBytes(env.settings, QStringLiteral("pagesel0.dat"));
        QCOMPARE(bytes.size(), 320);
        QCOMPARE(bytes.mid(4, 4), QByteArray("\x70\x11\x01\x00", 4)); // room 2: 70000
        QCOMPARE(bytes.mid(0, 4), QByteArray("\x65\x00\x00\x00", 4)); // room 1: 101
        QCOMPARE(bytes.mid(160 + 39 * 4, 4), QByteArray("\x06\x00\x00\x00", 4)); // seats of room 40

        RoomBoard reread(env.settings, 1);
        reread.load(env.messages);
        QCOMPARE(reread.numberText(0, 2), QStringLiteral("70000"));
        QCOMPARE(reread.seatText(0, 40), QStringLiteral("6"));
        QCOMPARE(reread.numberText(0, 3), QStringLiteral("103"));
    }

    void aFileThatCannotBeWrittenIsReported()
    {
        TAVREL_SKIP_ON_SERVER("a folder in a file's way is an obstacle of the data folder; a server keeps rows");
        TestEnvironment env;
        RoomBoard board(env.settings, 2);
        board.load(env.messages);
        QVERIFY(QDir().mkdir(QStringLiteral("pagesel1.dat"))); // a folder stands in its way
        env.messages.clear();
        QVERIFY(!board.setNumber(1, 1, 201, env.messages));
        QCOMPARE(env.messages.texts(), QStringList { QStringLiteral("创建一个二进制文件失败!") });
        QCOMPARE(board.numberText(1, 1), QStringLiteral("201")); // kept for the save at the end
        QVERIFY(QFileInfo(QStringLiteral("pagesel1.dat")).isDir());
    }

    // --- the room state rule ----------------------------------------------------------------

    // --- lamp text ----------------------------------------------------------------------------

    void aLampShowsEveryNumberThatFits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QSize>("area");
        QTest::addColumn<QStringList>("extraLines");
        QTest::addColumn<bool>("complete");
        QTest::newRow("idle") << u"空闲"_s << QSize(40, 38) << QStringList() << true;
        QTest::newRow("four technicians, smallest lamp")
            << u"11 *08 07 09 "_s << QSize(40, 38) << QStringList() << true;
        QTest::newRow("four long numbers") << u"1001 1002 1003 1004 "_s << QSize(50, 46) << QStringList() << true;
        QTest::newRow("with a line of minutes")
            << u"11 08 07 09 "_s << QSize(40, 38) << QStringList { u"45分"_s } << true;
        QTest::newRow("a number wider than the lamp")
            << u"ABCDEFGHIJKLMNOPQRST"_s << QSize(40, 38) << QStringList() << false;
        QTest::newRow("more numbers than lines") << u"01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16 17 18 19 20"_s
                                                 << QSize(30, 18) << QStringList { u"45分"_s } << false;
    }

    void aLampShowsEveryNumberThatFits()
    {
        QFETCH(QString, text);
        QFETCH(QSize, area);
        QFETCH(QStringList, extraLines);
        QFETCH(bool, complete);
        QFont font(u"宋体"_s);
        font.setPixelSize(13);
        const LampText shown = LampText::fit(text, area, font, extraLines);
        QCOMPARE(shown.complete, complete);
        QVERIFY(shown.font.pixelSize() >= LampText::MinimumPixelSize && shown.font.pixelSize() <= 13);
        const QFontMetrics metrics(shown.font);
        for (const QString& line : shown.lines)
            QVERIFY2(metrics.horizontalAdvance(line) <= area.width(), qPrintable(line));
        // The extra lines stay, last.
        QCOMPARE(shown.lines.mid(shown.lines.size() - extraLines.size()), extraLines);
        const QStringList numberLines = shown.lines.mid(0, shown.lines.size() - extraLines.size());
        if (complete) {
            QVERIFY(shown.lines.size() * LampText::lineHeight(shown.font) <= area.height());
            QCOMPARE(numberLines.join(u' ').split(u' '), text.split(u' ', Qt::SkipEmptyParts));
        } else {
            QVERIFY(numberLines.join(QString()).contains(LampText::Ellipsis));
            QCOMPARE(shown.font.pixelSize(), LampText::MinimumPixelSize);
        }
    }

    void technicianNumbersAreTheFirstCellOfEveryRow_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("numbers");
        QTest::newRow("none") << u""_s << u""_s;
        QTest::newRow("one") << u"5/小红/0/0/"_s << u"5 "_s;
        QTest::newRow("two in text order") << u"8/B/1/0/5/A/0/2/"_s << u"8 5 "_s;
        QTest::newRow("incomplete row dropped") << u"8/B/1/0/5/A/"_s << u"8 "_s;
        QTest::newRow("released at checkout") << u"*8/B/1/0/5/A/0/2/"_s << u"*8 5 "_s;
    }

    void technicianNumbersAreTheFirstCellOfEveryRow()
    {
        QFETCH(QString, rows);
        QFETCH(QString, numbers);
        OpenBill bill;
        bill.technicians = technicianLines(rows);
        for (TechnicianLine& line : bill.technicians) {
            line.released = line.number.startsWith(u'*');
            line.number.remove(u'*');
        }
        QCOMPARE(RoomStates::technicianNumbers(bill), numbers);
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
        QTest::newRow("idle, OK, guest in") << idle << false << true << false << guest << u"入客"_s;
        QTest::newRow("idle, OK, service") << idle << false << true << true << busy << u"9 "_s;
        QTest::newRow("guest, OK, service") << guest << false << true << true << busy << u"9 "_s;
        QTest::newRow("guest, OK, guest kept") << guest << false << true << false << guest << u"入客"_s;
        QTest::newRow("guest, voided") << guest << true << true << false << idle << u"空闲"_s;
        QTest::newRow("service, OK") << busy << false << true << true << busy << u"9 "_s;
        QTest::newRow("service, OK, 入客 chosen") << busy << false << true << false << busy << u"9 "_s;
        QTest::newRow("service, settled, Esc") << busy << true << false << false << idle << u"空闲"_s;
        QTest::newRow("service, voided") << busy << true << true << false << idle << u"空闲"_s;
        QTest::newRow("idle, Esc") << idle << false << false << true << idle << u"空闲"_s;
        QTest::newRow("guest, Esc") << guest << false << false << true << guest << u"入客"_s;
        QTest::newRow("service, Esc") << busy << false << false << true << busy << u"5 "_s;
    }

    void theEndOfTheServiceDialogDecidesTheState()
    {
        QFETCH(RoomState, before);
        QFETCH(bool, closed);
        QFETCH(bool, accepted);
        QFETCH(bool, inService);
        QFETCH(RoomState, after);
        QFETCH(QString, lamp);

        TestEnvironment env;
        DeskSession& session = env.session;
        const QString room = QStringLiteral("108");
        const OpenBill old = billWithTechnicians(QStringLiteral("5/A/0/0/"));
        QVERIFY(session.markGuestIn(QStringLiteral("109")).ok()); // other rooms stay as they are
        if (before == RoomState::GuestIn)
            QVERIFY(session.markGuestIn(room).ok());
        if (before == RoomState::InService)
            QVERIFY(session.openBill(room, old).ok());
        QCOMPARE(session.roomState(room), before);

        RoomServiceOutcome outcome;
        outcome.closed = closed;
        outcome.accepted = accepted;
        outcome.inService = inService;
        outcome.bill.startTime = QDateTime(QDate(2026, 12, 7), QTime(11, 30));
        outcome.bill.technicians = technicianLines(QStringLiteral("9/C/0/0/"));
        outcome.bill.goods = { { QStringLiteral("茶"), 2, QStringLiteral("8.00"), QStringLiteral("杯") } };
        // The dialog reads its count boxes by their leading number.
        outcome.bill.massageClocks = LeadingInt(u"3");
        outcome.bill.footWashClocks = LeadingInt(u"12钟");
        outcome.bill.pedicureCount = LeadingInt(u"x");

        QVERIFY(RoomStates::applyOutcome(session, room, outcome).ok());
        QCOMPARE(session.roomState(room), after);
        QCOMPARE(RoomStates::lampText(session, room), lamp);
        QCOMPARE(RoomStates::stateOfLampText(lamp), after);
        QVERIFY(session.guestInRooms().contains(QStringLiteral("109")));
        QCOMPARE(session.bill(room).has_value(), after == RoomState::InService);
        QCOMPARE(session.guestInRooms().contains(room), after == RoomState::GuestIn);

        if (after == RoomState::InService && accepted) {
            const OpenBill bill = *session.bill(room);
            QCOMPARE(bill.technicians, outcome.bill.technicians);
            QCOMPARE(bill.goods, outcome.bill.goods);
            QCOMPARE(bill.massageClocks, 3);
            QCOMPARE(bill.footWashClocks, 12);
            QCOMPARE(bill.pedicureCount, 0);
            // An existing bill keeps its start; a new one starts when the dialog said.
            QCOMPARE(bill.startTime, before == RoomState::InService ? old.startTime : outcome.bill.startTime);
        }
        if (after == RoomState::InService && !accepted)
            QCOMPARE(session.bill(room)->technicians, old.technicians);
    }

    void aLampClickAsksForTheBillOfARoomInService()
    {
        TestEnvironment env;
        DeskSession& session = env.session;
        QVERIFY(session.openBill(QStringLiteral("101"), billWithTechnicians(QStringLiteral("5/A/0/0/"))).ok());
        bool unrecognised = true;

        RoomServiceRequest request
            = RoomStates::requestForLamp(session, QStringLiteral("102"), u"空闲"_s, &unrecognised);
        QCOMPARE(request.roomNumber, QStringLiteral("102"));
        QVERIFY(!request.inService);
        QVERIFY(!unrecognised);

        request = RoomStates::requestForLamp(session, QStringLiteral("102"), u" 入客 "_s, &unrecognised);
        QVERIFY(!request.inService);
        QVERIFY(!unrecognised);

        request = RoomStates::requestForLamp(session, QStringLiteral("101"), u"5 "_s, &unrecognised);
        QVERIFY(request.inService);
        QCOMPARE(request.bill.technicians, technicianLines(QStringLiteral("5/A/0/0/")));
        QCOMPARE(request.bill.massageClocks, 1);
        QVERIFY(!unrecognised);

        // A lamp showing a service for a room without a bill: opened as an idle room.
        request = RoomStates::requestForLamp(session, QStringLiteral("103"), u"7 "_s, &unrecognised);
        QVERIFY(!request.inService);
        QVERIFY(unrecognised);
        // A bill without technicians shows an empty lamp text, which still means in service.
        QCOMPARE(RoomStates::stateOfLampText(QString()), RoomState::InService);
    }

    // --- numbering rules --------------------------------------------------------------------

    void aNumberShownByAnyRoomOfAnyGroupIsRefused()
    {
        TestEnvironment env;
        WriteRoomGroup(env.settings, 1, 201);
        RoomBoard board(env.settings, 2);
        board.load(env.messages);
        const DeskSession& desk = env.session;

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
        RoomBoard board(env.settings, 1);
        board.load(env.messages);
        QVERIFY(env.session.markGuestIn(QStringLiteral("101")).ok());
        QVERIFY(env.session.openBill(QStringLiteral("102"), billWithTechnicians({})).ok());
        QVERIFY(!board.isIdle(0, 1, env.session));
        QVERIFY(!board.isIdle(0, 2, env.session));
        QVERIFY(board.isIdle(0, 3, env.session));
        QCOMPARE(board.numberChangeRefusal(0, 1, 999, env.session), RoomBoard::RoomInUseText);
        QCOMPARE(board.numberChangeRefusal(0, 2, 999, env.session), RoomBoard::RoomInUseText);
        QCOMPARE(board.numberChangeRefusal(0, 3, 999, env.session), QString());
    }

    void unnumberedAndSharedNumbersAreNotARoomsOwn()
    {
        TestEnvironment env;
        WriteRoomGroup(env.settings, 1, 140); // room 1 of group 1 shares 140 with room 40 of group 0
        env.messages.clear();
        RoomBoard board(env.settings, 3);
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
        RoomBoard board(env.settings, 1);
        board.load(env.messages);
        const QList<qint32> numbers = RoomBoard::quickNumbers(1, 999, {});
        QCOMPARE(board.quickNumberingRefusal(0, numbers, env.session), QString());
        QVERIFY(board.applyQuickNumbering(0, numbers, env.messages));
        QCOMPARE(board.numberText(0, 40), QStringLiteral("40"));

        const QList<qint32> part = RoomBoard::quickNumbers(101, 120, {});
        QCOMPARE(board.quickNumberingRefusal(0, part, env.session), QString());
        QVERIFY(board.applyQuickNumbering(0, part, env.messages));
        RoomBoard reread(env.settings, 1);
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
        WriteRoomGroup(env.settings, 1, 201);
        RoomBoard board(env.settings, 2);
        board.load(env.messages);
        // Rooms 21 to 40 of this page keep 121 to 140; giving 121 to room 1 would double it.
        QCOMPARE(board.quickNumberingRefusal(0, RoomBoard::quickNumbers(121, 130, {}), env.session),
            QStringLiteral("房间编号121、122、123、124、125、126、127、128、129、130已被其它房间使用,请更改编号范围!"));
        // The other page holds 201 to 240.
        QCOMPARE(board.quickNumberingRefusal(0, RoomBoard::quickNumbers(195, 202, {}), env.session),
            QStringLiteral("房间编号201、202已被其它房间使用,请更改编号范围!"));
        // Numbers of rooms that are renumbered themselves may be reused.
        QCOMPARE(board.quickNumberingRefusal(0, RoomBoard::quickNumbers(110, 149, {}), env.session), QString());
        QCOMPARE(board.quickNumberingRefusal(1, RoomBoard::quickNumbers(202, 241, {}), env.session), QString());
    }

    void quickNumberingRefusesToRenumberARoomInUse()
    {
        TestEnvironment env;
        RoomBoard board(env.settings, 1);
        board.load(env.messages);
        QVERIFY(env.session.markGuestIn(QStringLiteral("103")).ok());
        QVERIFY(env.session.openBill(QStringLiteral("105"), billWithTechnicians({})).ok());
        QCOMPARE(board.quickNumberingRefusal(0, RoomBoard::quickNumbers(301, 340, {}), env.session),
            QStringLiteral("房间103、105有客人或正在上钟,不能更改房间编号!"));
        // Rooms in use that keep their numbers do not stand in the way.
        QCOMPARE(board.quickNumberingRefusal(0, RoomBoard::quickNumbers(101, 140, {}), env.session), QString());
        QCOMPARE(board.quickNumberingRefusal(0, RoomBoard::quickNumbers(501, 502, {}), env.session), QString());
    }
};

QTEST_MAIN(RoomBoardTest)
#include "tst_roomboard.moc"
