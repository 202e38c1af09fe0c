#include "support/TestEnvironment.h"

#include "app/DataFolder.h"
#include "app/SettingFile.h"
#include "rooms/RoomNumbersFile.h"
#include "shell/FirstStart.h"
#include "skin/DialogKeyboard.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
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
    , services { database, session, messages, clock, printers, launcher, files, sound, speech, settings, slips }
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

namespace {

// The set-up statements of the tests are written as SQLite takes them; on a server the few
// that differ are spelled for it here: a trigger that refuses a write (RAISE(ABORT, ...))
// becomes a function raising the same text, a trigger is dropped from its table, and what a
// server cannot prepare (transaction control, definitions) runs as written.
SqlResult ServerSetUp(Database& database, const QString& statement)
{
    static const QRegularExpression refusing(
        QStringLiteral(
            R"(^CREATE (?:TEMP )?TRIGGER (\w+) (.*?)(?: WHEN (.*?))? BEGIN SELECT RAISE\(ABORT, '(.*)'\); END$)"),
        QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression dropping(QStringLiteral(R"(^DROP TRIGGER (\w+)$)"));
    const QString text = statement.simplified();
    if (const QRegularExpressionMatch match = refusing.match(text); match.hasMatch()) {
        const QString name = match.captured(1);
        QString event = match.captured(2);
        event.replace(QStringLiteral(" main."), QStringLiteral(" "));
        SqlResult made = database.execAsWritten(
            QStringLiteral("CREATE OR REPLACE FUNCTION %1_refuses() RETURNS trigger LANGUAGE plpgsql AS "
                           "$refuses$ BEGIN RAISE EXCEPTION '%', $message$%2$message$; END $refuses$")
                .arg(name, match.captured(4)));
        if (!made.ok())
            return made;
        const QString when
            = match.captured(3).isEmpty() ? QString() : QStringLiteral(" WHEN (%1)").arg(match.captured(3));
        return database.execAsWritten(
            QStringLiteral("CREATE TRIGGER %1 %2 FOR EACH ROW%3 EXECUTE FUNCTION %1_refuses()").arg(name, event, when));
    }
    if (const QRegularExpressionMatch match = dropping.match(text); match.hasMatch()) {
        const QVariant table
            = database.scalar(QStringLiteral("SELECT tgrelid::regclass::text FROM pg_trigger WHERE tgname = lower(?)"),
                { match.captured(1) });
        return database.execAsWritten(QStringLiteral("DROP TRIGGER %1 ON %2").arg(match.captured(1), table.toString()));
    }
    return database.execAsWritten(statement);
}

bool NeedsServerSpelling(const Database& database, const QString& statement, const QVariantList& values)
{
    static const QRegularExpression prepared(
        QStringLiteral(R"(^\s*(SELECT|INSERT|UPDATE|DELETE|WITH)\b)"), QRegularExpression::CaseInsensitiveOption);
    return !database.dialect().isSqlite() && values.isEmpty() && !prepared.match(statement).hasMatch();
}

} // namespace

SqlResult TestEnvironment::sql(const QString& statement, const QVariantList& values)
{
    SqlResult result = NeedsServerSpelling(database, statement, values) ? ServerSetUp(database, statement)
                                                                        : database.exec(statement, values);
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

bool RemoveSetting(TestEnvironment& env, const QString& name)
{
    if (!env.server() && !dynamic_cast<SettingRows*>(&env.settings))
        return QFile::remove(env.filePath(name));
    const SqlResult removed = env.database.exec(QStringLiteral("DELETE FROM setting_file WHERE name=?"), { name });
    return removed.ok() && removed.rowsAffected == 1;
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

QString JoinedRows(Database& database, const QString& sql, const QVariantList& values, const QString& separator)
{
    const SqlResult result = database.exec(sql, values);
    if (!result.ok())
        qFatal("%s: %s", qPrintable(sql), qPrintable(result.error));
    QStringList rows;
    for (const QSqlRecord& row : result.rows) {
        QString text;
        for (int i = 0; i < row.count(); ++i)
            text += row.value(i).toString();
        rows << text;
    }
    return rows.join(separator);
}

QString StoredTypeOf(const QString& column)
{
    return TestsOnServer() ? QStringLiteral("pg_typeof(%1)::text").arg(column)
                           : QStringLiteral("typeof(%1)").arg(column);
}
