#pragma once

#include "app/Outcome.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>
#include <utility>

class QSqlDatabase;

// Where a house's database server is: a PostgreSQL connection address in libpq's URI form,
//
//     postgresql://tavrel@192.168.1.10:5432/tavrel?sslmode=require
//     postgres://desk@[fe80::1]/tavrel        postgresql://desk@%2Fvar%2Frun%2Fpostgresql/tavrel
//
// with one server, a database name and no password: the password is libpq's business
// (~/.pgpass, or the file PGPASSFILE names) or is asked at the start, and is never written
// into the data folder. A host that begins with "/" is the folder of the server's Unix socket
// (percent-encoded in the host part, or given as ?host=/folder). Of the parameters after "?"
// those that say how to reach the server are taken (sslmode, the certificate files,
// connect_timeout, application_name, keepalives…); anything else is refused rather than
// ignored, so that a mistyped "sslmod=require" does not go unnoticed.
class ServerAddress
{
public:
    // The address, or a refusal that says in Chinese what is wrong with it.
    static Outcome<ServerAddress> parse(QStringView url);

    // Empty: libpq's default (the user's own name; the local socket; 5432).
    const QString& user() const { return m_user; }
    const QString& host() const { return m_host; }
    int port() const { return m_port; }
    const QString& database() const { return m_database; }
    // The other parameters, in the order written, e.g. {"sslmode", "require"}.
    const QList<std::pair<QString, QString>>& options() const { return m_options; }

    // The same server with another database on it (a test's own, a maintenance database).
    ServerAddress withDatabase(const QString& database) const;

    // The address written back in one canonical form; parse(url()) gives the same address.
    QString url() const;

    // Points a "QPSQL" connection at the server: host, port, database, user and options.
    void configure(QSqlDatabase& connection) const;

    friend bool operator==(const ServerAddress&, const ServerAddress&) = default;

private:
    QString m_user;
    QString m_host;
    int m_port = 0;
    QString m_database;
    QList<std::pair<QString, QString>> m_options;
};

// The data folder's "server.ini": the server a desk on this folder uses instead of data.db.
//
//     [server]
//     address=postgresql://tavrel@192.168.1.10:5432/tavrel
//
namespace ServerAddressFile {

inline constexpr QStringView FileName = u"server.ini";

// The address the folder names; nothing when it has no server.ini. A file that cannot be
// read or holds no valid address is refused with a Chinese sentence naming the file.
Outcome<std::optional<ServerAddress>> read(const QString& dataFolder);

// Replaces the folder's server.ini durably (a full disk or a kill leaves the old file whole).
Outcome<> write(const QString& dataFolder, const ServerAddress& address);

} // namespace ServerAddressFile
