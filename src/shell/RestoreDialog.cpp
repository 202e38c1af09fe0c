#include "shell/RestoreDialog.h"

#include "app/MessageService.h"
#include "app/TextFormat.h"
#include "desk/AppServices.h"
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
#include <QVBoxLayout>

const QString RestoreDialog::DamagedText = QStringLiteral("这个备份已损坏,不能用来恢复数据。\n%1");
const QString RestoreDialog::DiskFullText = QStringLiteral(
    "磁盘已满,不能恢复数据:数据文件夹所在的磁盘放不下恢复的数据。请先腾出磁盘空间再恢复。当前数据没有改变。\n%1");

namespace {

QString contentsText(const Backups::Entry& entry, const Backups::Contents& contents)
{
    QString text = QStringLiteral("备份时间: %1\n单据: %2张").arg(DateTimeText(entry.taken)).arg(contents.receiptCount);
    if (contents.lastReceipt != 0)
        text += QStringLiteral("\n最后一张单据: NO:00%1  %2  %3元")
                    .arg(contents.lastReceipt)
                    .arg(DateTimeText(contents.lastReceiptTime), contents.lastReceiptTotal);
    if (entry.incremental) {
        const QDateTime whole = QDateTime::fromString(entry.base.mid(7, 15), QStringLiteral("yyyyMMdd-HHmmss"));
        text += QStringLiteral("\n增量备份: 和 %1 的完整备份一起恢复").arg(DateTimeText(whole));
    }
    return text;
}

} // namespace

RestoreDialog::RestoreDialog(AppServices& services, const QString& folder, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_folderEdit(new QLineEdit(QDir::toNativeSeparators(folder), this))
    , m_list(new QListWidget(this))
    , m_contentsLabel(PaintedLabel({}, this))
{
    setObjectName(QStringLiteral("restoreDialog"));
    setWindowTitle(QStringLiteral("数据恢复"));
    m_folderEdit->setObjectName(QStringLiteral("folderEdit"));
    m_list->setObjectName(QStringLiteral("backupList"));
    m_list->setFont(PaintedFont(13));
    m_contentsLabel->setObjectName(QStringLiteral("contentsLabel"));
    m_contentsLabel->setWordWrap(true);
    m_contentsLabel->setMinimumHeight(60);
    m_contentsLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    QPushButton* listButton = NewDialogButton(QStringLiteral("查找"), "listButton", this);
    QPushButton* browseButton = NewDialogButton(QStringLiteral("浏览…"), "browseButton", this);
    QPushButton* restoreButton = NewDialogButton(QStringLiteral("恢复"), "restoreButton", this);
    QPushButton* cancelButton = NewDialogButton(QStringLiteral("取消"), "cancelButton", this);
    connect(listButton, &QPushButton::clicked, this, &RestoreDialog::listBackups);
    connect(browseButton, &QPushButton::clicked, this, &RestoreDialog::chooseFolder);
    connect(restoreButton, &QPushButton::clicked, this, &RestoreDialog::restore);
    connect(cancelButton, &QPushButton::clicked, this, &RestoreDialog::reject);
    connect(m_list, &QListWidget::currentRowChanged, this, &RestoreDialog::showContents);
    SetEnterButton(m_folderEdit, listButton);

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(PaintedLabel(QStringLiteral("备份文件夹:"), this));
    folderRow->addWidget(m_folderEdit, 1);
    folderRow->addWidget(listButton);
    folderRow->addWidget(browseButton);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(restoreButton);
    buttons->addWidget(cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 12);
    layout->addLayout(folderRow);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_contentsLabel);
    layout->addWidget(PaintedLabel(
        QStringLiteral("恢复时当前数据先自动备份,然后被选中的备份替换,程序在恢复的数据上重新开始。"), this));
    layout->addLayout(buttons);
    resize(620, 440);
    listBackups();
}

QString RestoreDialog::entryText(const Backups::Entry& entry)
{
    QString text = DateTimeText(entry.taken);
    if (entry.kind == Backups::Kind::BeforeRestore)
        text += QStringLiteral("  (恢复数据前的备份)");
    if (entry.incremental)
        text += QStringLiteral("  (增量备份)");
    return text;
}

void RestoreDialog::chooseFolder()
{
    const QString chosen
        = QFileDialog::getExistingDirectory(this, QStringLiteral("选择备份文件夹"), m_folderEdit->text());
    if (chosen.isEmpty())
        return;
    m_folderEdit->setText(QDir::toNativeSeparators(chosen));
    listBackups();
}

void RestoreDialog::listBackups()
{
    m_entries = Backups::list(QDir::fromNativeSeparators(m_folderEdit->text().trimmed()));
    m_list->clear();
    m_contentsLabel->clear();
    for (const Backups::Entry& entry : std::as_const(m_entries)) {
        m_list->addItem(entryText(entry));
    }
    if (m_entries.isEmpty())
        m_contentsLabel->setText(QStringLiteral("这个文件夹中没有备份。"));
}

void RestoreDialog::showContents()
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_entries.size()) {
        m_contentsLabel->clear();
        return;
    }
    const Outcome<Backups::Contents> contents = Backups::inspect(m_entries[row].databasePath());
    m_contentsLabel->setText(
        contents ? contentsText(m_entries[row], contents.value()) : DamagedText.arg(contents.text()));
}

void RestoreDialog::restore()
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_entries.size()) {
        m_services.messages.inform(QStringLiteral("请先选择要恢复的备份!"));
        return;
    }
    const Backups::Entry& entry = m_entries[row];
    const Outcome<Backups::Contents> contents = Backups::inspect(entry.databasePath());
    if (!contents) {
        m_services.messages.inform(DamagedText.arg(contents.text()), {}, MessageService::Icon::Warning);
        return;
    }
    const QString question
        = QStringLiteral("确定要把数据恢复到这个备份吗?\n\n%1\n\n这个备份之后的单据和设置将不再出现在程序中"
                         "(当前数据会先备份)。")
              .arg(contentsText(entry, contents.value()));
    if (!m_services.messages.ask(question, QStringLiteral("数据恢复"), MessageService::Icon::Warning))
        return;
    m_chosen = entry;
    accept();
}
