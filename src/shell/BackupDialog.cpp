#include "shell/BackupDialog.h"

#include "app/Backups.h"
#include "app/MessageService.h"
#include "desk/AppServices.h"
#include "shell/DeskBackups.h"
#include "shell/RestoreDialog.h"
#include "skin/DialogButton.h"
#include "skin/DialogKeyboard.h"
#include "skin/PaintedText.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr qint64 Mebibyte = 1024 * 1024;

} // namespace

BackupDialog::BackupDialog(AppServices& services, DeskBackups& backups, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_backups(backups)
    , m_list(new QListWidget(this))
    , m_folderEdit(new QLineEdit(QDir::toNativeSeparators(backups.folder()), this))
    , m_stateLabel(PaintedLabel({}, this))
    , m_limitSpin(new QSpinBox(this))
    , m_spaceLabel(PaintedLabel({}, this))
{
    setObjectName(QStringLiteral("backupDialog"));
    setWindowTitle(QStringLiteral("数据备份"));
    m_list->setObjectName(QStringLiteral("backupList"));
    m_list->setFont(PaintedFont(13));
    m_folderEdit->setObjectName(QStringLiteral("folderEdit"));
    m_stateLabel->setObjectName(QStringLiteral("stateLabel"));
    m_stateLabel->setWordWrap(true);

    QPushButton* browseButton = NewDialogButton(QStringLiteral("浏览…"), "browseButton", this);
    QPushButton* backUpButton = NewDialogButton(QStringLiteral("立即备份"), "backUpButton", this);
    QPushButton* closeButton = NewDialogButton(QStringLiteral("关闭"), "closeButton", this);
    connect(browseButton, &QPushButton::clicked, this, &BackupDialog::chooseFolder);
    connect(backUpButton, &QPushButton::clicked, this, &BackupDialog::backUp);
    connect(closeButton, &QPushButton::clicked, this, &BackupDialog::reject);
    SetEnterButton(m_folderEdit, backUpButton);

    m_limitSpin->setObjectName(QStringLiteral("limitSpin"));
    m_limitSpin->setRange(0, 10'000'000);
    m_limitSpin->setSingleStep(1024);
    m_limitSpin->setSuffix(QStringLiteral(" MB"));
    m_limitSpin->setSpecialValueText(QStringLiteral("默认(磁盘的十分之一)"));
    m_limitSpin->setValue(int(Backups::limitSetting(backups.dataFolder())));
    m_spaceLabel->setObjectName(QStringLiteral("spaceLabel"));
    QPushButton* limitButton = NewDialogButton(QStringLiteral("保存上限"), "limitButton", this);
    connect(limitButton, &QPushButton::clicked, this, &BackupDialog::saveLimit);
    SetEnterButton(m_limitSpin, limitButton);

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(PaintedLabel(QStringLiteral("备份到:"), this));
    folderRow->addWidget(m_folderEdit, 1);
    folderRow->addWidget(browseButton);
    auto* limitRow = new QHBoxLayout;
    limitRow->addWidget(PaintedLabel(QStringLiteral("备份最多占用:"), this));
    limitRow->addWidget(m_limitSpin);
    limitRow->addWidget(limitButton);
    limitRow->addWidget(m_spaceLabel, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_stateLabel, 1);
    buttons->addWidget(backUpButton);
    buttons->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 12);
    layout->addWidget(
        PaintedLabel(QStringLiteral("程序在每次启动和每次交班后自动备份;保留最近30份,以及一年内每月一份。"), this));
    layout->addWidget(PaintedLabel(QStringLiteral("已有的备份:"), this));
    layout->addWidget(m_list, 1);
    layout->addLayout(limitRow);
    layout->addLayout(folderRow);
    layout->addLayout(buttons);
    resize(620, 420);
    listBackups();
}

void BackupDialog::listBackups()
{
    m_list->clear();
    qint64 total = 0;
    for (const Backups::Entry& entry : Backups::list(m_backups.folder())) {
        const qint64 bytes = Backups::sizeOf(entry);
        total += bytes;
        m_list->addItem(
            RestoreDialog::entryText(entry) + QStringLiteral("  %1 MB").arg(double(bytes) / Mebibyte, 0, 'f', 1));
    }
    const Backups::Space space = Backups::spaceOn(m_backups.folder(), m_limitSpin->value());
    m_spaceLabel->setText(QStringLiteral("现有备份共 %1 MB,上限 %2 MB")
                              .arg(double(total) / Mebibyte, 0, 'f', 1)
                              .arg(space.limit / Mebibyte));
}

void BackupDialog::saveLimit()
{
    if (!Backups::setLimitSetting(m_backups.dataFolder(), m_limitSpin->value())) {
        m_services.messages.inform(QStringLiteral("创建一个二进制文件失败!"), {}, MessageService::Icon::Warning);
        return;
    }
    m_services.messages.inform(QStringLiteral("备份上限已保存。超出上限时,自动备份后删除最早的备份。"));
    listBackups();
}

void BackupDialog::chooseFolder()
{
    const QString chosen
        = QFileDialog::getExistingDirectory(this, QStringLiteral("选择备份文件夹"), m_folderEdit->text());
    if (!chosen.isEmpty())
        m_folderEdit->setText(QDir::toNativeSeparators(chosen));
}

void BackupDialog::backUp()
{
    const QString folder = QDir::fromNativeSeparators(m_folderEdit->text().trimmed());
    if (folder.isEmpty()) {
        m_services.messages.inform(QStringLiteral("请选择备份文件夹!"));
        return;
    }
    m_stateLabel->setText(QStringLiteral("正在备份…"));
    m_stateLabel->repaint();
    const Outcome<Backups::Entry> made = m_backups.backUpNow(folder);
    if (!made) {
        m_stateLabel->setText(QStringLiteral("备份失败"));
        m_services.messages.inform(QStringLiteral("备份失败:%1").arg(made.text()), {}, MessageService::Icon::Warning);
        return;
    }
    m_stateLabel->setText(QStringLiteral("备份完成"));
    m_services.messages.inform(QStringLiteral("备份完成:\n%1").arg(QDir::toNativeSeparators(made.value().path)));
    listBackups();
}
