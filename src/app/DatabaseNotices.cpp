#include "app/DatabaseNotices.h"

#include "app/Database.h"

#include <QSqlDriver>

namespace {

// The one channel of the house: every desk on the database listens to it.
const QString Channel = QStringLiteral("tavrel_house");

} // namespace

QString DatabaseNotices::send(Database& database, const QString& what)
{
    // Sent with the outermost transaction's commit, once however often the transaction sent it.
    return database.noticeAtCommit(Channel, what);
}

DatabaseListener::DatabaseListener(Database& database, QObject* parent)
    : QObject(parent)
    , m_database(database)
{ }

bool DatabaseListener::listen()
{
    if (m_database.dialect().isSqlite() || !m_database.isOpen())
        return false;
    QSqlDriver* driver = m_database.connection().driver();
    if (!driver)
        return false;
    // A driver is the connection's own: a new connection after a reconnection has a new one.
    if (driver != m_driver) {
        connect(driver, &QSqlDriver::notification, this,
            [this](const QString& name, QSqlDriver::NotificationSource source, const QVariant& payload) {
                if (name == Channel && source != QSqlDriver::SelfSource)
                    emit noticed(payload.toString());
            });
        m_driver = driver;
    }
    return driver->subscribedToNotifications().contains(Channel) || driver->subscribeToNotification(Channel);
}
