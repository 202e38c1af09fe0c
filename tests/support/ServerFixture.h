#pragma once

#include "app/Outcome.h"
#include "app/ServerAddress.h"

#include <QSqlDatabase>
#include <QString>

// A fresh, empty database on the PostgreSQL server the tests are given, for one test: made
// under a name of its own with the fixture and dropped with it, connections still on it
// included. TAVREL_TEST_SERVER names the server: a postgresql:// address of a user who may
// create databases, with a database to stay connected to meanwhile. `make test` starts a
// throwaway server and sets it (scripts/pg-throwaway.sh, scripts/test-with-server.sh); a test
// run without it skips what needs a server:
//
//     TAVREL_SKIP_WITHOUT_SERVER();
//     ServerFixture server;
//     QVERIFY2(server.ok(), qPrintable(server.error()));
//     QSqlQuery query(server.database());
class ServerFixture
{
public:
    static constexpr const char* EnvironmentVariable = "TAVREL_TEST_SERVER";

    // The server the tests are given, or why there is none.
    static Outcome<ServerAddress> givenServer();

    ServerFixture();
    ~ServerFixture();
    ServerFixture(const ServerFixture&) = delete;
    ServerFixture& operator=(const ServerFixture&) = delete;

    bool ok() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }

    // An open "QPSQL" connection to the fresh database, closed and removed with the fixture.
    QSqlDatabase database() const;
    // The fresh database's address, for a process of its own.
    const ServerAddress& address() const { return m_address; }

private:
    // Runs `sql` on a connection of its own to the server's own database; the error text.
    QString administer(const QString& sql) const;

    ServerAddress m_server;
    ServerAddress m_address;
    QString m_connectionName;
    QString m_error;
    bool m_created = false;
};

#define TAVREL_SKIP_WITHOUT_SERVER()                                                                                   \
    do {                                                                                                               \
        if (const Outcome<ServerAddress> given = ServerFixture::givenServer(); !given)                                 \
            QSKIP(qPrintable(given.text()));                                                                           \
    } while (false)
