#include "app/HouseSettings.h"

#include "app/Database.h"

namespace HouseSettings {

bool isOn(Database& database, QStringView name, QString* error)
{
    return database.scalar(QStringLiteral("SELECT value FROM house_setting WHERE name=?"), { name.toString() }, error)
               .toString()
        == u"1";
}

namespace {

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

QString set(Database& database, QStringView name, bool on)
{
    return write(database, name, on ? QStringLiteral("1") : QStringLiteral("0"));
}

qint64 figure(Database& database, QStringView name, QString* error)
{
    return database.scalar(QStringLiteral("SELECT value FROM house_setting WHERE name=?"), { name.toString() }, error)
        .toString()
        .toLongLong();
}

QString setFigure(Database& database, QStringView name, qint64 value)
{
    return write(database, name, QString::number(value));
}

} // namespace HouseSettings
