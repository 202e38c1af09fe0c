#include "support/ScratchDisk.h"

#include <QFile>
#include <QProcess>

#include <unistd.h>

bool RunCommand(const QString& program, const QStringList& arguments, QString* output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool finished = process.waitForStarted() && process.waitForFinished(30000);
    if (output)
        *output = QString::fromLocal8Bit(process.readAll()).trimmed();
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

ScratchDisk::ScratchDisk(const QString& size)
{
    if (::geteuid() != 0) {
        m_whyNot = QStringLiteral("mounting a small tmpfs needs root");
        return;
    }
    m_mounted = RunCommand(QStringLiteral("mount"),
        { QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"), QStringLiteral("size=") + size,
            QStringLiteral("tmpfs"), m_folder.path() },
        &m_whyNot);
}

ScratchDisk::~ScratchDisk()
{
    if (m_mounted)
        RunCommand(QStringLiteral("umount"), { QStringLiteral("-l"), m_folder.path() });
}

void ScratchDisk::fill(qint64 leaveFree)
{
    QFile filler(filePath(QStringLiteral(".filler")));
    if (!filler.open(QIODevice::Append | QIODevice::Unbuffered))
        qFatal("cannot make the filler of the scratch disk");
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size()) { }
    for (int tail = 1024; tail > 0; tail /= 2) {
        while (filler.write(block.left(tail)) == tail) { }
    }
    if (leaveFree > 0)
        filler.resize(qMax<qint64>(0, filler.size() - leaveFree));
}

void ScratchDisk::unfill()
{
    QFile::remove(filePath(QStringLiteral(".filler")));
}
