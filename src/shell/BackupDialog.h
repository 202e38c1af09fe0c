#pragma once

#include <QDialog>

struct AppServices;
class DeskBackups;
class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;

// "数据备份": the backups the desk has taken (newest first) and "立即备份", which backs the
// data up at once into the folder shown: the desk's own backup folder, or one chosen with
// "浏览…" (a USB stick, say). The general manager sets there how much the desk's own backups
// may take together ("备份最多占用"; 0 keeps the default, a tenth of the disk).
class BackupDialog : public QDialog
{
    Q_OBJECT

public:
    BackupDialog(AppServices& services, DeskBackups& backups, QWidget* parent = nullptr);

private:
    void chooseFolder();
    void backUp();
    void listBackups();
    void saveLimit();

    AppServices& m_services;
    DeskBackups& m_backups;
    QListWidget* m_list;
    QLineEdit* m_folderEdit;
    QLabel* m_stateLabel;
    QSpinBox* m_limitSpin;
    QLabel* m_spaceLabel;
};
