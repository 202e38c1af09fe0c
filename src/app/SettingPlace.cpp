#include "app/SettingPlace.h"

#include "app/Database.h"
#include "app/DatabaseNotices.h"
#include "app/SqlTransaction.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString ReadFailedText = QStringLiteral("打开一个二进制文件失败!");
const QString WriteFailedText = QStringLiteral("创建一个二进制文件失败!");

// Picks the folder or the rows at each use (see MakeSettingPlace()).
class HouseSettingPlace final : public SettingPlace
{
public:
    explicit HouseSettingPlace(Database& database)
        : m_database(database)
        , m_rows(database)
    { }

    std::optional<QByteArray> read(const QString& name, qint64 maxSize, MessageService& messages) override
    {
        return place().read(name, maxSize, messages);
    }
    bool write(const QString& name, const QByteArray& bytes, MessageService& messages) override
    {
        return place().write(name, bytes, messages);
    }
    bool holds(const QString& name) override { return place().holds(name); }

private:
    SettingPlace& place()
    {
        if (m_database.dialect().isSqlite())
            return m_folder;
        return m_rows;
    }

    Database& m_database;
    SettingFolder m_folder;
    SettingRows m_rows;
};

} // namespace

SettingFolder::SettingFolder(QString folder, SettingFileWriter writer)
    : m_folder(std::move(folder))
    , m_writer(std::move(writer))
{ }

QString SettingFolder::path(const QString& name) const
{
    return m_folder.isEmpty() ? name : QDir(m_folder).filePath(name);
}

std::optional<QByteArray> SettingFolder::read(const QString& name, qint64 maxSize, MessageService& messages)
{
    return ReadSettingBytes(path(name), maxSize, messages);
}

bool SettingFolder::write(const QString& name, const QByteArray& bytes, MessageService& messages)
{
    return WriteSettingBytes(path(name), bytes, messages, m_writer);
}

bool SettingFolder::holds(const QString& name)
{
    return QFileInfo::exists(path(name));
}

SettingRows::SettingRows(Database& database)
    : m_database(database)
{ }

std::optional<QByteArray> SettingRows::read(const QString& name, qint64 maxSize, MessageService& messages)
{
    const SqlResult found = m_database.exec(QStringLiteral("SELECT bytes FROM setting_file WHERE name=?"), { name });
    if (!found.ok() || found.isEmpty()) {
        messages.inform(ReadFailedText);
        return std::nullopt;
    }
    return found.first().value(0).toByteArray().left(maxSize);
}

bool SettingRows::write(const QString& name, const QByteArray& bytes, MessageService& messages)
{
    const QString column = QStringLiteral("bytes");
    const QString statement = m_database.dialect().upsert(QStringLiteral("setting_file"),
        { QStringLiteral("name"), column }, { QStringLiteral("?"), QStringLiteral("?") }, { QStringLiteral("name") },
        { column }, SqlDialect::OnConflict::Replace);
    // A null array would be bound as NULL; no bytes at all are an empty value.
    const QByteArray stored = bytes.isNull() ? QByteArray("", 0) : bytes;
    SqlTransaction transaction(m_database);
    // The other desks of the house hear of it when it is committed.
    if (!transaction.isActive() || !m_database.exec(statement, { name, stored }).ok()
        || !DatabaseNotices::send(m_database, DatabaseNotices::Settings).isEmpty() || !transaction.commit()) {
        messages.inform(WriteFailedText);
        return false;
    }
    return true;
}

bool SettingRows::holds(const QString& name)
{
    QString error;
    const QVariant found
        = m_database.scalar(QStringLiteral("SELECT count(*) FROM setting_file WHERE name=?"), { name }, &error);
    return !error.isEmpty() || found.toInt() > 0;
}

std::unique_ptr<SettingPlace> MakeSettingPlace(Database& database)
{
    return std::make_unique<HouseSettingPlace>(database);
}
