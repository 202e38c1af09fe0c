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
    const QString value = QStringLiteral("value");
    return database
        .exec(database.dialect().upsert(QStringLiteral("house_setting"), { QStringLiteral("name"), value },
                  { QStringLiteral("?"), QStringLiteral("?") }, { QStringLiteral("name") }, { value },
                  SqlDialect::OnConflict::Replace),
            { name.toString(), on ? QStringLiteral("1") : QStringLiteral("0") })
        .error;
}

} // namespace HouseSettings
