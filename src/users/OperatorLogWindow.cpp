#include "users/OperatorLogWindow.h"

#include "app/Clock.h"
#include "app/Database.h"
#include "app/DatabaseCheck.h"
#include "app/FileChooser.h"
#include "app/MessageService.h"
#include "app/RecordChain.h"
#include "desk/AppServices.h"
#include "desk/OperatorLog.h"
#include "skin/DialogKeyboard.h"
#include "skin/PaintedText.h"
#include "users/OperatorLogCsv.h"
#include "users/OperatorLogModel.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

const QString OperatorLogWindow::AllText = QStringLiteral("全部");

namespace {

// The width of each column in pixels: 时间 … 金额.
const QList<int> LogColumnWidths { 140, 70, 70, 60, 70, 76, 52, 64, 250, 70 };

QDateEdit* newDayEdit(const char* objectName, const QDate& day, QWidget* parent)
{
    auto* edit = new QDateEdit(day, parent);
    edit->setObjectName(QString::fromLatin1(objectName));
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return edit;
}

QComboBox* newChoiceBox(const char* objectName, bool editable, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(objectName));
    box->setEditable(editable);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMinimumWidth(100);
    return box;
}

} // namespace

OperatorLogWindow::OperatorLogWindow(AppServices& services, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_model(new OperatorLogModel(services.database, this))
    , m_list(new DeskListView(this))
    , m_firstDay(newDayEdit("firstDayEdit", services.clock.now().date().addDays(-6), this))
    , m_lastDay(newDayEdit("lastDayEdit", services.clock.now().date(), this))
    , m_userBox(newChoiceBox("userBox", true, this))
    , m_kindBox(newChoiceBox("kindBox", false, this))
    , m_countLabel(PaintedLabel({}, this))
    , m_chainLabel(new QLabel(this))
    , m_chainCheck(new DatabaseCheck(this))
{
    setObjectName(QStringLiteral("operatorLogWindow"));
    setWindowTitle(QStringLiteral("操作日志"));

    m_kindBox->addItem(AllText);
    m_kindBox->addItems(LogKind::all());
    fillUsers();

    auto* queryButton = new QPushButton(QStringLiteral("查询"), this);
    queryButton->setObjectName(QStringLiteral("queryButton"));
    queryButton->setDefault(true);
    connect(queryButton, &QPushButton::clicked, this, &OperatorLogWindow::query);
    for (QWidget* field :
        { static_cast<QWidget*>(m_firstDay), static_cast<QWidget*>(m_lastDay), static_cast<QWidget*>(m_userBox) })
        SetEnterButton(field, queryButton);

    auto* filters = new QHBoxLayout;
    filters->setContentsMargins(10, 8, 10, 0);
    filters->addWidget(PaintedLabel(QStringLiteral("从:"), this));
    filters->addWidget(m_firstDay);
    filters->addWidget(PaintedLabel(QStringLiteral("到:"), this));
    filters->addWidget(m_lastDay);
    filters->addSpacing(12);
    filters->addWidget(PaintedLabel(QStringLiteral("用户:"), this));
    filters->addWidget(m_userBox);
    filters->addSpacing(12);
    filters->addWidget(PaintedLabel(QStringLiteral("类别:"), this));
    filters->addWidget(m_kindBox);
    filters->addSpacing(12);
    filters->addWidget(queryButton);
    filters->addStretch(1);

    m_list->setObjectName(QStringLiteral("logList"));
    m_list->setModel(m_model);
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->setColumnWidths(LogColumnWidths);
    connect(
        m_model, &PagedTableModel::readFailed, this,
        [this](const QString& error) { m_services.messages.inform(error, {}, MessageService::Icon::Warning); },
        Qt::QueuedConnection);

    m_countLabel->setObjectName(QStringLiteral("countLabel"));
    auto* exportButton = new QPushButton(QStringLiteral("导出"), this);
    exportButton->setObjectName(QStringLiteral("exportButton"));
    auto* closeButton = new QPushButton(QStringLiteral("关闭"), this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    for (QPushButton* button : { exportButton, closeButton }) {
        button->setMinimumSize(75, 25);
        button->setAutoDefault(false);
    }
    connect(exportButton, &QPushButton::clicked, this, &OperatorLogWindow::exportRows);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* foot = new QHBoxLayout;
    foot->setContentsMargins(20, 4, 12, 8);
    foot->addWidget(m_countLabel);
    foot->addStretch(1);
    foot->addWidget(exportButton);
    foot->addWidget(closeButton);

    m_chainLabel->setObjectName(QStringLiteral("chainLabel"));
    m_chainLabel->setWordWrap(true);
    m_chainLabel->setContentsMargins(20, 0, 12, 0);
    m_chainLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_chainLabel->setText(QStringLiteral("正在核对校验链…"));
    connect(m_chainCheck, &DatabaseCheck::finished, this, [this](const DatabaseCheck::Verdict& verdict) {
        const RecordChain::Verdict chains { verdict.chainBreaks, verdict.error, verdict.logRows, verdict.receipts };
        m_chainLabel->setText(chains.summary());
        m_chainLabel->setStyleSheet(
            chains.whole() ? QStringLiteral("color: #006400;") : QStringLiteral("color: #b00000;"));
    });
    m_chainCheck->startChains(services.database);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addLayout(filters);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_chainLabel);
    layout->addLayout(foot);
    resize(960, 600);

    query();
}

QString OperatorLogWindow::chainsText() const
{
    return m_chainLabel->text();
}

bool OperatorLogWindow::isCheckingChains() const
{
    return m_chainCheck->isRunning() || m_chainLabel->text() == u"正在核对校验链…";
}

void OperatorLogWindow::fillUsers()
{
    m_userBox->addItem(AllText);
    const SqlResult logins = m_services.database.exec(
        QStringLiteral("SELECT DISTINCT login FROM operator_log WHERE login<>'' ORDER BY login"));
    if (!logins.ok()) {
        m_services.messages.inform(logins.error, {}, MessageService::Icon::Warning);
        return;
    }
    for (const QSqlRecord& login : logins.rows)
        m_userBox->addItem(login.value(0).toString());
}

void OperatorLogWindow::query()
{
    const QString user = m_userBox->currentText().trimmed();
    const QString kind = m_kindBox->currentText();
    m_filter = { m_firstDay->date(), m_lastDay->date(), user == AllText ? QString() : user,
        kind == AllText ? QString() : kind };
    QString error = m_model->setCondition(m_filter.sql(), m_filter.values());
    if (error.isEmpty())
        error = m_model->countRows();
    m_list->scrollToTop();
    if (!error.isEmpty())
        m_services.messages.inform(error, {}, MessageService::Icon::Warning);
    m_countLabel->setText(QStringLiteral("记录总数: %1").arg(m_model->rowCount()));
}

void OperatorLogWindow::exportRows()
{
    if (m_model->rowCount() == 0) {
        m_services.messages.inform(QStringLiteral("列表中没有可以导出的记录!"));
        return;
    }
    const QString suggested = QDir::home().filePath(
        QStringLiteral("操作日志-%1.csv").arg(m_services.clock.now().toString(u"yyyyMMdd-HHmm")));
    const std::optional<QString> chosen = m_services.files.chooseSaveFile(
        this, QStringLiteral("导出操作日志"), suggested, QStringLiteral("CSV 文件 (*.csv)"));
    if (!chosen)
        return;
    const QString fileName = *chosen;
    qint64 written = 0;
    if (const QString error = WriteOperatorLogCsv(m_services.database, m_filter, fileName, &written);
        !error.isEmpty()) {
        m_services.messages.inform(
            QStringLiteral("操作日志没有导出:\n%1").arg(error), {}, MessageService::Icon::Warning);
        return;
    }
    m_services.messages.inform(
        QStringLiteral("已导出%1条记录到:\n%2").arg(written).arg(QDir::toNativeSeparators(fileName)));
}
