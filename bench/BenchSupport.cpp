#include "BenchSupport.h"

#include "app/DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <cstdio>

void Fail(const QString& text)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()), qPrintable(text));
    std::exit(1);
}

void PreferOffscreen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

BenchOptions::BenchOptions(const QString& description, const QList<QCommandLineOption>& ownOptions)
    : m_folder(QStringLiteral("folder"), QStringLiteral("data folder (made by GenerateHouse when empty)"),
        QStringLiteral("DIR"))
    , m_receipts(QStringLiteral("receipts"), QStringLiteral("receipts of a new data folder"), QStringLiteral("N"),
          QStringLiteral("1100000"))
    , m_rounds(QStringLiteral("rounds"), QStringLiteral("rounds of every measurement (the median is shown)"),
          QStringLiteral("N"), QStringLiteral("5"))
{
    m_parser.setApplicationDescription(description);
    m_parser.addHelpOption();
    m_parser.addOptions({ m_folder, m_receipts, m_rounds });
    m_parser.addOptions(ownOptions);
}

void BenchOptions::process(const QCoreApplication& application)
{
    m_parser.process(application);
    if (!m_parser.isSet(m_folder))
        m_parser.showHelp(2);
}

namespace {

QString HouseFile(const QString& folder, const QString& receipts)
{
    const QString path = QDir(folder).absolutePath();
    const QString file = DataFolder::databasePath(path);
    if (!QFile::exists(file)) {
        const QString generator
            = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("GenerateHouse"));
        std::fprintf(stderr, "making %s with GenerateHouse...\n", qPrintable(path));
        if (QProcess::execute(generator, { QStringLiteral("--folder"), path, QStringLiteral("--receipts"), receipts })
            != 0)
            Fail(QStringLiteral("GenerateHouse failed"));
    }
    return file;
}

} // namespace

BenchDesk::BenchDesk(const QString& folder, const QString& receipts)
    : databaseFile(HouseFile(folder, receipts))
    , session(database, clock)
    , settings(QDir(folder).absolutePath())
    , services { database, session, messages, clock, printers, launcher, files, sound, speech, settings, slips }
{
    if (!database.open(databaseFile))
        Fail(database.lastError());
    if (const Outcome<> restored = session.restore(); !restored)
        Fail(restored.text());
}

namespace {

// The settings of the house on `server`, once `database` has opened it.
std::unique_ptr<SettingPlace> OpenServerHouse(Database& database, const ServerAddress& server, bool makeHouse)
{
    if (!database.openServer(server)) {
        if (!makeHouse || database.problem() != DatabaseProblem::NoHouse || !database.createHouse(server)
            || !database.openServer(server))
            Fail(database.lastError());
    }
    return MakeSettingPlace(database);
}

} // namespace

ServerBenchDesk::ServerBenchDesk(const ServerAddress& server, bool makeHouse)
    : session(database, clock)
    , settings(OpenServerHouse(database, server, makeHouse))
    , services { database, session, messages, clock, printers, launcher, files, sound, speech, *settings, slips }
{ }

QString Inlined(QString sql, const QVariantList& values)
{
    for (const QVariant& value : values) {
        const qsizetype mark = sql.indexOf(u'?');
        const QString literal
            = value.typeId() == QMetaType::QString ? u'\'' + value.toString() + u'\'' : value.toString();
        sql.replace(mark, 1, literal);
    }
    return sql;
}

void ConsoleMessages::inform(const QString& text, const QString&, Icon)
{
    std::fprintf(stderr, "message: %s\n", qPrintable(text));
}

bool ConsoleMessages::ask(const QString& text, const QString&, Icon)
{
    std::fprintf(stderr, "question: %s\n", qPrintable(text));
    return false;
}

double PeakMiB(qint64 processId)
{
    QFile status(processId ? QStringLiteral("/proc/%1/status").arg(processId) : QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

void ResetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

double Milliseconds(const QElapsedTimer& timer)
{
    return timer.nsecsElapsed() / 1e6;
}

QString Ms(double milliseconds)
{
    if (milliseconds < 0)
        return QStringLiteral("-");
    return milliseconds >= 1000 ? QStringLiteral("%1 s").arg(milliseconds / 1000, 0, 'f', 2)
                                : QStringLiteral("%1 ms").arg(milliseconds, 0, 'f', 1);
}

QString MiB(double mib)
{
    return QStringLiteral("%1 MiB").arg(mib, 0, 'f', 0);
}

void Idle(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

double Median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}
