#include "schedule/ShiftPlannerDialog.h"

#include "app/MessageService.h"
#include "app/RowListModel.h"
#include "app/RowListView.h"
#include "app/TextFormat.h"
#include "desk/AppServices.h"
#include "schedule/RandomPlan.h"
#include "skin/PaintedText.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

enum StaffColumn { StaffNumber, StaffName, StaffTitle };

const QString PlacedMark = QStringLiteral("   "); // shown before the number of someone placed in a box

QPushButton* ArrowButton(const QString& text, const QString& objectName, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    button->setFixedSize(36, 23);
    return button;
}

QVBoxLayout* ArrowColumn(QPushButton* upper, QPushButton* lower)
{
    auto* column = new QVBoxLayout;
    column->addStretch();
    column->addWidget(upper);
    column->addWidget(lower);
    column->addStretch();
    return column;
}

QListWidget* EntryBox(const QString& objectName, QWidget* parent)
{
    auto* box = new QListWidget(parent);
    box->setObjectName(objectName);
    box->setSortingEnabled(true); // the entries stay in order of staff number
    box->setSelectionMode(QAbstractItemView::SingleSelection);
    return box;
}

RowListView* StaffList(const QString& objectName, QWidget* parent)
{
    auto* list = new RowListView(parent);
    list->setObjectName(objectName);
    list->setColumns({ QStringLiteral("编号"), QStringLiteral("姓名"), QStringLiteral("职位") });
    list->setColumnWidths({ 50, 60, 68 });
    list->setMultiSelection(true);
    list->setFixedWidth(50 + 60 + 68 + 24); // the three columns and a scroll bar
    return list;
}

QStringList NumbersOf(const QListWidget* box)
{
    QStringList numbers;
    for (int i = 0; i < box->count(); ++i)
        numbers.append(PlannerEntryNumber(box->item(i)->text()));
    return numbers;
}

} // namespace

ShiftPlannerDialog::ShiftPlannerDialog(AppServices& services, RandomSource& random, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_random(random)
    , m_store(services.database)
    , m_rotationChoice(new QComboBox(this))
    , m_shiftStaff(StaffList(QStringLiteral("shiftStaffList"), this))
    , m_restStaff(StaffList(QStringLiteral("restStaffList"), this))
    , m_earlyBox(EntryBox(QStringLiteral("earlyBox"), this))
    , m_lateBox(EntryBox(QStringLiteral("lateBox"), this))
{
    setObjectName(QStringLiteral("shiftPlannerDialog"));
    setWindowTitle(QStringLiteral("员工上班安排"));

    // Shift area: early box, staff list, late box, with the arrows between them.
    m_earlyBox->setFixedWidth(120);
    m_lateBox->setFixedWidth(120);
    QPushButton* addEarly = ArrowButton(QStringLiteral("<<"), QStringLiteral("buttonAddEarly"), this);
    QPushButton* removeEarly = ArrowButton(QStringLiteral(">>"), QStringLiteral("buttonRemoveEarly"), this);
    QPushButton* addLate = ArrowButton(QStringLiteral(">>"), QStringLiteral("buttonAddLate"), this);
    QPushButton* removeLate = ArrowButton(QStringLiteral("<<"), QStringLiteral("buttonRemoveLate"), this);

    auto* shiftArea = new QGridLayout;
    shiftArea->setVerticalSpacing(4);
    shiftArea->setHorizontalSpacing(8);
    shiftArea->addWidget(
        PaintedLabel(QStringLiteral("-----------早班与晚班安排-----------"), this), 0, 0, 1, 5, Qt::AlignHCenter);
    shiftArea->addWidget(PaintedLabel(QStringLiteral("--早班--"), this), 1, 0, Qt::AlignHCenter);
    shiftArea->addWidget(PaintedLabel(QStringLiteral("--晚班--"), this), 1, 4, Qt::AlignHCenter);
    shiftArea->addWidget(m_earlyBox, 2, 0);
    shiftArea->addLayout(ArrowColumn(addEarly, removeEarly), 2, 1);
    shiftArea->addWidget(m_shiftStaff, 1, 2, 2, 1);
    shiftArea->addLayout(ArrowColumn(addLate, removeLate), 2, 3);
    shiftArea->addWidget(m_lateBox, 2, 4);
    shiftArea->setRowStretch(2, 1);

    // Rest-day area: a box per weekday with its label and arrows, the staff list on the right.
    const QString dayNames[7] = { QStringLiteral("星期一"), QStringLiteral("星期二"), QStringLiteral("星期三"),
        QStringLiteral("星期四"), QStringLiteral("星期五"), QStringLiteral("星期六"), QStringLiteral("星期日") };
    auto* restArea = new QGridLayout;
    restArea->setVerticalSpacing(4);
    restArea->setHorizontalSpacing(8);
    restArea->addWidget(
        PaintedLabel(QStringLiteral("-----------休息安排-----------"), this), 0, 0, 1, 4, Qt::AlignHCenter);
    for (int day = 0; day < 7; ++day) {
        QListWidget* box = EntryBox(QStringLiteral("dayBox%1").arg(day + 1), this);
        box->setFixedSize(130, 58);
        m_dayBoxes[static_cast<size_t>(day)] = box;
        QPushButton* add = ArrowButton(QStringLiteral("<<"), QStringLiteral("buttonAddDay%1").arg(day + 1), this);
        QPushButton* remove = ArrowButton(QStringLiteral(">>"), QStringLiteral("buttonRemoveDay%1").arg(day + 1), this);
        restArea->addWidget(box, day + 1, 0);
        restArea->addWidget(PaintedLabel(dayNames[day], this), day + 1, 1);
        restArea->addLayout(ArrowColumn(add, remove), day + 1, 2);
        connect(add, &QPushButton::clicked, this, [this, box] { addSelected(m_restStaff, box); });
        connect(remove, &QPushButton::clicked, this, [this, box] { removeEntry(box, &ShiftPlanStore::clearRestDay); });
    }
    restArea->addWidget(m_restStaff, 1, 3, 7, 1);

    // Rotation rule and the dialog's buttons.
    m_rotationChoice->setObjectName(QStringLiteral("rotationChoice"));
    m_rotationChoice->addItems({ QStringLiteral("请选择换班条件"), QStringLiteral("每天轮流更换早班与晚班制"),
        QStringLiteral("每周轮流更换早班与晚班制") });
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_rotationChoice);
    bottom->addStretch();
    auto addButton = [this, bottom](const QString& text, const char* objectName) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(QString::fromLatin1(objectName));
        button->setAutoDefault(false);
        button->setMinimumSize(80, 25);
        bottom->addWidget(button);
        return button;
    };
    QPushButton* clear = addButton(QStringLiteral("清空列表"), "buttonClear");
    QPushButton* randomShift = addButton(QStringLiteral("随机(上班)"), "buttonRandomShifts");
    QPushButton* randomRest = addButton(QStringLiteral("随机(休息)"), "buttonRandomRest");
    QPushButton* ok = addButton(QStringLiteral("确定"), "buttonOk");
    QPushButton* cancel = addButton(QStringLiteral("取消"), "buttonCancel");

    auto* areas = new QHBoxLayout;
    areas->setSpacing(24);
    areas->addLayout(shiftArea);
    areas->addLayout(restArea);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(areas, 1);
    layout->addSpacing(6);
    layout->addLayout(bottom);

    connect(addEarly, &QPushButton::clicked, this, [this] { addSelected(m_shiftStaff, m_earlyBox); });
    connect(removeEarly, &QPushButton::clicked, this, [this] { removeEntry(m_earlyBox, &ShiftPlanStore::clearShift); });
    connect(addLate, &QPushButton::clicked, this, [this] { addSelected(m_shiftStaff, m_lateBox); });
    connect(removeLate, &QPushButton::clicked, this, [this] { removeEntry(m_lateBox, &ShiftPlanStore::clearShift); });
    connect(clear, &QPushButton::clicked, this, &ShiftPlannerDialog::clearAll);
    connect(randomShift, &QPushButton::clicked, this, &ShiftPlannerDialog::randomShifts);
    connect(randomRest, &QPushButton::clicked, this, &ShiftPlannerDialog::randomRestDays);
    connect(ok, &QPushButton::clicked, this, &ShiftPlannerDialog::save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    load();
}

ShiftPlan ShiftPlannerDialog::plan() const
{
    ShiftPlan plan;
    for (size_t day = 0; day < m_dayBoxes.size(); ++day)
        plan.restDays[day] = NumbersOf(m_dayBoxes[day]);
    plan.early = NumbersOf(m_earlyBox);
    plan.late = NumbersOf(m_lateBox);
    plan.rotation = m_rotationChoice->currentIndex();
    return plan;
}

void ShiftPlannerDialog::load()
{
    const ShiftPlanStore::StaffList list = m_store.loadStaff();
    if (!list.error.isEmpty())
        m_services.messages.inform(list.error);
    for (const PlannerStaff& staff : list.staff) {
        const QStringList cells { staff.number, staff.name, staff.title };
        m_shiftStaff->insertRow(cells, 0);
        m_restStaff->insertRow(cells, 0);
        const QString entry = PlannerEntryText(staff.number, staff.name, staff.title);
        if (staff.workstatus == ShiftValue::Early)
            m_earlyBox->addItem(entry);
        else if (staff.workstatus == ShiftValue::Late)
            m_lateBox->addItem(entry);
        if (staff.restday >= 1 && staff.restday <= 7)
            m_dayBoxes[static_cast<size_t>(staff.restday - 1)]->addItem(entry);
    }

    m_rotationChoice->setCurrentIndex(RotationRule::None);
    const ShiftPlanStore::Rotation rotation = m_store.loadRotation();
    if (!rotation.error.isEmpty())
        m_services.messages.inform(rotation.error);
    else if (rotation.found && rotation.rule >= 0 && rotation.rule < m_rotationChoice->count())
        m_rotationChoice->setCurrentIndex(rotation.rule);
}

void ShiftPlannerDialog::place(RowListView* staffList, int row, QListWidget* box)
{
    RowListModel& rows = staffList->rows();
    const QString number = Trim(rows.cell(row, StaffNumber));
    rows.setCell(row, StaffNumber, PlacedMark + number);
    box->addItem(PlannerEntryText(number, rows.cell(row, StaffName), rows.cell(row, StaffTitle)));
}

void ShiftPlannerDialog::addSelected(RowListView* staffList, QListWidget* box)
{
    for (int row : staffList->selectedRows())
        place(staffList, row, box);
}

void ShiftPlannerDialog::removeEntry(QListWidget* box, QString (ShiftPlanStore::*unassign)(const QString&))
{
    const QList<QListWidgetItem*> selected = box->selectedItems();
    if (selected.isEmpty()) {
        m_services.messages.inform(QStringLiteral("请选择要删除的选项!"));
        return;
    }
    QListWidgetItem* entry = selected.first();
    const QString error = (m_store.*unassign)(PlannerEntryNumber(entry->text()));
    if (!error.isEmpty()) {
        m_services.messages.inform(error);
        return;
    }
    delete entry;
}

void ShiftPlannerDialog::clearAll()
{
    const QString error = m_store.clearAll();
    if (!error.isEmpty()) {
        m_services.messages.inform(error);
        return;
    }
    m_earlyBox->clear();
    m_lateBox->clear();
    for (QListWidget* box : m_dayBoxes)
        box->clear();
}

void ShiftPlannerDialog::randomShifts()
{
    m_earlyBox->clear();
    m_lateBox->clear();
    const int count = m_shiftStaff->rowCount();
    const QList<int> early = RandomEarlyPositions(count, m_random);
    for (int row : early)
        place(m_shiftStaff, row, m_earlyBox);
    for (int row = 0; row < count; ++row) {
        if (!early.contains(row))
            place(m_shiftStaff, row, m_lateBox);
    }
}

void ShiftPlannerDialog::randomRestDays()
{
    for (QListWidget* box : m_dayBoxes)
        box->clear();
    const std::array<QList<int>, 7> days = RandomRestDayPositions(m_restStaff->rowCount(), m_random);
    for (size_t day = 0; day < days.size(); ++day) {
        for (int row : days[day])
            place(m_restStaff, row, m_dayBoxes[day]);
    }
}

void ShiftPlannerDialog::save()
{
    const QString error = m_store.save(plan());
    if (!error.isEmpty()) {
        // Nothing of the plan was stored; the boxes stay as they are so the desk can try again.
        m_services.messages.inform(error);
        return;
    }
    accept();
}
