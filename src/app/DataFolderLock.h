#pragma once

#include <QLockFile>
#include <QString>

// One desk per data folder: two desks on one folder would each write their whole board, and
// the last one to save would win. The running desk holds the lock file DataFolder::LockFileName
// for its whole life; the lock of a desk that died (a kill, a power cut) is taken over.
// Several desks on one house's data share a database server, never a folder.
class DataFolderLock
{
public:
    enum class Result { Held, InUse, CannotWrite };

    explicit DataFolderLock(const QString& folder);
    ~DataFolderLock(); // releases the lock when held

    DataFolderLock(const DataFolderLock&) = delete;
    DataFolderLock& operator=(const DataFolderLock&) = delete;

    Result acquire();
    // The Chinese message for a folder that another running desk holds.
    QString inUseText() const;

private:
    QString m_folder;
    QLockFile m_lock;
};
