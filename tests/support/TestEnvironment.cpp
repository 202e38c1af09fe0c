#include "support/TestEnvironment.h"

#include "app/DataFolder.h"

#include <QDir>

TestEnvironment::TestEnvironment()
    : printers(m_folder.filePath(QStringLiteral("print")))
    , services { database, desk, messages, clock, printers, launcher }
{
    m_ready = m_folder.isValid() && DataFolder::prepare(m_folder.path())
        && database.create(DataFolder::databasePath(m_folder.path()));
    if (m_ready)
        DataFolder::writeDeliveredSettingFiles(messages);
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
