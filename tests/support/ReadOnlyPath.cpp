#include "support/ReadOnlyPath.h"

#include "support/ScratchDisk.h"

#include <QFile>
#include <QFileInfo>

#include <unistd.h>

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
