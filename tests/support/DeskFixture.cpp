#include "support/DeskFixture.h"

#include "app/Database.h"
#include "shell/DeskApplication.h"
#include "shell/MainWindow.h"
#include "support/TestEnvironment.h"

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
        DeskApplication::Seams { messages, clock, printers, launcher, files, sound });
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
