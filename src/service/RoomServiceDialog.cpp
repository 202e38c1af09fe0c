#include "service/RoomServiceDialog.h"

#include "app/Clock.h"
#include "app/HouseSettings.h"
#include "app/LeadingNumber.h"
#include "app/MessageService.h"
#include "app/SetbackMessage.h"
#include "app/StaffLookup.h"
#include "app/TextFormat.h"
#include "desk/AppServices.h"
#include "records/MasterRecordDialog.h"
#include "rooms/Announcements.h"
#include "rooms/RoomState.h"
#include "schedule/TechnicianStatusDialog.h"
#include "service/Bill.h"
#include "service/BillRefusals.h"
#include "service/CheckoutDialog.h"
#include "service/GoodsLinesModel.h"
#include "service/GoodsStock.h"
#include "service/ItemLinesModel.h"
#include "service/LineListView.h"
#include "service/RoomServiceActions.h"
#include "service/ServiceSettings.h"
#include "service/TechnicianLinesModel.h"
#include "skin/DialogKeyboard.h"
#include "skin/PaintedText.h"
#include "skin/UnaddedTyping.h"
#include "users/AuthorisationPrompt.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <limits>

const QString RoomServiceDialog::ChooseTechnicianText = QStringLiteral("请选择技师");
const QString RoomServiceDialog::ChooseGoodsText = QStringLiteral("请选择商品");
const QString RoomServiceDialog::ReductionRefusedText = QStringLiteral("收银员没有权限减单!");
const QString RoomServiceDialog::NotInServiceText
    = QStringLiteral("房间状态改为上钟才可以添加技师,请在左上角选中上钟!");

namespace {

constexpr int ListWidth = 4 * 68 + 4;
constexpr int SmallButtonWidth = 52;

// A drop-down list the desk may also type into; typing never adds an item.
QComboBox* newChoiceBox(const char* objectName, const QStringList& items, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(objectName));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(items);
    return box;
}

// The counts offered: "0" to "9".
QStringList digits()
{
    QStringList items;
    for (int i = 0; i <= 9; ++i)
        items << QString::number(i);
    return items;
}

QPushButton* newButton(const QString& text, const char* objectName, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setAutoDefault(false);
    button->setMinimumHeight(25);
    return button;
}

QLineEdit* newTimeBox(const char* objectName, QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(objectName));
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    box->setFixedWidth(76);
    box->setAlignment(Qt::AlignCenter);
    return box;
}

// The captions painted over the count boxes: 宋体 of 10 points, a little heavier than normal.
QLabel* countCaption(const QString& text, QWidget* parent)
{
    QLabel* label = PaintedLabel(text, parent);
    QFont font = label->font();
    font.setWeight(QFont::Medium);
    label->setFont(font);
    return label;
}

} // namespace

RoomServiceDialog::RoomServiceDialog(AppServices& services, const RoomServiceRequest& request, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_room(request.roomNumber)
    , m_inService(request.inService)
    , m_startTime(request.inService ? request.bill.startTime : services.clock.now())
    , m_technicians(new TechnicianLinesModel({ QStringLiteral("技师编号"), QStringLiteral("姓名"),
                                                 QStringLiteral("按摩(钟)"), QStringLiteral("洗脚(钟)") },
          this))
    , m_goods(new GoodsLinesModel(this))
    , m_items(new ItemLinesModel(this))
    , m_clockTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("roomServiceDialog"));
    setWindowTitle(QStringLiteral("%1号房的服务状态").arg(m_room));
    createControls();

    if (request.inService) {
        m_technicians->showStoredLines(request.bill.technicians);
        m_goods->showStoredLines(request.bill.goods);
        m_items->setLines(request.bill.items);
        m_massageBox->setEditText(QString::number(request.bill.massageClocks));
        m_footWashBox->setEditText(QString::number(request.bill.footWashClocks));
        m_pedicureBox->setEditText(QString::number(request.bill.pedicureCount));
        m_startTimeEdit->setText(m_startTime.toString(TimeOfDayFormat));
        m_inServiceButton->setChecked(true);
        // A room in service cannot go back to a guest only.
        m_guestInButton->setEnabled(false);
    } else {
        m_guestInButton->setChecked(true);
    }
    noteStoredBill();
    fillGoodsBox();
    m_technicianBox->addItems(m_services.session.offeredTechnicians());
    m_technicianBox->setCurrentIndex(-1);
    m_technicianBox->setEditText(ChooseTechnicianText);
    fillItemBoxes();

    m_clockTimer->setObjectName(QStringLiteral("clockTimer"));
    connect(m_clockTimer, &QTimer::timeout, this, &RoomServiceDialog::showClock);
    m_clockTimer->start(1000);
    showClock();
}

RoomServiceDialog::~RoomServiceDialog() = default;

void RoomServiceDialog::createControls()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setSpacing(12);
    layout->addLayout(createTimeRow());
    layout->addLayout(createCountRow());
    auto* areas = new QHBoxLayout;
    areas->setSpacing(20);
    areas->addLayout(createTechnicianArea());
    areas->addLayout(createGoodsArea());
    layout->addLayout(areas, 1);
    layout->addLayout(createItemArea());
    layout->addLayout(createButtonRow());
}

QLayout* RoomServiceDialog::createTimeRow()
{
    m_guestInButton = new QRadioButton(RoomStates::GuestInText, this);
    m_guestInButton->setObjectName(QStringLiteral("radioGuestIn"));
    m_inServiceButton = new QRadioButton(QStringLiteral("上钟"), this);
    m_inServiceButton->setObjectName(QStringLiteral("radioInService"));
    m_stateGroup = new QButtonGroup(this);
    m_stateGroup->addButton(m_guestInButton);
    m_stateGroup->addButton(m_inServiceButton);
    connect(m_guestInButton, &QRadioButton::clicked, this, &RoomServiceDialog::chooseGuestIn);
    connect(m_inServiceButton, &QRadioButton::clicked, this, &RoomServiceDialog::chooseInService);

    m_startTimeEdit = newTimeBox("startTimeEdit", this);
    m_clockEdit = newTimeBox("clockEdit", this);
    m_elapsedEdit = newTimeBox("elapsedEdit", this);
    m_elapsedEdit->setFixedWidth(50);

    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addWidget(m_guestInButton);
    row->addSpacing(8);
    row->addWidget(m_inServiceButton);
    row->addStretch(1);
    row->addWidget(PaintedLabel(QStringLiteral("上钟时间:"), this));
    row->addWidget(m_startTimeEdit);
    row->addSpacing(6);
    row->addWidget(PaintedLabel(QStringLiteral("现在时间:"), this));
    row->addWidget(m_clockEdit);
    row->addSpacing(6);
    row->addWidget(PaintedLabel(QStringLiteral("已用(分钟):"), this));
    row->addWidget(m_elapsedEdit);
    m_editing << m_guestInButton << m_inServiceButton;
    return row;
}

QLayout* RoomServiceDialog::createCountRow()
{
    m_massageBox = newChoiceBox("massageBox", digits(), this);
    m_footWashBox = newChoiceBox("footWashBox", digits(), this);
    m_pedicureBox = newChoiceBox("pedicureBox", digits(), this);
    const struct
    {
        QComboBox* box;
        QString caption;
        BillCount count;
    } counts[] = {
        { m_massageBox, QStringLiteral("  按  摩(钟)"), BillCount::Massage },
        { m_footWashBox, QStringLiteral(" 洗  脚(钟)"), BillCount::FootWash },
        { m_pedicureBox, QStringLiteral("修  脚(人次)"), BillCount::Pedicure },
    };
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(24);
    grid->setVerticalSpacing(4);
    for (int column = 0; column < 3; ++column) {
        QComboBox* box = counts[column].box;
        box->setFixedWidth(90);
        box->setCurrentIndex(0);
        grid->addWidget(countCaption(counts[column].caption, this), 0, column);
        if (box == m_massageBox) {
            auto* massage = new QHBoxLayout;
            massage->setSpacing(4);
            massage->addWidget(box);
            massage->addWidget(createAddClockButton());
            grid->addLayout(massage, 1, column);
        } else {
            grid->addWidget(box, 1, column);
        }
        connect(box, &QComboBox::activated, this,
            [this, box, count = counts[column].count](int index) { chooseCount(count, box, index); });
        m_editing << box;
    }
    grid->setColumnStretch(3, 1);
    return grid;
}

QLayout* RoomServiceDialog::createTechnicianArea()
{
    QPushButton* status = newButton(QStringLiteral("显示技师状态"), "buttonTechnicianStatus", this);
    m_technicianBox = newChoiceBox("technicianBox", {}, this);
    m_requestedBox = new QCheckBox(QStringLiteral("点钟"), this);
    m_requestedBox->setObjectName(QStringLiteral("checkRequested"));
    m_requestedBox->setToolTip(QStringLiteral("客人指定的技师(点钟);按轮次上钟的不选"));
    QPushButton* add = newButton(QStringLiteral("添加"), "buttonAddTechnician", this);
    QPushButton* remove = newButton(QStringLiteral("删除"), "buttonRemoveTechnician", this);
    m_technicianList = new LineListView(m_technicians, this);
    m_technicianList->setObjectName(QStringLiteral("technicianList"));
    m_technicianList->setMinimumSize(ListWidth, 150);
    for (QPushButton* button : { add, remove })
        button->setFixedWidth(SmallButtonWidth);
    // Enter in the box takes the technician shown there.
    SetEnterButton(m_technicianBox, add);
    connect(m_technicianBox, &QComboBox::activated, this, [this] { m_technicianUnadded = true; });
    connect(m_technicianBox->lineEdit(), &QLineEdit::textEdited, this, [this] { m_technicianUnadded = true; });

    connect(status, &QPushButton::clicked, this, &RoomServiceDialog::showTechnicianStatus);
    connect(add, &QPushButton::clicked, this, &RoomServiceDialog::addTechnician);
    connect(remove, &QPushButton::clicked, this, &RoomServiceDialog::removeTechnician);

    auto* choice = new QHBoxLayout;
    choice->addWidget(m_technicianBox, 1);
    choice->addWidget(m_requestedBox);
    choice->addWidget(add);
    choice->addWidget(remove);
    auto* area = new QVBoxLayout;
    area->setSpacing(6);
    area->addWidget(status, 0, Qt::AlignLeft);
    area->addLayout(choice);
    area->addWidget(m_technicianList, 1);
    m_editing << m_technicianBox << m_requestedBox << add << remove;
    return area;
}

QLayout* RoomServiceDialog::createGoodsArea()
{
    QPushButton* records = newButton(QStringLiteral("商品库"), "buttonGoodsRecords", this);
    m_goodsBox = newChoiceBox("goodsBox", {}, this);
    m_goodsBox->setMinimumWidth(124); // room for a goods name and the "请选择商品" hint
    m_quantityBox = newChoiceBox("quantityBox", digits(), this);
    m_quantityBox->setFixedWidth(56);
    m_quantityBox->setCurrentIndex(0);
    QPushButton* add = newButton(QStringLiteral("添加"), "buttonAddGoods", this);
    QPushButton* remove = newButton(QStringLiteral("删除"), "buttonRemoveGoods", this);
    m_goodsList = new LineListView(m_goods, this);
    m_goodsList->setObjectName(QStringLiteral("goodsList"));
    m_goodsList->setMinimumSize(ListWidth, 150);
    // Goods names are longer than the other cells.
    m_goodsList->setColumnWidths({ 104, 52, 60, 52 });
    for (QPushButton* button : { add, remove })
        button->setFixedWidth(SmallButtonWidth);
    // Enter in the goods or the quantity box adds the article.
    SetEnterButton(m_goodsBox, add);
    SetEnterButton(m_quantityBox, add);
    connect(m_goodsBox, &QComboBox::activated, this, [this] { m_goodsUnadded = true; });
    connect(m_goodsBox->lineEdit(), &QLineEdit::textEdited, this, [this] { m_goodsUnadded = true; });

    connect(records, &QPushButton::clicked, this, &RoomServiceDialog::showGoodsRecords);
    connect(add, &QPushButton::clicked, this, &RoomServiceDialog::addGoods);
    connect(remove, &QPushButton::clicked, this, &RoomServiceDialog::removeGoods);

    auto* choice = new QHBoxLayout;
    choice->addWidget(m_goodsBox, 1);
    choice->addWidget(PaintedLabel(QStringLiteral("数量:"), this));
    choice->addWidget(m_quantityBox);
    choice->addWidget(add);
    choice->addWidget(remove);
    auto* area = new QVBoxLayout;
    area->setSpacing(6);
    area->addWidget(records, 0, Qt::AlignLeft);
    area->addLayout(choice);
    area->addWidget(m_goodsList, 1);
    m_editing << m_goodsBox << m_quantityBox << add << remove;
    return area;
}

QLayout* RoomServiceDialog::createItemArea()
{
    m_itemBox = new QComboBox(this);
    m_itemBox->setObjectName(QStringLiteral("itemBox"));
    m_itemBox->setMinimumWidth(150);
    m_itemTechnicianBox = new QComboBox(this);
    m_itemTechnicianBox->setObjectName(QStringLiteral("itemTechnicianBox"));
    m_itemTechnicianBox->setMinimumWidth(90);
    m_itemCountBox = newChoiceBox("itemCountBox", digits().mid(1), this);
    m_itemCountBox->setFixedWidth(56);
    m_itemCountBox->setCurrentIndex(0);
    QPushButton* add = newButton(QStringLiteral("添加"), "buttonAddItem", this);
    QPushButton* remove = newButton(QStringLiteral("删除"), "buttonRemoveItem", this);
    for (QPushButton* button : { add, remove })
        button->setFixedWidth(SmallButtonWidth);
    m_itemList = new LineListView(m_items, this);
    m_itemList->setObjectName(QStringLiteral("itemList"));
    m_itemList->setMinimumSize(ListWidth, 96);
    m_itemList->setColumnWidths({ 160, 68, 52, 52 });
    SetEnterButton(m_itemCountBox, add);
    connect(add, &QPushButton::clicked, this, &RoomServiceDialog::addItem);
    connect(remove, &QPushButton::clicked, this, &RoomServiceDialog::removeItem);

    auto* choice = new QHBoxLayout;
    choice->addWidget(PaintedLabel(QStringLiteral("服务项目:"), this));
    choice->addWidget(m_itemBox, 1);
    choice->addWidget(PaintedLabel(QStringLiteral("技师:"), this));
    choice->addWidget(m_itemTechnicianBox);
    choice->addWidget(PaintedLabel(QStringLiteral("数量:"), this));
    choice->addWidget(m_itemCountBox);
    choice->addWidget(add);
    choice->addWidget(remove);
    auto* area = new QVBoxLayout;
    area->setSpacing(6);
    area->addLayout(choice);
    area->addWidget(m_itemList, 1);
    m_editing << m_itemBox << m_itemTechnicianBox << m_itemCountBox << add << remove;
    return area;
}

void RoomServiceDialog::fillItemBoxes()
{
    if (m_menu.isEmpty()) {
        const Outcome<QList<ServiceItem>> menu
            = ServiceCatalog(m_services.database, m_services.session).list(ServiceCatalog::Listing::Current);
        if (!menu)
            ShowSetback(m_services.messages, menu);
        else
            m_menu = menu.value();
        for (const ServiceItem& item : std::as_const(m_menu))
            m_itemBox->addItem(QStringLiteral("%1 %2元/%3").arg(item.name, item.price.text(), item.unit));
    }
    // The room's technicians serve its items; "无" for an item served by nobody in particular.
    const QString shown = m_itemTechnicianBox->currentText();
    m_itemTechnicianBox->clear();
    m_itemTechnicianBox->addItem(QStringLiteral("无"));
    for (const TechnicianLine& line : m_technicians->lines()) {
        if (m_itemTechnicianBox->findText(line.number) < 0)
            m_itemTechnicianBox->addItem(line.number);
    }
    m_itemTechnicianBox->setCurrentIndex(std::max(0, m_itemTechnicianBox->findText(shown)));
}

QLayout* RoomServiceDialog::createButtonRow()
{
    QPushButton* checkout = newButton(QStringLiteral("结帐"), "buttonCheckout", this);
    QPushButton* voidButton = newButton(QStringLiteral("作废"), "buttonVoid", this);
    QPushButton* ok = newButton(QStringLiteral("确定"), "buttonOk", this);
    for (QPushButton* button : { checkout, voidButton, ok })
        button->setMinimumWidth(72);
    ok->setDefault(true);
    connect(checkout, &QPushButton::clicked, this, &RoomServiceDialog::checkout);
    connect(voidButton, &QPushButton::clicked, this, &RoomServiceDialog::voidStay);
    connect(ok, &QPushButton::clicked, this, &RoomServiceDialog::confirm);

    auto* row = new QHBoxLayout;
    row->addWidget(checkout);
    row->addWidget(voidButton);
    row->addStretch(1);
    row->addWidget(ok);
    m_editing << checkout << voidButton;
    return row;
}

void RoomServiceDialog::fillGoodsBox()
{
    const Outcome<QStringList> names = GoodsStock(m_services.database).names();
    if (!names)
        ShowSetback(m_services.messages, names);
    else
        m_goodsBox->addItems(names.value());
    m_goodsBox->setCurrentIndex(-1);
    m_goodsBox->setEditText(ChooseGoodsText);
}

void RoomServiceDialog::showClock()
{
    const QDateTime now = m_services.clock.now();
    m_clockEdit->setText(now.toString(TimeOfDayFormat));
    m_elapsedEdit->setText(QString::number(ElapsedMinutes(m_startTime, now)));
}

void RoomServiceDialog::noteStoredBill()
{
    m_storedBill = m_services.session.bill(m_room);
}

void RoomServiceDialog::showRoomAsStored()
{
    if (m_closed)
        return;
    offerIdleTechnicians();
    const std::optional<OpenBill> stored = m_services.session.bill(m_room);
    if (!stored) {
        // Settled or voided at another desk: nothing more is entered here.
        if (m_storedBill)
            endStay();
        return;
    }
    QList<TechnicianLine> lines = stored->technicians;
    if (!m_storedBill) {
        // Taken into service at another desk: the technicians this dialog took for it stay on
        // top of the other desk's, to be billed with "确定".
        m_inService = true;
        m_inServiceButton->setChecked(true);
        m_guestInButton->setEnabled(false);
        QList<TechnicianLine> taken = m_technicians->lines();
        taken.removeIf([](const TechnicianLine& line) { return line.released; });
        lines = taken + lines;
    }
    const OpenBill seen = m_storedBill.value_or(OpenBill {});
    m_technicians->setLines(lines);
    m_startTime = stored->startTime;
    m_startTimeEdit->setText(m_startTime.toString(TimeOfDayFormat));
    showClock();
    const struct
    {
        QComboBox* box;
        int seen;
        int stored;
    } counts[] = {
        { m_massageBox, seen.massageClocks, stored->massageClocks },
        { m_footWashBox, seen.footWashClocks, stored->footWashClocks },
        { m_pedicureBox, seen.pedicureCount, stored->pedicureCount },
    };
    for (const auto& count : counts) {
        if (!m_storedBill || count.seen != count.stored)
            count.box->setEditText(QString::number(count.stored));
    }
    if (!m_storedBill || seen.goods != stored->goods)
        m_goods->setLines(stored->goods);
    if (!m_storedBill || seen.items != stored->items)
        m_items->setLines(stored->items);
    fillItemBoxes();
    m_storedBill = stored;
}

void RoomServiceDialog::offerIdleTechnicians()
{
    const QString shown = m_technicianBox->currentText();
    m_technicianBox->clear();
    m_technicianBox->addItems(m_services.session.offeredTechnicians());
    const int item = m_technicianBox->findText(shown);
    m_technicianBox->setCurrentIndex(item);
    if (item < 0) {
        m_technicianBox->setEditText(ChooseTechnicianText);
        m_technicianUnadded = false;
    }
}

bool RoomServiceDialog::hasBill() const
{
    return m_services.session.roomState(m_room) == RoomState::InService;
}

// --- state of the room ---------------------------------------------------------------------------

void RoomServiceDialog::chooseGuestIn()
{
    m_inService = false;
}

void RoomServiceDialog::chooseInService()
{
    if (!m_inService) {
        m_startTime = m_services.clock.now();
        m_startTimeEdit->setText(m_startTime.toString(TimeOfDayFormat));
        showClock();
    }
    m_inService = true;
}

std::optional<ServiceSettings> RoomServiceDialog::readPrices() const
{
    return ServiceSettings::read(m_services.settings, m_services.messages);
}

std::optional<Authoriser> RoomServiceDialog::approveReduction(const std::function<void(OpenBill&)>& change)
{
    if (!RoomServiceActions(m_services.database, m_services.session).reduction(m_room, change, std::nullopt))
        return Authoriser {};
    QString error;
    const bool needed = HouseSettings::isOn(m_services.database, HouseSettings::ReductionNeedsApproval, &error);
    if (!error.isEmpty()) {
        m_services.messages.inform(error, {}, MessageService::Icon::Warning);
        return std::nullopt;
    }
    if (!needed)
        return Authoriser {};
    return AskApproval(m_services, this, ReductionRefusedText);
}

void RoomServiceDialog::chooseCount(BillCount count, QComboBox* box, int index)
{
    // A count chosen from the list reaches the bill at once; a typed one waits for "确定".
    if (!hasBill())
        return;
    const int value = box->itemText(index).toInt();
    const auto change = [count, value](OpenBill& bill) {
        (count == BillCount::Massage           ? bill.massageClocks
                : count == BillCount::FootWash ? bill.footWashClocks
                                               : bill.pedicureCount)
            = value;
    };
    const std::optional<Authoriser> approver = approveReduction(change);
    const auto showStoredCount = [this, count, box] {
        if (const std::optional<OpenBill> bill = m_services.session.bill(m_room))
            box->setEditText(QString::number(count == BillCount::Massage ? bill->massageClocks
                    : count == BillCount::FootWash                       ? bill->footWashClocks
                                                                         : bill->pedicureCount));
    };
    if (!approver) {
        // The stored count stays, and so does what the box shows.
        showStoredCount();
        return;
    }
    const Outcome<> stored
        = RoomServiceActions(m_services.database, m_services.session)
              .setCount(m_room, count, value, lowers(change) ? readPrices() : std::nullopt, *approver);
    if (!stored) {
        ShowSetback(m_services.messages, stored);
        showStoredCount();
        showRoomAsStored();
        return;
    }
    noteStoredBill();
}

bool RoomServiceDialog::lowers(const std::function<void(OpenBill&)>& change) const
{
    return RoomServiceActions(m_services.database, m_services.session)
        .reduction(m_room, change, std::nullopt)
        .has_value();
}

QPushButton* RoomServiceDialog::createAddClockButton()
{
    QPushButton* addClock = newButton(QStringLiteral("加钟"), "buttonAddClock", this);
    addClock->setFixedWidth(SmallButtonWidth);
    addClock->setToolTip(QStringLiteral("按摩钟数加一"));
    connect(addClock, &QPushButton::clicked, this, &RoomServiceDialog::addClock);
    setTabOrder(m_massageBox, addClock);
    setTabOrder(addClock, m_footWashBox);
    m_editing << addClock;
    return addClock;
}

void RoomServiceDialog::addClock()
{
    const int shown = LeadingInt(m_massageBox->currentText());
    if (shown == std::numeric_limits<int>::max())
        return;
    const int clocks = shown + 1;
    if (const QString refusal = ServiceCountsRefusal(clocks, 0, 0); !refusal.isEmpty()) {
        m_services.messages.inform(refusal);
        return;
    }
    if (hasBill()) {
        if (const Outcome<> stored = m_services.session.setCount(m_room, BillCount::Massage, clocks); !stored) {
            ShowSetback(m_services.messages, stored);
            showRoomAsStored();
            return;
        }
        noteStoredBill();
    }
    m_massageBox->setEditText(QString::number(clocks));
}

// --- technicians ---------------------------------------------------------------------------------

void RoomServiceDialog::showTechnicianStatus()
{
    TechnicianStatusDialog board(m_services, this);
    board.exec();
}

void RoomServiceDialog::addTechnician()
{
    if (!m_inService) {
        m_services.messages.inform(NotInServiceText);
        return;
    }
    const int item = m_technicianBox->findText(m_technicianBox->currentText());
    if (item < 0)
        return;
    const QString number = m_technicianBox->itemText(item);
    const StaffName staff = LookUpStaffName(m_services.database, number);
    if (!staff.error.isEmpty()) {
        m_services.messages.inform(staff.error, {}, MessageService::Icon::Warning);
        return;
    }
    if (!staff.found)
        return;

    const TechnicianLine line { number, staff.name, 0, 0, false, m_requestedBox->isChecked() };
    QList<TechnicianLine> lines = m_technicians->lines();
    lines.prepend(line);
    const Outcome<> added
        = RoomServiceActions(m_services.database, m_services.session).addTechnician(m_room, number, lines);
    if (!added) {
        ShowSetback(m_services.messages, added);
        showRoomAsStored();
        return;
    }
    noteStoredBill();
    m_technicians->insertLine(0, line);
    m_technicianUnadded = false;
    Announcements::sayUnlessSilenced(m_services.speech, m_services.database, HouseSettings::CallingTechniciansSilenced,
        Announcements::technicianCall(number, m_room));
    m_technicianBox->removeItem(item);
    m_technicianBox->setCurrentIndex(m_technicianBox->count() > 0 ? 0 : -1);
    if (m_technicianBox->count() == 0)
        m_technicianBox->setEditText(ChooseTechnicianText);
    m_requestedBox->setChecked(false);
    fillItemBoxes();
}

void RoomServiceDialog::addItem()
{
    if (!m_inService) {
        m_services.messages.inform(NotInServiceText);
        return;
    }
    const int chosen = m_itemBox->currentIndex();
    if (chosen < 0 || chosen >= m_menu.size()) {
        m_services.messages.inform(QStringLiteral("请选择服务项目!"));
        return;
    }
    const int count = LeadingInt(m_itemCountBox->currentText());
    if (count <= 0) {
        m_services.messages.inform(QStringLiteral("数量必须大于0,请重新输入!"));
        return;
    }
    const ServiceItem& item = m_menu[chosen];
    ItemLine line { .item = item.id,
        .name = item.name,
        .technician = m_itemTechnicianBox->currentIndex() > 0 ? m_itemTechnicianBox->currentText() : QString(),
        .count = count,
        .requested = false,
        .minutes = item.minutes };
    QString technicianName;
    for (const TechnicianLine& serving : m_technicians->lines()) {
        if (serving.number == line.technician) {
            line.requested = serving.requested;
            technicianName = serving.name;
            break;
        }
    }
    // A room taken into service here has no bill before "确定": its item lines wait for it.
    if (hasBill()) {
        const Outcome<> added
            = RoomServiceActions(m_services.database, m_services.session).addItem(m_room, line, technicianName);
        if (!added) {
            ShowSetback(m_services.messages, added);
            showRoomAsStored();
            return;
        }
        noteStoredBill();
    }
    m_items->insertLine(0, line);
}

void RoomServiceDialog::removeItem()
{
    const int row = m_itemList->selectedRow();
    if (row < 0) {
        m_services.messages.inform(QStringLiteral("请在列表中先择要删除的选项!"));
        return;
    }
    if (!hasBill()) {
        m_items->removeLine(row);
        return;
    }
    const auto change = [row](OpenBill& bill) {
        if (row < bill.items.size())
            bill.items.removeAt(row);
    };
    const std::optional<Authoriser> approver = approveReduction(change);
    if (!approver)
        return;
    Outcome<ItemTerms> terms = ItemTerms::read(m_services.database, m_services.session, false);
    if (!terms) {
        ShowSetback(m_services.messages, terms);
        return;
    }
    const Outcome<> removed = RoomServiceActions(m_services.database, m_services.session)
                                  .removeItem(m_room, row, readPrices(), terms.value(), *approver);
    if (!removed) {
        ShowSetback(m_services.messages, removed);
        showRoomAsStored();
        return;
    }
    noteStoredBill();
    m_items->removeLine(row);
}

void RoomServiceDialog::removeTechnician()
{
    const int row = m_technicianList->selectedRow();
    if (row < 0) {
        m_services.messages.inform(QStringLiteral("请选择要删除的技师!"));
        return;
    }
    const TechnicianLine line = m_technicians->line(row);
    QList<TechnicianLine> lines = m_technicians->lines();
    lines.removeAt(row);
    const auto change = [&lines](OpenBill& bill) { bill.technicians = lines; };
    const std::optional<Authoriser> approver = approveReduction(change);
    if (!approver)
        return;
    const Outcome<> removed
        = RoomServiceActions(m_services.database, m_services.session)
              .removeTechnician(m_room, line, lines, lowers(change) ? readPrices() : std::nullopt, *approver);
    if (!removed) {
        ShowSetback(m_services.messages, removed);
        showRoomAsStored();
        return;
    }
    noteStoredBill();
    m_technicians->removeLine(row);
    fillItemBoxes();
    if (m_technicianBox->findText(line.number) < 0)
        m_technicianBox->addItem(line.number);
}

QStringList RoomServiceDialog::unbilledTechnicians() const
{
    QStringList numbers;
    if (hasBill())
        return numbers;
    for (const TechnicianLine& line : m_technicians->lines()) {
        if (!line.released)
            numbers.append(line.number);
    }
    return numbers;
}

// --- goods ---------------------------------------------------------------------------------------

void RoomServiceDialog::showGoodsRecords()
{
    MasterRecordDialog records(RecordMode::Goods, m_services, this);
    records.exec();
}

void RoomServiceDialog::addGoods()
{
    const QString name = m_goodsBox->currentText();
    if (name.trimmed().isEmpty() || name == ChooseGoodsText) {
        m_services.messages.inform(ChooseGoodsText + u'!');
        return;
    }
    const int quantity = LeadingInt(m_quantityBox->currentText());
    if (const QString refusal = GoodsQuantityRefusal(quantity); !refusal.isEmpty()) {
        m_services.messages.inform(refusal);
        return;
    }
    const Outcome<std::optional<GoodsLine>> found = GoodsStock(m_services.database).line(name, quantity);
    if (!found) {
        ShowSetback(m_services.messages, found);
        return;
    }
    // An article not in stock has no price: it is refused rather than billed at nothing.
    const GoodsLine line = found.value().value_or(GoodsLine { name, quantity, {}, {} });
    if (const QString refusal = GoodsLineRefusal(line); !refusal.isEmpty()) {
        m_services.messages.inform(refusal);
        return;
    }
    m_goods->insertLine(0, line);
    m_goodsUnadded = false;
}

void RoomServiceDialog::removeGoods()
{
    const int row = m_goodsList->selectedRow();
    if (row < 0) {
        m_services.messages.inform(QStringLiteral("请在列表中先择要删除的选项!"));
        return;
    }
    m_goods->removeLine(row);
}

// --- the end of the stay -------------------------------------------------------------------------

void RoomServiceDialog::checkout()
{
    const QStringList unbilled = unbilledTechnicians();
    CheckoutDialog checkout(m_services, m_room, this);
    if (checkout.exec() == QDialog::Accepted) {
        // The settlement ended the stay with the bill; technicians a room without a bill had
        // taken go back to the queue as well.
        if (!unbilled.isEmpty()) {
            const Outcome<> returned
                = RoomServiceActions(m_services.database, m_services.session).endStay(m_room, unbilled);
            if (!returned)
                ShowSetback(m_services.messages, returned);
        }
        endStay();
    }
    // Checkout may have released technicians and entered their clocks, or found the room
    // changed or settled at another desk.
    showRoomAsStored();
    if (const std::optional<OpenBill> bill = m_services.session.bill(m_room))
        m_technicians->showStoredLines(bill->technicians);
}

void RoomServiceDialog::voidStay()
{
    // A guest without a service leaves without a word; a service is voided only with the
    // approval of someone above a cashier, and the operator log keeps what it held.
    RoomServiceActions actions(m_services.database, m_services.session);
    std::optional<LogEntry> voided;
    if (m_inService) {
        const std::optional<Authoriser> approver
            = AskApproval(m_services, this, QStringLiteral("收银员没有权限放弃单据!"));
        if (!approver)
            return;
        voided = actions.voidEntry(
            m_room, unbilledTechnicians(), *approver, ServiceSettings::read(m_services.settings, m_services.messages));
    }
    const Outcome<> ended = actions.endStay(m_room, unbilledTechnicians(), voided);
    if (!ended) {
        ShowSetback(m_services.messages, ended);
        showRoomAsStored();
        return;
    }
    endStay();
    accept();
}

void RoomServiceDialog::endStay()
{
    m_closed = true;
    m_stateGroup->setExclusive(false);
    m_guestInButton->setChecked(false);
    m_inServiceButton->setChecked(false);
    m_stateGroup->setExclusive(true);
    for (QWidget* control : std::as_const(m_editing))
        control->setEnabled(false);
    m_clockTimer->stop();
}

OpenBill RoomServiceDialog::billShown() const
{
    OpenBill bill;
    bill.startTime = m_startTime;
    bill.massageClocks = LeadingInt(m_massageBox->currentText());
    bill.footWashClocks = LeadingInt(m_footWashBox->currentText());
    bill.pedicureCount = LeadingInt(m_pedicureBox->currentText());
    bill.technicians = m_technicians->lines();
    bill.items = m_items->lines();
    bill.goods = m_goods->lines();
    return bill;
}

RoomServiceOutcome RoomServiceDialog::outcome() const
{
    RoomServiceOutcome outcome;
    outcome.accepted = result() == QDialog::Accepted;
    outcome.closed = m_closed;
    outcome.inService = m_inService;
    outcome.bill = billShown();
    return outcome;
}

void RoomServiceDialog::confirm()
{
    const QString goods = m_goodsBox->currentText().trimmed();
    const bool goodsTyped = m_goodsUnadded && !goods.isEmpty() && goods != ChooseGoodsText;
    const bool technicianTyped = m_technicianUnadded && m_technicianBox->findText(m_technicianBox->currentText()) >= 0;
    if (!m_closed && !MayDiscardTyping(m_services.messages, goodsTyped || technicianTyped))
        return;
    if (!m_closed) {
        const OpenBill bill = billShown();
        if (const QString refusal = ServiceCountsRefusal(bill.massageClocks, bill.footWashClocks, bill.pedicureCount);
            !refusal.isEmpty()) {
            m_services.messages.inform(refusal);
            return;
        }
        // Stored here, so that a failed write keeps the dialog open with what was entered. The
        // room page applies the same outcome again when the dialog has ended, which then
        // changes nothing.
        // What the bill loses against the stored one is approved (when the house asks for it)
        // and logged with the change.
        if (hasBill()) {
            const auto change = [&bill](OpenBill& stored) {
                const QDateTime start = stored.startTime;
                stored = bill;
                stored.startTime = start;
            };
            const std::optional<Authoriser> approver = approveReduction(change);
            if (!approver)
                return;
            if (const Outcome<> stored
                = RoomServiceActions(m_services.database, m_services.session)
                      .replaceBill(m_room, bill, lowers(change) ? readPrices() : std::nullopt, *approver);
                !stored) {
                ShowSetback(m_services.messages, stored);
                showRoomAsStored();
                return;
            }
        }
        RoomServiceOutcome ending;
        ending.accepted = true;
        ending.inService = m_inService;
        ending.bill = bill;
        if (const Outcome<> stored = RoomStates::applyOutcome(m_services.session, m_room, ending); !stored) {
            ShowSetback(m_services.messages, stored);
            showRoomAsStored();
            return;
        }
    }
    accept();
}
