#include "support/DeskFixture.h"

#include "app/Database.h"
#include "app/SettingPlace.h"
#include "shell/DeskApplication.h"
#include "shell/MainWindow.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>

DeskFixture::DeskFixture(const QDateTime& now)
    : clock(now)
    , printers(m_folder.filePath(QStringLiteral("print")))
{
    if (!TestsOnServer())
        return;
    m_server = std::make_unique<ServerFixture>();
    if (!m_server->ok()) {
        qWarning("no server for the desk's house: %s", qPrintable(m_server->error()));
        return;
    }
    {
        Database house;
        if (!house.createHouse(m_server->address()))
            qWarning("cannot make the desk's house on the server: %s", qPrintable(house.lastError()));
    }
    if (const Outcome<> written = ServerAddressFile::write(folder(), m_server->address()); !written)
        qWarning("cannot name the server in the desk's folder: %s", qPrintable(written.text()));
}

DeskFixture::~DeskFixture() = default;

std::unique_ptr<DeskApplication> DeskFixture::newRun()
{
    return std::make_unique<DeskApplication>(
        DeskApplication::Seams { messages, clock, printers, launcher, files, sound, speech });
}

bool DeskFixture::start(const std::function<void(Database&)>& setUp)
{
    m_application.reset();
    if (setUp) {
        const std::unique_ptr<DeskApplication> first = newRun();
        if (!first->start(folder()))
            return false;
        setUp(first->database());
    }
    return startIn(folder());
}

bool DeskFixture::startIn(const QString& folder)
{
    m_application.reset();
    messages.clear();
    m_application = newRun();
    return m_application->start(folder);
}

void DeskFixture::kill()
{
    m_application.reset();
}

MainWindow& DeskFixture::window() const
{
    return m_application->mainWindow();
}

DeskSession& DeskFixture::session() const
{
    return m_application->session();
}

Database& DeskFixture::database() const
{
    return m_application->database();
}

namespace {

// Runs `use` with the settings of the house the folder belongs to.
template <typename Use> auto WithSettings(const QString& folder, const ServerFixture* server, Use use)
{
    if (!server) {
        SettingFolder files(folder);
        return use(files, static_cast<Database*>(nullptr));
    }
    Database database;
    if (!database.openServer(server->address()))
        qFatal("cannot reach the desk's house: %s", qPrintable(database.lastError()));
    SettingRows rows(database);
    return use(rows, &database);
}

} // namespace

QByteArray DeskFixture::settingBytes(const QString& name) const
{
    return WithSettings(folder(), server(), [&](SettingPlace& place, Database*) { return SettingBytes(place, name); });
}

bool DeskFixture::holdsSetting(const QString& name) const
{
    return WithSettings(folder(), server(), [&](SettingPlace& place, Database*) { return place.holds(name); });
}

bool DeskFixture::removeSetting(const QString& name) const
{
    return WithSettings(folder(), server(), [&](SettingPlace&, Database* database) {
        if (!database)
            return QFile::remove(QDir(folder()).filePath(name));
        const SqlResult removed = database->exec(QStringLiteral("DELETE FROM setting_file WHERE name=?"), { name });
        return removed.ok() && removed.rowsAffected == 1;
    });
}
