#pragma once

#include "app/Backups.h"

#include <QDialog>

#include <optional>

struct AppServices;
class QLabel;
class QLineEdit;
class QListWidget;

// "数据恢复": the backups of a folder (the desk's own backup folder when it opens), newest
// first. Choosing one shows when it was taken and its last receipt; "恢复" asks once more and
// ends the dialog with Accepted and the backup chosen. A backup that cannot be read as a
// database of this program is refused with what is wrong with it.
class RestoreDialog : public QDialog
{
    Q_OBJECT

public:
    static const QString DamagedText; // "这个备份已损坏,不能用来恢复数据。…"
    static const QString DiskFullText; // "磁盘已满,不能恢复数据。…"

    RestoreDialog(AppServices& services, const QString& folder, QWidget* parent = nullptr);

    const std::optional<Backups::Entry>& chosen() const { return m_chosen; }

    // How a list of backups names one: when it was taken, and whether it was made before a
    // restore.
    static QString entryText(const Backups::Entry& entry);

private:
    void chooseFolder();
    void listBackups();
    void showContents();
    void restore();

    AppServices& m_services;
    QList<Backups::Entry> m_entries;
    std::optional<Backups::Entry> m_chosen;
    QLineEdit* m_folderEdit;
    QListWidget* m_list;
    QLabel* m_contentsLabel;
};
