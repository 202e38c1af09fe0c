#include "app/Database.h"
#include "app/SettingFile.h"
#include "app/SettingPlace.h"
#include "app/SqlTransaction.h"
#include "support/ScriptedMessageService.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString ReadFailed = u"打开一个二进制文件失败!"_s;
const QString WriteFailed = u"创建一个二进制文件失败!"_s;

// Every byte value, 0x00 and 0xFF at both ends, as long as a group's room file.
QByteArray RoomFileBytes()
{
    QByteArray bytes(320, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i % 256);
    bytes[0] = '\xff';
    bytes[319] = '\0';
    return bytes;
}

int StoredRows(TestEnvironment& env)
{
    return env.sql(u"SELECT count(*) FROM setting_file"_s).first().value(0).toInt();
}

} // namespace

// The two places of the house's settings, the folder's files and the rows of setting_file:
// both give back exactly the bytes written, say the same when a setting is missing or cannot
// be written, and a row written inside a transaction goes with it.
class SettingPlaceTest : public QObject
{
    Q_OBJECT

private slots:
    void bothPlacesGiveBackExactlyTheBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("no bytes") << QByteArray();
        QTest::newRow("an empty array") << QByteArray("", 0);
        QTest::newRow("one zero byte") << QByteArray(1, '\0');
        QTest::newRow("a count") << PackInt32List({ -2 });
        QTest::newRow("a group of rooms, 0x00 to 0xFF") << RoomFileBytes();
        QTest::newRow("all 0xFF") << QByteArray(40, '\xff');
    }

    void bothPlacesGiveBackExactlyTheBytes()
    {
        QFETCH(QByteArray, bytes);
        TestEnvironment env;
        QVERIFY(env.isReady());
        SettingRows rows(env.database);
        SettingFolder folder(env.folder());
        for (SettingPlace* place : { static_cast<SettingPlace*>(&rows), static_cast<SettingPlace*>(&folder) }) {
            QVERIFY(place->write(u"pagesel3.dat"_s, bytes, env.messages));
            QVERIFY(place->holds(u"pagesel3.dat"_s));
            const std::optional<QByteArray> read = place->read(u"pagesel3.dat"_s, 1000, env.messages);
            QVERIFY(read);
            QCOMPARE(*read, bytes);
            // At most the size asked for.
            QCOMPARE(place->read(u"pagesel3.dat"_s, 4, env.messages).value(), bytes.left(4));
        }
        QCOMPARE(FileBytes(env.filePath(u"pagesel3.dat"_s)), bytes);
        QCOMPARE(
            env.sql(u"SELECT length(bytes) FROM setting_file WHERE name='pagesel3.dat'"_s).first().value(0).toInt(),
            bytes.size());
        QVERIFY(env.messages.shown().isEmpty());

        // Written again, the row is replaced, not doubled.
        QVERIFY(rows.write(u"pagesel3.dat"_s, bytes + "x", env.messages));
        QCOMPARE(rows.read(u"pagesel3.dat"_s, 1000, env.messages).value(), bytes + "x");
        QCOMPARE(env.sql(u"SELECT count(*) FROM setting_file WHERE name='pagesel3.dat'"_s).first().value(0).toInt(), 1);
    }

    void aMissingRowIsAMissingFile()
    {
        TestEnvironment env(TestEnvironment::Settings::InRows);
        QVERIFY(env.isReady());
        env.messages.clear();
        SettingRows rows(env.database);
        QVERIFY(!rows.holds(u"clock.nnf"_s));
        QVERIFY(!rows.read(u"clock.nnf"_s, 12, env.messages));
        QCOMPARE(env.messages.texts(), QStringList { ReadFailed });
        QCOMPARE(ReadSettingInt(rows, u"absent.daf"_s, env.messages), 0);
        QCOMPARE(env.messages.texts(), QStringList(2, ReadFailed));

        // An empty row gives 0 without a word, as an empty file does; a short one pads with 0.
        env.messages.clear();
        QVERIFY(rows.write(u"empty.daf"_s, {}, env.messages));
        QCOMPARE(ReadSettingInt(rows, u"empty.daf"_s, env.messages), 0);
        QVERIFY(rows.write(u"short.daf"_s, QByteArray("\x03\x01", 2), env.messages));
        QCOMPARE(ReadSettingInt(rows, u"short.daf"_s, env.messages), 0x0103);
        QVERIFY(WriteSettingInt(rows, u"count.daf"_s, -2, env.messages));
        QCOMPARE(rows.read(u"count.daf"_s, 4, env.messages).value(), QByteArray("\xfe\xff\xff\xff", 4));
        QVERIFY(env.messages.shown().isEmpty());
    }

    // A desk on rows starts as a new installation does on files: the delivered settings are
    // written to rows, and none to the folder.
    void theDeliveredSettingsGoToTheHousesPlace()
    {
        TestEnvironment files;
        TestEnvironment rows(TestEnvironment::Settings::InRows);
        QVERIFY(files.isReady());
        QVERIFY(rows.isReady());
        // A house on a server keeps its settings in rows whichever place was asked for.
        const bool server = files.server() != nullptr;
        QCOMPARE(StoredRows(files), server ? 3 : 0);
        QCOMPARE(StoredRows(rows), 3);
        for (const QString& name : { GroupCountFile.toString(), u"pagesel0.dat"_s, u"sys.nnf"_s }) {
            QCOMPARE(QFile::exists(files.filePath(name)), !server);
            QVERIFY(!QFile::exists(rows.filePath(name)));
            QCOMPARE(SettingBytes(rows.settings, name), SettingBytes(files.settings, name));
        }
        QVERIFY(files.messages.shown().isEmpty());
        QVERIFY(rows.messages.shown().isEmpty());
    }

    void aWriteJoinsTheOpenTransaction()
    {
        TestEnvironment env(TestEnvironment::Settings::InRows);
        QVERIFY(env.isReady());
        SettingPlace& rows = env.settings;
        QVERIFY(rows.write(u"sys.nnf"_s, "old", env.messages));
        {
            SqlTransaction transaction(env.database);
            QVERIFY(transaction.isActive());
            QVERIFY(rows.write(u"sys.nnf"_s, "new", env.messages));
            QVERIFY(rows.write(u"clock.nnf"_s, "made", env.messages));
            QCOMPARE(rows.read(u"sys.nnf"_s, 40, env.messages).value(), QByteArray("new"));
            // Left without a commit: rolled back.
        }
        QCOMPARE(rows.read(u"sys.nnf"_s, 40, env.messages).value(), QByteArray("old"));
        QVERIFY(!rows.holds(u"clock.nnf"_s));
        QVERIFY(env.messages.shown().isEmpty());

        SqlTransaction transaction(env.database);
        QVERIFY(rows.write(u"sys.nnf"_s, "new", env.messages));
        QVERIFY(transaction.commit());
        QCOMPARE(rows.read(u"sys.nnf"_s, 40, env.messages).value(), QByteArray("new"));
    }

    // A row the database refuses to change is reported as a file that cannot be written, and
    // keeps its bytes; inside a transaction the failure leaves the transaction usable.
    void aRefusedWriteKeepsTheOldBytes()
    {
        TestEnvironment env(TestEnvironment::Settings::InRows);
        QVERIFY(env.isReady());
        SettingPlace& rows = env.settings;
        const QByteArray before = SettingBytes(rows, GroupCountFile.toString());
        QCOMPARE(before, PackInt32List({ 1 }));
        env.sql(u"CREATE TRIGGER setting_kept BEFORE UPDATE ON setting_file BEGIN SELECT RAISE(ABORT, 'no'); END"_s);
        env.messages.clear();
        QVERIFY(!WriteSettingInt(rows, GroupCountFile.toString(), 4, env.messages));
        QCOMPARE(env.messages.texts(), QStringList { WriteFailed });
        QCOMPARE(SettingBytes(rows, GroupCountFile.toString()), before);

        SqlTransaction transaction(env.database);
        QVERIFY(!WriteSettingInt(rows, GroupCountFile.toString(), 4, env.messages));
        QVERIFY(rows.write(u"clock.nnf"_s, PackInt32List({ 45, 60, 5 }), env.messages)); // a new row
        QVERIFY(transaction.commit());
        QCOMPARE(SettingBytes(rows, GroupCountFile.toString()), before);
        QCOMPARE(SettingBytes(rows, u"clock.nnf"_s), PackInt32List({ 45, 60, 5 }));
    }

    // The desk's own place: the folder (the current directory) while the database is a file.
    void theDeskOnAFileKeepsItsFiles()
    {
        TAVREL_SKIP_ON_SERVER("a desk on a server keeps no settings in its folder");
        TestEnvironment env;
        QVERIFY(env.isReady());
        QVERIFY(QDir::setCurrent(env.folder()));
        const std::unique_ptr<SettingPlace> place = MakeSettingPlace(env.database);
        QVERIFY(place->write(u"clock.nnf"_s, PackInt32List({ 50, 60, 5 }), env.messages));
        QCOMPARE(FileBytes(env.filePath(u"clock.nnf"_s)), PackInt32List({ 50, 60, 5 }));
        QCOMPARE(place->read(GroupCountFile.toString(), 4, env.messages).value(), PackInt32List({ 1 }));
        QCOMPARE(StoredRows(env), 0);
        QVERIFY(QDir::setCurrent(QDir::tempPath()));
    }

    // The table is part of the schema: a new file has it, and a file of the version before is
    // given it when it is opened, its data kept.
    void theTableComesWithTheSchema()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(u"data.db"_s);
        {
            Database older;
            QVERIFY(older.create(path, 9));
            QVERIFY(!older.exec(u"SELECT count(*) FROM setting_file"_s).ok());
            older.close();
        }
        Database database;
        QVERIFY2(database.open(path), qPrintable(database.lastError()));
        QCOMPARE(database.schemaVersion(nullptr), Database::SchemaVersion);
        ScriptedMessageService messages;
        SettingRows rows(database);
        QVERIFY(rows.write(u"HouNum.daf"_s, PackInt32List({ 2 }), messages));
        QCOMPARE(ReadSettingInt(rows, u"HouNum.daf"_s, messages), 2);
        QVERIFY(messages.shown().isEmpty());
    }
};

QTEST_MAIN(SettingPlaceTest)
#include "tst_settingplace.moc"
