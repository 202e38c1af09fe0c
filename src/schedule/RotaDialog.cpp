#include "schedule/RotaDialog.h"

#include "app/Clock.h"
#include "app/MessageService.h"
#include "app/RowListModel.h"
#include "app/RowListView.h"
#include "app/SetbackMessage.h"
#include "desk/AppServices.h"
#include "skin/PaintedText.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>

namespace {

enum DutyColumn { DutyNumber, DutyName, DutyTitle, DutyAttendance };

QPushButton* AddButton(const QString& text, const char* objectName, QWidget* parent, QBoxLayout* layout)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setMinimumSize(64, 25);
    layout->addWidget(button);
    return button;
}

} // namespace

RotaDialog::RotaDialog(AppServices& services, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_rota(services.database, services.session)
    , m_queueList(new RowListView(this))
    , m_dutyTable(new RowListView(this))
    , m_earlyButton(new QRadioButton(QStringLiteral("早班"), this))
    , m_lateButton(new QRadioButton(QStringLiteral("晚班"), this))
    , m_restButton(new QRadioButton(QStringLiteral("休息"), this))
{
    setObjectName(QStringLiteral("rotaDialog"));
    setWindowTitle(QStringLiteral("排钟"));

    m_queueList->setObjectName(QStringLiteral("queueList"));
    m_queueList->setColumns({ QStringLiteral("工序"), QStringLiteral("技师编号"), QStringLiteral("姓名") });
    m_queueList->setMinimumSize(3 * 68 + 22, 260);
    m_dutyTable->setObjectName(QStringLiteral("dutyTable"));
    m_dutyTable->setColumns(
        { QStringLiteral("编号"), QStringLiteral("姓名"), QStringLiteral("职称"), QStringLiteral("考勤情况") });
    m_dutyTable->setColumnWidths({ 50 });
    m_dutyTable->setMinimumSize(50 + 3 * 68 + 22, 260);

    m_earlyButton->setObjectName(QStringLiteral("radioEarly"));
    m_lateButton->setObjectName(QStringLiteral("radioLate"));
    m_restButton->setObjectName(QStringLiteral("radioRest"));
    auto* shiftGroup = new QButtonGroup(this);
    auto* shiftRow = new QHBoxLayout;
    for (QRadioButton* radio : { m_earlyButton, m_lateButton, m_restButton }) {
        shiftGroup->addButton(radio);
        shiftRow->addWidget(radio);
    }
    shiftRow->addStretch();

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    QPushButton* present = AddButton(QStringLiteral("出勤"), "buttonPresent", this, buttonRow);
    QPushButton* queue = AddButton(QStringLiteral("排钟"), "buttonQueue", this, buttonRow);
    QPushButton* ok = AddButton(QStringLiteral("确定"), "buttonOk", this, buttonRow);
    QPushButton* cancel = AddButton(QStringLiteral("取消"), "buttonCancel", this, buttonRow);
    ok->setDefault(true);

    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(14);
    layout->addWidget(PaintedLabel(QStringLiteral("---------排钟列表---------"), this), 0, 0, Qt::AlignHCenter);
    layout->addWidget(PaintedLabel(QStringLiteral("---------上班表---------"), this), 0, 1, Qt::AlignHCenter);
    layout->addWidget(PaintedLabel(QStringLiteral("注:以先到先排钟的方式进行排钟"), this), 1, 0, 1, 2);
    layout->addWidget(m_queueList, 2, 0);
    layout->addWidget(m_dutyTable, 2, 1);
    layout->addLayout(shiftRow, 3, 0);
    layout->addLayout(buttonRow, 3, 1);

    connect(m_earlyButton, &QRadioButton::clicked, this, [this] { showShift(Rota::Shift::Early); });
    connect(m_lateButton, &QRadioButton::clicked, this, [this] { showShift(Rota::Shift::Late); });
    connect(m_restButton, &QRadioButton::clicked, this, &RotaDialog::showRestDay);
    connect(present, &QPushButton::clicked, this, &RotaDialog::markPresent);
    connect(queue, &QPushButton::clicked, this, &RotaDialog::queueTechnician);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_earlyButton->setChecked(true);
    showShift(Rota::Shift::Early);
}

void RotaDialog::showShift(Rota::Shift shift)
{
    m_shift = shift;
    fillQueueList();
    fillDutyTable(shift == Rota::Shift::Late ? Rota::View::Late : Rota::View::Early);
}

void RotaDialog::showRestDay()
{
    fillDutyTable(Rota::View::Rest);
}

void RotaDialog::fillDutyTable(Rota::View view)
{
    const LookedUpRows table = m_rota.dutyTable(view, TodayWeekday(m_services.clock.now().date()));
    m_dutyTable->rows().setRows(table.rows);
    showErrors(table.errors);
}

void RotaDialog::fillQueueList()
{
    const LookedUpRows list = m_rota.queueList(m_shift);
    m_queueList->rows().setRows(list.rows);
    showErrors(list.errors);
}

void RotaDialog::markPresent()
{
    const int row = m_dutyTable->selectedRow();
    if (row < 0) {
        m_services.messages.inform(QStringLiteral("请选择出勤的员工!"));
        return;
    }
    if (const Outcome<> marked = m_rota.markPresent(m_dutyTable->rows().cell(row, DutyNumber)); !marked) {
        ShowSetback(m_services.messages, marked);
        return;
    }
    m_dutyTable->rows().setCell(row, DutyAttendance, Rota::PresentText);
}

void RotaDialog::queueTechnician()
{
    const int row = m_dutyTable->selectedRow();
    if (row < 0) {
        m_services.messages.inform(QStringLiteral("请选择排钟的技师!"));
        return;
    }
    const QString number = m_dutyTable->rows().cell(row, DutyNumber);
    const Outcome<int> order = m_rota.queue(m_shift, number);
    if (!order) {
        ShowSetback(m_services.messages, order);
        return;
    }
    // The newest entry shows on top until the list is rebuilt in queuing order.
    m_queueList->insertRow({ QString::number(order.value()), number, m_dutyTable->rows().cell(row, DutyName) }, 0);
}

void RotaDialog::showErrors(const QStringList& errors)
{
    for (const QString& error : errors)
        m_services.messages.inform(error);
}
