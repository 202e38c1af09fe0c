#pragma once

#include <QString>

// Makes a file or folder read-only for this process until destroyed: a read-only bind mount
// when running as root (root writes through permission bits), the permission bits otherwise.
class ReadOnlyPath
{
public:
    explicit ReadOnlyPath(const QString& path);
    ~ReadOnlyPath();

    ReadOnlyPath(const ReadOnlyPath&) = delete;
    ReadOnlyPath& operator=(const ReadOnlyPath&) = delete;

    bool isReadOnly() const { return m_readOnly; }
    QString whyNot() const { return m_whyNot; }

private:
    QString m_path;
    bool m_readOnly = false;
    bool m_mounted = false;
    QString m_whyNot;
};
