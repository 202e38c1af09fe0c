#include "app/DataFolderLock.h"

#include "app/DataFolder.h"

#include <QDir>

DataFolderLock::DataFolderLock(const QString& folder)
    : m_folder(QDir(folder).absolutePath())
    , m_lock(QDir(folder).filePath(DataFolder::LockFileName.toString()))
{
    // A lock is stale only when its process is gone; a desk may run for months.
    m_lock.setStaleLockTime(0);
}

DataFolderLock::~DataFolderLock() = default;

DataFolderLock::Result DataFolderLock::acquire()
{
    if (m_lock.isLocked() || m_lock.tryLock(0))
        return Result::Held;
    return m_lock.error() == QLockFile::LockFailedError ? Result::InUse : Result::CannotWrite;
}

QString DataFolderLock::inUseText() const
{
    qint64 pid = 0;
    QString host;
    QString application;
    const QString holder = m_lock.getLockInfo(&pid, &host, &application)
        ? QStringLiteral("(进程 %1,计算机 %2)").arg(pid).arg(host)
        : QString();
    return QStringLiteral("数据文件夹 %1 正被另一个运行中的收银台使用%2。一个数据文件夹同时只能由一个收银台打开:"
                          "请在已经打开的那个窗口中继续工作。")
        .arg(QDir::toNativeSeparators(m_folder), holder);
}
