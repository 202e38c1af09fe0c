#include "support/ServerFixture.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>

#include <atomic>

namespace {

std::atomic<int> fixturesMade { 0 };

QString connectionError(const QSqlDatabase& connection)
{
    return connection.lastError().text();
}

} // namespace

Outcome<ServerAddress> ServerFixture::givenServer()
{
    const QString url = qEnvironmentVariable(EnvironmentVariable);
    if (url.isEmpty())
        return Refusal { QStringLiteral("no PostgreSQL server for this test: %1 is not set "
                                        "(make test starts one, see scripts/test-with-server.sh)")
                             .arg(QLatin1String(EnvironmentVariable)) };
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return Refusal { QStringLiteral("no PostgreSQL server for this test: Qt's QPSQL driver is missing "
                                        "(libqt6sql6-psql)") };
    Outcome<ServerAddress> address = ServerAddress::parse(url);
    if (!address)
        return Refusal {
            QStringLiteral("%1 is no server address: %2").arg(QLatin1String(EnvironmentVariable), address.text())
        };
    return address;
}

ServerFixture::ServerFixture()
{
    const Outcome<ServerAddress> given = givenServer();
    if (!given) {
        m_error = given.text();
        return;
    }
    m_server = given.value();
    // The process's id keeps the name apart from those of other test programs at the same
    // time; one a killed program left behind is dropped first.
    const QString name
        = QStringLiteral("tavrel_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(fixturesMade.fetch_add(1));
    m_address = m_server.withDatabase(name);
    m_error = administer(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
    if (m_error.isEmpty())
        m_error = administer(QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0").arg(name));
    if (!m_error.isEmpty())
        return;
    m_created = true;
    m_connectionName = QStringLiteral("server-fixture-") + name;
    QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connectionName);
    m_address.configure(connection);
    if (!connection.open())
        m_error = connectionError(connection);
}

ServerFixture::~ServerFixture()
{
    if (!m_connectionName.isEmpty()) {
        QSqlDatabase::database(m_connectionName, false).close();
        QSqlDatabase::removeDatabase(m_connectionName);
    }
    if (m_created) {
        const QString error
            = administer(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_address.database()));
        if (!error.isEmpty())
            qWarning("could not drop the test database %s: %s", qPrintable(m_address.database()), qPrintable(error));
    }
}

QSqlDatabase ServerFixture::database() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

QString ServerFixture::administer(const QString& sql) const
{
    const QString name = QStringLiteral("server-fixture-administration-%1").arg(fixturesMade.fetch_add(1));
    QString error;
    {
        QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        m_server.configure(connection);
        if (!connection.open()) {
            error = connectionError(connection);
        } else {
            QSqlQuery query(connection);
            // Without the notice that a database to drop first was not there.
            query.exec(QStringLiteral("SET client_min_messages TO warning"));
            if (!query.exec(sql))
                error = query.lastError().text();
        }
        connection.close();
    }
    QSqlDatabase::removeDatabase(name);
    return error;
}
