#include "service/ServicePricesDialog.h"

#include "app/HouseSettings.h"
#include "app/MessageService.h"
#include "app/TypedNumber.h"
#include "desk/AppServices.h"
#include "service/ClockSettingsFields.h"
#include "service/PriceChangeLog.h"
#include "service/ServiceSettings.h"
#include "skin/OkCancelRow.h"
#include "skin/PaintedText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

QLineEdit* newPriceBox(const char* objectName, QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(objectName));
    box->setFixedWidth(80);
    return box;
}

// A typed price: "按摩价格不能小于0,请重新输入!" for a negative one as before, the reason
// otherwise ("按摩价格不是一个数字,请重新输入!").
QString priceRefusal(const TypedReading& reading, const QString& field, const TypedRule& rule)
{
    if (reading.problem == TypedProblem::Negative)
        return field + u"不能小于0,请重新输入!";
    return TypedRetypeText(reading.problem, field, rule);
}

const QString CallingVoiceCaption = QStringLiteral("上钟时语音呼叫技师");
const QString DueVoiceCaption = QStringLiteral("到钟时语音提醒");
const QString RequestedTurnCaption = QStringLiteral("点钟保留轮次");

} // namespace

ServicePricesDialog::ServicePricesDialog(AppServices& services, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_massagePrice(newPriceBox("massagePriceEdit", this))
    , m_footWashPrice(newPriceBox("footWashPriceEdit", this))
    , m_pedicurePrice(newPriceBox("pedicurePriceEdit", this))
    , m_freeClockBox(new QComboBox(this))
    , m_memberDiscount(newPriceBox("memberDiscountEdit", this))
    , m_clockFields(new ClockSettingsFields(this))
{
    setObjectName(QStringLiteral("servicePricesDialog"));
    setWindowTitle(QStringLiteral("设置服务价格"));

    m_freeClockBox->setObjectName(QStringLiteral("freeClockBox"));
    m_freeClockBox->setEditable(true);
    m_freeClockBox->setInsertPolicy(QComboBox::NoInsert);
    m_freeClockBox->setFixedWidth(70);
    for (int count = 1; count <= 8; ++count)
        m_freeClockBox->addItem(QString::number(count));
    m_freeClockBox->setCurrentIndex(-1);
    m_freeClockBox->setEditText({});

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(10);
    const struct
    {
        QString label;
        QLineEdit* box;
        QString unit;
    } prices[] = {
        { QStringLiteral("按摩:"), m_massagePrice, QStringLiteral("元/钟") },
        { QStringLiteral("洗脚:"), m_footWashPrice, QStringLiteral("元/钟") },
        { QStringLiteral("修脚:"), m_pedicurePrice, QStringLiteral("元/次") },
    };
    for (int row = 0; row < 3; ++row) {
        grid->addWidget(PaintedLabel(prices[row].label, this), row, 0);
        grid->addWidget(prices[row].box, row, 1);
        grid->addWidget(PaintedLabel(prices[row].unit, this), row, 2);
    }
    grid->setColumnMinimumWidth(3, 16);
    grid->addWidget(PaintedLabel(QStringLiteral("几个钟后"), this), 0, 4);
    grid->addWidget(m_freeClockBox, 0, 5);
    grid->addWidget(PaintedLabel(QStringLiteral("送一个钟"), this), 0, 6);
    grid->addWidget(PaintedLabel(QStringLiteral("会员打折:"), this), 2, 4);
    grid->addWidget(m_memberDiscount, 2, 5, 1, 2);

    QPushButton* ok = nullptr;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 14);
    layout->setSpacing(16);
    layout->addLayout(grid);
    layout->addWidget(m_clockFields);
    // Whether a lower count or a line removed from an open bill needs a 部长 or above.
    m_reductionApproval = new QCheckBox(QStringLiteral("减单需授权"), this);
    m_reductionApproval->setObjectName(QStringLiteral("reductionApprovalBox"));
    m_reductionApproval->setToolTip(QStringLiteral("在未结帐的单据上减钟、减商品或删除技师时,须部长或以上授权"));
    m_reductionApproval->setChecked(HouseSettings::isOn(m_services.database, HouseSettings::ReductionNeedsApproval));
    // The most a cashier may waive of a bill (抹零) without a manager.
    m_waiverLimit = new QLineEdit(this);
    m_waiverLimit->setObjectName(QStringLiteral("waiverLimitEdit"));
    m_waiverLimit->setFixedWidth(70);
    m_waiverLimit->setToolTip(QStringLiteral("结算时收银员抹零不超过此金额无需授权,超过须部长或以上授权"));
    m_waiverLimit->setText(Money::fromFen(
        HouseSettings::figureOr(m_services.database, HouseSettings::WaiverLimit, HouseSettings::DefaultWaiverLimitFen))
                               .text());
    auto* approvals = new QHBoxLayout;
    approvals->setSpacing(8);
    approvals->addWidget(m_reductionApproval);
    approvals->addSpacing(16);
    approvals->addWidget(PaintedLabel(QStringLiteral("抹零上限:"), this));
    approvals->addWidget(m_waiverLimit);
    approvals->addWidget(PaintedLabel(QStringLiteral("元"), this));
    approvals->addStretch(1);
    layout->addLayout(approvals);
    // The spoken announcements, on until turned off; a desk without a Chinese voice says
    // nothing either way.
    m_callingVoice = new QCheckBox(CallingVoiceCaption, this);
    m_callingVoice->setObjectName(QStringLiteral("callingVoiceBox"));
    m_callingVoice->setToolTip(QStringLiteral("技师添加到房间时播报“请 12 号技师到 208 房上钟”"));
    m_callingVoice->setChecked(!HouseSettings::isOn(m_services.database, HouseSettings::CallingTechniciansSilenced));
    m_dueVoice = new QCheckBox(DueVoiceCaption, this);
    m_dueVoice->setObjectName(QStringLiteral("dueVoiceBox"));
    m_dueVoice->setToolTip(QStringLiteral("房间到钟时除铃声外播报“208 房已到钟”"));
    m_dueVoice->setChecked(!HouseSettings::isOn(m_services.database, HouseSettings::DueRoomsSilenced));
    auto* voices = new QHBoxLayout;
    voices->setSpacing(24);
    voices->addWidget(m_callingVoice);
    voices->addWidget(m_dueVoice);
    // A 点钟 keeps its turn until turned off; the switch names the loss.
    m_requestedTurn = new QCheckBox(RequestedTurnCaption, this);
    m_requestedTurn->setObjectName(QStringLiteral("requestedTurnBox"));
    m_requestedTurn->setToolTip(QStringLiteral("客人点号的技师上钟时仍排在空闲技师列表原来的位置,下钟后回到原位"));
    m_requestedTurn->setChecked(!HouseSettings::isOn(m_services.database, HouseSettings::RequestedLosesTurn));
    voices->addWidget(m_requestedTurn);
    voices->addStretch(1);
    layout->addLayout(voices);
    layout->addLayout(OkCancelRow(this, &ok));
    connect(ok, &QPushButton::clicked, this, &ServicePricesDialog::confirm);

    if (const std::optional<ServiceSettings> stored = ServiceSettings::read(m_services.settings, m_services.messages))
        showSettings(*stored);
    m_clockFields->showSettings(ClockSettings::read(m_services.settings));
    m_massagePrice->setFocus();
}

void ServicePricesDialog::showSettings(const ServiceSettings& settings)
{
    m_massagePrice->setText(settings.massagePrice.amountText());
    m_footWashPrice->setText(settings.footWashPrice.amountText());
    m_pedicurePrice->setText(settings.pedicurePrice.amountText());
    m_freeClockBox->setEditText(settings.freeClockCount.text()); // a count: "3", not "3.00";
    m_memberDiscount->setText(settings.memberDiscount.amountText());
}

Outcome<ServiceSettings> ServicePricesDialog::typedSettings() const
{
    ServiceSettings settings;
    const TypedRule price = TypedRule::unitPrice().orEmptyAsZero(); // an empty box is 0, as before
    const struct
    {
        QString text;
        QString field;
        Decimal* value;
    } prices[] = {
        { m_massagePrice->text(), QStringLiteral("按摩价格"), &settings.massagePrice },
        { m_footWashPrice->text(), QStringLiteral("洗脚价格"), &settings.footWashPrice },
        { m_pedicurePrice->text(), QStringLiteral("修脚价格"), &settings.pedicurePrice },
        { m_freeClockBox->currentText(), QStringLiteral("送钟数"), &settings.freeClockCount },
    };
    for (const auto& typed : prices) {
        const TypedReading reading = ReadTyped(typed.text, price);
        if (!reading.ok())
            return Refusal { priceRefusal(reading, typed.field, price) };
        *typed.value = reading.value;
    }
    const TypedReading discount = ReadTyped(m_memberDiscount->text(), TypedRule::factor());
    if (!discount.ok())
        return Refusal { QStringLiteral("会员打折请输入范围在0-1之间的小数!") };
    settings.memberDiscount = discount.value;
    return settings;
}

void ServicePricesDialog::confirm()
{
    const Outcome<ServiceSettings> typed = typedSettings();
    if (!typed) {
        m_services.messages.inform(typed.text());
        return;
    }
    const ServiceSettings& settings = typed.value();
    const ClockSettings clocks = m_clockFields->typedSettings();
    const TypedRule limitRule = TypedRule::amount();
    const TypedReading limit = ReadTyped(m_waiverLimit->text(), limitRule);
    if (!limit.ok()) {
        m_services.messages.inform(TypedRetypeText(limit.problem, QStringLiteral("抹零上限"), limitRule));
        return;
    }
    for (const QString& refusal : { ServiceSettingsRefusal(settings), ClockSettingsRefusal(clocks) }) {
        if (!refusal.isEmpty()) {
            m_services.messages.inform(refusal);
            return;
        }
    }
    // Each setting is replaced whole or not at all, the prices only with their log row; a
    // failure has been shown, and the dialog closes either way, as the desk expects.
    WritePricesLogged(m_services, settings);
    clocks.write(m_services.settings, m_services.messages);
    if (const Money typedLimit = TypedMoney(limit); typedLimit.fen()
        != HouseSettings::figureOr(
            m_services.database, HouseSettings::WaiverLimit, HouseSettings::DefaultWaiverLimitFen))
        WriteWaiverLimitLogged(m_services, typedLimit);
    if (m_reductionApproval->isChecked()
        != HouseSettings::isOn(m_services.database, HouseSettings::ReductionNeedsApproval))
        WriteReductionApprovalLogged(m_services, m_reductionApproval->isChecked());
    const struct
    {
        QStringView silenced;
        QString caption;
        bool spoken;
    } announcements[] = {
        { HouseSettings::CallingTechniciansSilenced, CallingVoiceCaption, m_callingVoice->isChecked() },
        { HouseSettings::DueRoomsSilenced, DueVoiceCaption, m_dueVoice->isChecked() },
    };
    for (const auto& announcement : announcements) {
        if (announcement.spoken == HouseSettings::isOn(m_services.database, announcement.silenced))
            WriteAnnouncementLogged(m_services, announcement.silenced, announcement.caption, announcement.spoken);
    }
    const bool keepsTurn = m_requestedTurn->isChecked();
    if (keepsTurn == HouseSettings::isOn(m_services.database, HouseSettings::RequestedLosesTurn))
        WriteSwitchLogged(m_services, HouseSettings::RequestedLosesTurn, !keepsTurn,
            RequestedTurnCaption + (keepsTurn ? u":开" : u":关"));
    accept();
}
