#include "support/ScratchDisk.h"

#include <QFile>
#include <QFileInfo>
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

ReadOnlyPath::ReadOnlyPath(const QString& path)
    : m_path(path)
{
    if (::geteuid() != 0) {
        const QFileInfo info(path);
        QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        if (info.isDir())
            readOnly |= QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        m_readOnly = QFile::setPermissions(path, readOnly);
        return;
    }
    m_mounted = RunCommand(QStringLiteral("mount"), { QStringLiteral("--bind"), path, path }, &m_whyNot);
    m_readOnly = m_mounted
        && RunCommand(
            QStringLiteral("mount"), { QStringLiteral("-o"), QStringLiteral("remount,bind,ro"), path }, &m_whyNot);
}

ReadOnlyPath::~ReadOnlyPath()
{
    if (m_mounted) {
        RunCommand(QStringLiteral("umount"), { m_path });
    } else if (m_readOnly) {
        QFile::Permissions writable = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
        if (QFileInfo(m_path).isDir())
            writable |= QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        QFile::setPermissions(m_path, writable);
    }
}
