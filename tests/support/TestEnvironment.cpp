#include "support/TestEnvironment.h"

#include "app/DataFolder.h"
#include "app/SettingFile.h"
#include "rooms/RoomNumbersFile.h"
#include "shell/FirstStart.h"
#include "skin/DialogKeyboard.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

std::unique_ptr<SettingPlace> TestSettingPlace(
    TestEnvironment::Settings kept, Database& database, const QString& folder)
{
    if (TestsOnServer())
        return MakeSettingPlace(database);
    if (kept == TestEnvironment::Settings::InRows)
        return std::make_unique<SettingRows>(database);
    return std::make_unique<SettingFolder>(folder);
}

} // namespace

bool TestsOnServer()
{
    return qEnvironmentVariable("TAVREL_TEST_ENGINE").compare(QLatin1String("postgres"), Qt::CaseInsensitive) == 0;
}

TestEnvironment::TestEnvironment(Settings kept)
    : m_server(TestsOnServer() ? std::make_unique<ServerFixture>() : nullptr)
    , printers(m_folder.filePath(QStringLiteral("print")))
    , session(database, clock)
    , m_settings(TestSettingPlace(kept, database, m_folder.path()))
    , settings(*m_settings)
    , services { database, session, messages, clock, printers, launcher, files, sound, settings }
{
    DialogKeyboard::install();
    m_ready = m_folder.isValid() && DataFolder::prepare(m_folder.path());
    if (m_ready && m_server) {
        if (!m_server->ok())
            qWarning("no server for the test's house: %s", qPrintable(m_server->error()));
        m_ready = m_server->ok() && database.createHouse(m_server->address());
        if (m_server->ok() && !m_ready)
            qWarning("cannot make the test's house on the server: %s", qPrintable(database.lastError()));
    } else if (m_ready) {
        m_ready = database.create(DataFolder::databasePath(m_folder.path()));
    }
    m_ready = m_ready && session.restore().ok();
    if (m_ready)
        m_ready = FirstStart::WriteDeliveredSettingFiles(settings, messages);
}

SqlResult TestEnvironment::sql(const QString& statement, const QVariantList& values)
{
    SqlResult result = database.exec(statement, values);
    if (!result.ok())
        qFatal("test set-up statement failed: %s: %s", qPrintable(statement), qPrintable(result.error));
    return result;
}

void TestEnvironment::addStaff(
    const QString& number, const QString& name, const QString& title, int restday, int workstatus)
{
    sql(QStringLiteral("INSERT INTO worksinfo (str1, str2, str9, restday, workstatus) VALUES (?, ?, ?, ?, ?)"),
        { number, name, title, restday, workstatus });
}

QString TestOutputPath(const QString& fileName)
{
    const QString folder
        = qEnvironmentVariable("TAVREL_TEST_OUTPUT", QDir::temp().filePath(QStringLiteral("tavrel-test-output")));
    QDir().mkpath(folder);
    return QDir(folder).filePath(fileName);
}

void WriteRoomGroup(SettingPlace& place, int group, int first)
{
    RoomNumbers rooms;
    for (int i = 0; i < RoomNumbers::RoomCount; ++i) {
        rooms.numbers[i] = first + i;
        rooms.seats[i] = 2;
    }
    ScriptedMessageService messages;
    if (!rooms.write(place, RoomNumbers::fileName(group), messages))
        qFatal("cannot write the room numbers of group %d", group);
}

void WriteGroupCount(SettingPlace& place, int count)
{
    ScriptedMessageService messages;
    if (!WriteSettingInt(place, GroupCountFile.toString(), count, messages))
        qFatal("cannot write the group count");
}

QByteArray SettingBytes(SettingPlace& place, const QString& name)
{
    SilentMessages silent;
    return place.read(name, 1 << 20, silent).value_or(QByteArray());
}

void AddSettingPlaceRows()
{
    QTest::addColumn<int>("kept");
    QTest::newRow("files") << static_cast<int>(TestEnvironment::Settings::InFolder);
    QTest::newRow("rows") << static_cast<int>(TestEnvironment::Settings::InRows);
}

QByteArray FileBytes(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
