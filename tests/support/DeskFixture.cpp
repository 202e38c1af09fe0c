#include "support/DeskFixture.h"

#include "shell/DeskApplication.h"
#include "shell/MainWindow.h"

DeskFixture::DeskFixture(const QDateTime& now)
    : clock(now)
    , printers(m_folder.filePath(QStringLiteral("print")))
{ }

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
