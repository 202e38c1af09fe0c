#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class Database;
class QSqlDriver;

// The desks of a house kept on a server tell each other what they changed: a transaction
// that changes the live state or the settings sends a notice naming it (a room's number,
// "queues", "settings", "shift"), which the server delivers to every desk listening when the
// transaction commits, and never when it rolls back. A desk kept in a file is alone, and
// sends and hears nothing.
namespace DatabaseNotices {

inline const QString Queues = QStringLiteral("queues");
inline const QString Settings = QStringLiteral("settings");
inline const QString Shift = QStringLiteral("shift");

// Sends `what` with the transaction open on `database`. The error text, empty on success.
QString send(Database& database, const QString& what);

} // namespace DatabaseNotices

// Hears the notices of the other desks on the connection of `database` (its own are not
// passed on). A notice is a hint: one can be lost while the connection is down, so whoever
// listens also looks again now and then.
class DatabaseListener : public QObject
{
    Q_OBJECT

public:
    explicit DatabaseListener(Database& database, QObject* parent = nullptr);

    // Listens on the connection open now (again after a new connection). False on a file, or
    // when the server refused.
    bool listen();

signals:
    void noticed(const QString& what);

private:
    Database& m_database;
    QPointer<QSqlDriver> m_driver; // the one heard
};
