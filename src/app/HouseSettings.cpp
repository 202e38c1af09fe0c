#include "app/HouseSettings.h"

#include "app/Database.h"

namespace HouseSettings {

namespace {

// The stored text of the setting `name`; empty when it was never set.
QString read(Database& database, QStringView name, QString* error)
{
    return database.scalar(QStringLiteral("SELECT value FROM house_setting WHERE name=?"), { name.toString() }, error)
        .toString();
}

QString write(Database& database, QStringView name, const QString& text)
{
    const QString value = QStringLiteral("value");
    return database
        .exec(database.dialect().upsert(QStringLiteral("house_setting"), { QStringLiteral("name"), value },
                  { QStringLiteral("?"), QStringLiteral("?") }, { QStringLiteral("name") }, { value },
                  SqlDialect::OnConflict::Replace),
            { name.toString(), text })
        .error;
}

} // namespace

bool isOn(Database& database, QStringView name, QString* error)
{
    return read(database, name, error) == u"1";
}

QString set(Database& database, QStringView name, bool on)
{
    return write(database, name, on ? QStringLiteral("1") : QStringLiteral("0"));
}

qint64 figure(Database& database, QStringView name, QString* error)
{
    return read(database, name, error).toLongLong();
}

qint64 figureOr(Database& database, QStringView name, qint64 unset, QString* error)
{
    const QString stored = read(database, name, error);
    return stored.isEmpty() ? unset : stored.toLongLong();
}

QString setFigure(Database& database, QStringView name, qint64 value)
{
    return write(database, name, QString::number(value));
}

} // namespace HouseSettings
