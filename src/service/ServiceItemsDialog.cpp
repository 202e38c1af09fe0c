#include "service/ServiceItemsDialog.h"

#include "app/MessageService.h"
#include "app/RowListModel.h"
#include "app/SetbackMessage.h"
#include "desk/AppServices.h"
#include "skin/DialogKeyboard.h"
#include "skin/PaintedText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

const QString ServiceItemsDialog::NoItemText = QStringLiteral("请先选择一个服务项目!");
const QString ServiceItemsDialog::DeleteQuestion = QStringLiteral("真的要删除这个服务项目吗?");

namespace {

// The categories offered; a house may type its own.
const QStringList Categories { QStringLiteral("按摩"), QStringLiteral("足疗"), QStringLiteral("养生"),
    QStringLiteral("美容"), QStringLiteral("其它") };

QString yesNo(bool yes)
{
    return yes ? QStringLiteral("是") : QStringLiteral("否");
}

QStringList rowOf(const ServiceItem& item)
{
    QStringList cells;
    cells << QString::number(item.id) << item.name << item.category << item.unit
          << (item.unit == ServiceItem::ClockUnit || item.minutes > 0 ? QString::number(item.minutes) : QString())
          << item.price.text() << yesNo(item.memberDiscount) << yesNo(item.managerDiscount)
          << CommissionText(item.rotation, item.unit) << CommissionText(item.requested, item.unit)
          << (item.retired ? QStringLiteral("停用") : QStringLiteral("在用"));
    return cells;
}

QComboBox* newKindBox(const char* objectName, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(objectName));
    box->addItems({ CommissionKindText(CommissionKind::Amount), CommissionKindText(CommissionKind::Share) });
    box->setFixedWidth(100);
    return box;
}

QLineEdit* newEdit(const char* objectName, int width, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(objectName));
    if (width > 0)
        edit->setFixedWidth(width);
    return edit;
}

// The typed value of a commission: yuan for an amount, a percentage for a share.
QString commissionField(const ServiceCommission& commission)
{
    return commission.kind == CommissionKind::Amount ? commission.amount.text() : PercentText(commission.basisPoints);
}

} // namespace

ServiceItemsDialog::ServiceItemsDialog(AppServices& services, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_catalog(services.database, services.session)
    , m_rows(new RowListModel(this))
    , m_list(new QTableView(this))
    , m_name(newEdit("nameEdit", 0, this))
    , m_category(new QComboBox(this))
    , m_unit(new QComboBox(this))
    , m_minutes(newEdit("minutesEdit", 60, this))
    , m_price(newEdit("priceEdit", 90, this))
    , m_memberDiscount(new QCheckBox(QStringLiteral("会员卡打折"), this))
    , m_managerDiscount(new QCheckBox(QStringLiteral("经理可打折"), this))
    , m_rotationKind(newKindBox("rotationKindBox", this))
    , m_rotation(newEdit("rotationEdit", 90, this))
    , m_rotationUnit(PaintedLabel({}, this))
    , m_requestedKind(newKindBox("requestedKindBox", this))
    , m_requested(newEdit("requestedEdit", 90, this))
    , m_requestedUnit(PaintedLabel({}, this))
    , m_priceUnit(PaintedLabel({}, this))
{
    setObjectName(QStringLiteral("serviceItemsDialog"));
    setWindowTitle(QStringLiteral("服务项目设置"));
    MarkAsForm(this);

    m_rows->setHeaders({ QStringLiteral("编号"), QStringLiteral("名称"), QStringLiteral("类别"), QStringLiteral("单位"),
        QStringLiteral("分钟"), QStringLiteral("单价"), QStringLiteral("会员折扣"), QStringLiteral("经理打折"),
        QStringLiteral("轮钟提成"), QStringLiteral("点钟提成"), QStringLiteral("状态") });
    m_list->setObjectName(QStringLiteral("itemList"));
    m_list->setModel(m_rows);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setAlternatingRowColors(true);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setDefaultSectionSize(22);
    m_list->horizontalHeader()->setHighlightSections(false);
    m_list->horizontalHeader()->setStretchLastSection(true);
    const int widths[ColumnCount] = { 44, 120, 60, 40, 44, 70, 62, 62, 96, 96, 44 };
    for (int column = 0; column < ColumnCount; ++column)
        m_list->setColumnWidth(column, widths[column]);
    m_list->setMinimumSize(780, 260);
    connect(m_list, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) { clickRow(index.row()); });
    connect(
        m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& current) {
            if (current.isValid())
                clickRow(current.row());
        });

    m_category->setObjectName(QStringLiteral("categoryBox"));
    m_category->setEditable(true);
    m_category->setInsertPolicy(QComboBox::NoInsert);
    m_category->addItems(Categories);
    m_category->setCurrentIndex(-1);
    m_category->setEditText({});
    m_category->setFixedWidth(100);
    m_unit->setObjectName(QStringLiteral("unitBox"));
    m_unit->addItems({ ServiceItem::ClockUnit, ServiceItem::TimeUnit });
    m_unit->setFixedWidth(60);
    m_memberDiscount->setObjectName(QStringLiteral("memberDiscountBox"));
    m_memberDiscount->setChecked(true);
    m_managerDiscount->setObjectName(QStringLiteral("managerDiscountBox"));
    m_managerDiscount->setChecked(true);
    m_name->setMinimumWidth(140);
    m_name->setMaxLength(30);
    m_rotationUnit->setObjectName(QStringLiteral("rotationUnitLabel"));
    m_requestedUnit->setObjectName(QStringLiteral("requestedUnitLabel"));
    m_priceUnit->setObjectName(QStringLiteral("priceUnitLabel"));
    for (QLabel* unit : { m_rotationUnit, m_requestedUnit, m_priceUnit })
        unit->setMinimumWidth(40);
    connect(m_unit, &QComboBox::currentIndexChanged, this, &ServiceItemsDialog::showCommissionUnits);
    connect(m_rotationKind, &QComboBox::currentIndexChanged, this, &ServiceItemsDialog::showCommissionUnits);
    connect(m_requestedKind, &QComboBox::currentIndexChanged, this, &ServiceItemsDialog::showCommissionUnits);

    // Three rows of fields: what the item is, what it costs, what the technician earns; each
    // row read left to right, its first label as wide as the widest.
    const auto label = [this](const QString& text) {
        QLabel* painted = PaintedLabel(text, this);
        painted->setFixedWidth(70);
        return painted;
    };
    auto* what = new QHBoxLayout;
    what->setSpacing(8);
    what->addWidget(label(QStringLiteral("名称:")));
    what->addWidget(m_name, 1);
    what->addSpacing(8);
    what->addWidget(PaintedLabel(QStringLiteral("类别:"), this));
    what->addWidget(m_category);
    what->addSpacing(8);
    what->addWidget(PaintedLabel(QStringLiteral("单位:"), this));
    what->addWidget(m_unit);
    what->addSpacing(8);
    what->addWidget(PaintedLabel(QStringLiteral("每钟分钟:"), this));
    what->addWidget(m_minutes);
    what->addStretch(1);

    auto* cost = new QHBoxLayout;
    cost->setSpacing(8);
    cost->addWidget(label(QStringLiteral("单价:")));
    cost->addWidget(m_price);
    cost->addWidget(m_priceUnit);
    cost->addSpacing(24);
    cost->addWidget(m_memberDiscount);
    cost->addSpacing(16);
    cost->addWidget(m_managerDiscount);
    cost->addStretch(1);

    auto* earned = new QHBoxLayout;
    earned->setSpacing(8);
    earned->addWidget(label(QStringLiteral("轮钟提成:")));
    earned->addWidget(m_rotationKind);
    earned->addWidget(m_rotation);
    earned->addWidget(m_rotationUnit);
    earned->addSpacing(24);
    earned->addWidget(PaintedLabel(QStringLiteral("点钟提成:"), this));
    earned->addWidget(m_requestedKind);
    earned->addWidget(m_requested);
    earned->addWidget(m_requestedUnit);
    earned->addStretch(1);

    auto* fields = new QVBoxLayout;
    fields->setSpacing(8);
    fields->addLayout(what);
    fields->addLayout(cost);
    fields->addLayout(earned);

    auto* addButton = new QPushButton(QStringLiteral("添加"), this);
    addButton->setObjectName(QStringLiteral("addButton"));
    auto* changeButton = new QPushButton(QStringLiteral("修改"), this);
    changeButton->setObjectName(QStringLiteral("changeButton"));
    m_retireButton = new QPushButton(QStringLiteral("停用"), this);
    m_retireButton->setObjectName(QStringLiteral("retireButton"));
    auto* deleteButton = new QPushButton(QStringLiteral("删除"), this);
    deleteButton->setObjectName(QStringLiteral("deleteButton"));
    auto* upButton = new QPushButton(QStringLiteral("上移"), this);
    upButton->setObjectName(QStringLiteral("upButton"));
    auto* downButton = new QPushButton(QStringLiteral("下移"), this);
    downButton->setObjectName(QStringLiteral("downButton"));
    auto* closeButton = new QPushButton(QStringLiteral("关闭"), this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    for (QPushButton* button :
        { addButton, changeButton, m_retireButton, deleteButton, upButton, downButton, closeButton }) {
        button->setMinimumSize(75, 25);
        button->setAutoDefault(false);
    }
    connect(addButton, &QPushButton::clicked, this, &ServiceItemsDialog::addItem);
    connect(changeButton, &QPushButton::clicked, this, &ServiceItemsDialog::changeItem);
    connect(m_retireButton, &QPushButton::clicked, this, &ServiceItemsDialog::toggleRetired);
    connect(deleteButton, &QPushButton::clicked, this, &ServiceItemsDialog::deleteItem);
    connect(upButton, &QPushButton::clicked, this, [this] { moveItem(-1); });
    connect(downButton, &QPushButton::clicked, this, [this] { moveItem(1); });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    for (QPushButton* button : { addButton, changeButton, m_retireButton, deleteButton })
        buttons->addWidget(button);
    buttons->addSpacing(16);
    buttons->addWidget(upButton);
    buttons->addWidget(downButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(10);
    layout->addWidget(m_list, 1);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    m_shown = FieldSnapshot(
        { m_name, m_category, m_unit, m_minutes, m_price, m_rotationKind, m_rotation, m_requestedKind, m_requested });
    m_unit->setCurrentIndex(0);
    showCommissionUnits();
    fillList();
    takeSnapshot();
    resize(860, 560);
    m_name->setFocus();
}

void ServiceItemsDialog::done(int result)
{
    if (MayDiscardTyping(m_services.messages, m_shown.changed()))
        QDialog::done(result);
}

void ServiceItemsDialog::takeSnapshot()
{
    m_shown.take();
}

void ServiceItemsDialog::fillList()
{
    const Outcome<QList<ServiceItem>> read = m_catalog.list();
    if (!read) {
        ShowSetback(m_services.messages, read);
        return;
    }
    m_items = read.value();
    QList<QStringList> rows;
    rows.reserve(m_items.size());
    for (const ServiceItem& item : std::as_const(m_items))
        rows << rowOf(item);
    m_rows->setRows(rows);
    if (m_chosen != 0) {
        const qint64 chosen = m_chosen;
        m_chosen = 0;
        for (qsizetype row = 0; row < m_items.size(); ++row) {
            if (m_items[row].id == chosen) {
                m_chosen = chosen;
                const QSignalBlocker quiet(m_list->selectionModel());
                m_list->selectRow(static_cast<int>(row));
                m_retireButton->setText(m_items[row].retired ? QStringLiteral("启用") : QStringLiteral("停用"));
            }
        }
    }
}

const ServiceItem* ServiceItemsDialog::chosen() const
{
    for (const ServiceItem& item : m_items) {
        if (item.id == m_chosen)
            return &item;
    }
    return nullptr;
}

void ServiceItemsDialog::showCommissionUnits()
{
    const QString unit = m_unit->currentText();
    m_priceUnit->setText(QStringLiteral("元/%1").arg(unit));
    const struct
    {
        QComboBox* kind;
        QLabel* label;
    } commissions[] = { { m_rotationKind, m_rotationUnit }, { m_requestedKind, m_requestedUnit } };
    for (const auto& commission : commissions)
        commission.label->setText(commission.kind->currentText() == CommissionKindText(CommissionKind::Share)
                ? QStringLiteral("%")
                : QStringLiteral("元/%1").arg(unit));
}

void ServiceItemsDialog::showItem(const ServiceItem& item)
{
    m_name->setText(item.name);
    m_category->setEditText(item.category);
    m_unit->setCurrentText(item.unit);
    m_minutes->setText(
        item.unit == ServiceItem::ClockUnit || item.minutes > 0 ? QString::number(item.minutes) : QString());
    m_price->setText(item.price.text());
    m_memberDiscount->setChecked(item.memberDiscount);
    m_managerDiscount->setChecked(item.managerDiscount);
    m_rotationKind->setCurrentText(CommissionKindText(item.rotation.kind));
    m_rotation->setText(commissionField(item.rotation));
    m_requestedKind->setCurrentText(CommissionKindText(item.requested.kind));
    m_requested->setText(commissionField(item.requested));
    m_retireButton->setText(item.retired ? QStringLiteral("启用") : QStringLiteral("停用"));
    showCommissionUnits();
    takeSnapshot();
}

void ServiceItemsDialog::clickRow(int row)
{
    if (row < 0 || row >= m_items.size())
        return;
    m_chosen = m_items[row].id;
    showItem(m_items[row]);
}

void ServiceItemsDialog::chooseItem(qint64 id)
{
    for (qsizetype row = 0; row < m_items.size(); ++row) {
        if (m_items[row].id == id) {
            m_list->selectRow(static_cast<int>(row));
            clickRow(static_cast<int>(row));
        }
    }
}

ServiceItemTexts ServiceItemsDialog::typedTexts() const
{
    ServiceItemTexts typed;
    typed.name = m_name->text();
    typed.category = m_category->currentText();
    typed.unit = m_unit->currentText();
    typed.minutes = m_minutes->text();
    typed.price = m_price->text();
    typed.memberDiscount = m_memberDiscount->isChecked();
    typed.managerDiscount = m_managerDiscount->isChecked();
    typed.rotationKind = m_rotationKind->currentText();
    typed.rotation = m_rotation->text();
    typed.requestedKind = m_requestedKind->currentText();
    typed.requested = m_requested->text();
    return typed;
}

void ServiceItemsDialog::addItem()
{
    const Outcome<ServiceItem> typed = ReadServiceItem(typedTexts());
    if (!typed) {
        ShowSetback(m_services.messages, typed);
        return;
    }
    const Outcome<ServiceItem> added = m_catalog.add(typed.value());
    if (!added) {
        ShowSetback(m_services.messages, added);
        return;
    }
    m_chosen = added.value().id;
    fillList();
    showItem(added.value());
    m_list->scrollToBottom();
}

void ServiceItemsDialog::changeItem()
{
    const ServiceItem* item = chosen();
    if (!item) {
        m_services.messages.inform(NoItemText);
        return;
    }
    Outcome<ServiceItem> typed = ReadServiceItem(typedTexts());
    if (!typed) {
        ShowSetback(m_services.messages, typed);
        return;
    }
    ServiceItem changed = typed.value();
    changed.id = item->id;
    if (const Outcome<> stored = m_catalog.change(changed); !stored) {
        ShowSetback(m_services.messages, stored);
        return;
    }
    fillList();
    if (const ServiceItem* shown = chosen())
        showItem(*shown);
}

void ServiceItemsDialog::toggleRetired()
{
    const ServiceItem* item = chosen();
    if (!item) {
        m_services.messages.inform(NoItemText);
        return;
    }
    if (const Outcome<> stored = m_catalog.setRetired(item->id, !item->retired); !stored) {
        ShowSetback(m_services.messages, stored);
        return;
    }
    fillList();
}

void ServiceItemsDialog::deleteItem()
{
    const ServiceItem* item = chosen();
    if (!item) {
        m_services.messages.inform(NoItemText);
        return;
    }
    if (!m_services.messages.ask(DeleteQuestion))
        return;
    const Outcome<Removal> removed = m_catalog.remove(item->id);
    if (!removed) {
        ShowSetback(m_services.messages, removed);
        return;
    }
    if (removed.value() == Removal::Retired) {
        fillList();
        m_services.messages.inform(ServiceCatalog::SoldText);
        return;
    }
    m_chosen = 0;
    fillList();
    m_list->clearSelection();
    m_retireButton->setText(QStringLiteral("停用"));
}

void ServiceItemsDialog::moveItem(int direction)
{
    const ServiceItem* item = chosen();
    if (!item) {
        m_services.messages.inform(NoItemText);
        return;
    }
    const Outcome<bool> moved = m_catalog.move(item->id, direction);
    if (!moved) {
        ShowSetback(m_services.messages, moved);
        return;
    }
    if (moved.value())
        fillList();
}
