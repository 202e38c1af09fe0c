#pragma once

#include <QString>
#include <QTemporaryDir>

// A small disk of its own for one test: a tmpfs mounted on a temporary folder, so that the
// test can fill it up. Mounting needs root; where it cannot be mounted, isMounted() is false
// and whyNot() says why (the test skips).
class ScratchDisk
{
public:
    explicit ScratchDisk(const QString& size); // as mount takes it, e.g. "512k"
    ~ScratchDisk(); // unmounts

    ScratchDisk(const ScratchDisk&) = delete;
    ScratchDisk& operator=(const ScratchDisk&) = delete;

    bool isMounted() const { return m_mounted; }
    QString whyNot() const { return m_whyNot; }
    QString path() const { return m_folder.path(); }
    QString filePath(const QString& name) const { return m_folder.filePath(name); }

    // Takes all the free space but `leaveFree` bytes with a file of its own, or gives it back.
    void fill(qint64 leaveFree = 0);
    void unfill();

private:
    QTemporaryDir m_folder;
    bool m_mounted = false;
    QString m_whyNot;
};

// Runs a command, true when it exits with 0; `output` gets what it printed.
bool RunCommand(const QString& program, const QStringList& arguments, QString* output = nullptr);
