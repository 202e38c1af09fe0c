#pragma once

#include "app/MessageService.h"
#include "app/SettingFile.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class Database;

// Where the house's small binary settings live (HouNum.daf, pagesel?.dat, sys.nnf, clock.nnf):
// the files of the data folder on a desk of its own, or one row per file on the server that
// several desks share. Either way a setting is exactly the bytes of its file, so the formats
// stay one, and every reader and writer of a setting goes through a place.
class SettingPlace
{
public:
    virtual ~SettingPlace() = default;

    // The setting's bytes, at most `maxSize` of them. A missing setting (or one that cannot be
    // read) shows "打开一个二进制文件失败!" and gives nothing.
    virtual std::optional<QByteArray> read(const QString& name, qint64 maxSize, MessageService& messages) = 0;
    // Replaces the setting with `bytes`, whole or not at all; on failure shows
    // "创建一个二进制文件失败!" and leaves the old bytes.
    virtual bool write(const QString& name, const QByteArray& bytes, MessageService& messages) = 0;
    // Whether anything is stored under `name`; a place that cannot tell says yes, so that
    // nothing stored is ever written over as if it were missing.
    virtual bool holds(const QString& name) = 0;
};

// The files of a folder, made durable by replacing them whole (see SettingFile.h). An empty
// folder means the current directory, which is the data folder while the desk runs.
class SettingFolder final : public SettingPlace
{
public:
    explicit SettingFolder(QString folder = {}, SettingFileWriter writer = {});

    std::optional<QByteArray> read(const QString& name, qint64 maxSize, MessageService& messages) override;
    bool write(const QString& name, const QByteArray& bytes, MessageService& messages) override;
    bool holds(const QString& name) override;

    QString path(const QString& name) const;

private:
    QString m_folder;
    SettingFileWriter m_writer;
};

// The rows of the table setting_file (name, bytes). A write made while a SqlTransaction is
// open joins it: it is stored when that transaction commits and gone when it rolls back, so a
// setting and the log row that records its change are kept together or not at all.
class SettingRows final : public SettingPlace
{
public:
    explicit SettingRows(Database& database);

    std::optional<QByteArray> read(const QString& name, qint64 maxSize, MessageService& messages) override;
    bool write(const QString& name, const QByteArray& bytes, MessageService& messages) override;
    bool holds(const QString& name) override;

private:
    Database& m_database;
};

// The place of the house that `database` belongs to, chosen at each use because the engine is
// known only once the database is open: the data folder's files (the current directory) while
// it is the folder's own file, the rows of the server's table once it is a server.
std::unique_ptr<SettingPlace> MakeSettingPlace(Database& database);

// Messages of a read whose failure the desk does not show (the caller works with defaults).
class SilentMessages final : public MessageService
{
public:
    void inform(const QString&, const QString&, Icon) override { }
    bool ask(const QString&, const QString&, Icon) override { return false; }
};
