#include "support/TestEnvironment.h"

#include "app/DataFolder.h"
#include "app/SettingFile.h"
#include "rooms/RoomNumbersFile.h"
#include "shell/FirstStart.h"
#include "skin/DialogKeyboard.h"

#include <QDir>
#include <QFile>

TestEnvironment::TestEnvironment()
    : printers(m_folder.filePath(QStringLiteral("print")))
    , session(database, clock)
    , services { database, session, messages, clock, printers, launcher, files, sound }
{
    DialogKeyboard::install();
    m_ready = m_folder.isValid() && DataFolder::prepare(m_folder.path())
        && database.create(DataFolder::databasePath(m_folder.path())) && session.restore().ok();
    if (m_ready)
        FirstStart::WriteDeliveredSettingFiles(messages);
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

void WriteRoomGroup(int group, int first)
{
    RoomNumbers rooms;
    for (int i = 0; i < RoomNumbers::RoomCount; ++i) {
        rooms.numbers[i] = first + i;
        rooms.seats[i] = 2;
    }
    ScriptedMessageService messages;
    if (!rooms.write(RoomNumbers::fileName(group), messages))
        qFatal("cannot write the room numbers of group %d", group);
}

void WriteGroupCount(int count)
{
    ScriptedMessageService messages;
    if (!WriteSettingInt(GroupCountFile.toString(), count, messages))
        qFatal("cannot write the group count");
}

QByteArray FileBytes(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
