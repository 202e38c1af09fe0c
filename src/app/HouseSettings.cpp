#include "app/HouseSettings.h"

#include "app/Database.h"

namespace HouseSettings {

bool isOn(Database& database, QStringView name, QString* error)
{
    return database.scalar(QStringLiteral("SELECT value FROM house_setting WHERE name=?"), { name.toString() }, error)
               .toString()
        == u"1";
}

QString set(Database& database, QStringView name, bool on)
{
    return database
        .exec(QStringLiteral("INSERT INTO house_setting (name, value) VALUES (?, ?) "
                             "ON CONFLICT (name) DO UPDATE SET value=excluded.value"),
            { name.toString(), on ? QStringLiteral("1") : QStringLiteral("0") })
        .error;
}

} // namespace HouseSettings
