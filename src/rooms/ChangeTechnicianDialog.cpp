#include "rooms/ChangeTechnicianDialog.h"

#include "app/HouseSettings.h"
#include "app/MessageService.h"
#include "app/SetbackMessage.h"
#include "desk/AppServices.h"
#include "desk/DeskSession.h"
#include "rooms/Announcements.h"
#include "skin/OkCancelRow.h"
#include "skin/PaintedText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString NoNextText = QStringLiteral("空闲技师列表中没有可以上钟的技师!");

} // namespace

ChangeTechnicianDialog::ChangeTechnicianDialog(AppServices& services, const QString& room, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_room(room)
    , m_oldBox(new QComboBox(this))
    , m_newBox(new QComboBox(this))
    , m_requested(new QCheckBox(QStringLiteral("点钟"), this))
{
    setObjectName(QStringLiteral("changeTechnicianDialog"));
    setWindowTitle(QStringLiteral("换技师 - %1号房").arg(room));

    m_oldBox->setObjectName(QStringLiteral("oldTechnicianBox"));
    m_oldBox->setMinimumWidth(150);
    fillOldBox();

    m_newBox->setObjectName(QStringLiteral("newTechnicianBox"));
    m_newBox->setEditable(true);
    m_newBox->setInsertPolicy(QComboBox::NoInsert);
    m_newBox->setMinimumWidth(150);
    m_newBox->addItems(m_services.session.offeredTechnicians());
    m_newBox->setCurrentIndex(-1);
    m_newBox->setEditText({});
    m_newBox->lineEdit()->setPlaceholderText(QStringLiteral("输入或选择技师编号"));
    // A number typed or chosen is a guest's wish for that technician.
    connect(m_newBox->lineEdit(), &QLineEdit::textEdited, this, [this] { m_requested->setChecked(true); });
    connect(m_newBox, &QComboBox::activated, this, [this] { m_requested->setChecked(true); });

    auto* next = new QPushButton(QStringLiteral("下一位"), this);
    next->setObjectName(QStringLiteral("nextButton"));
    next->setAutoDefault(false);
    connect(next, &QPushButton::clicked, this, &ChangeTechnicianDialog::takeNext);

    m_requested->setObjectName(QStringLiteral("requestedBox"));
    m_requested->setToolTip(QStringLiteral("客人点号的技师为点钟,按空闲顺序上钟的为轮钟"));

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(10);
    grid->addWidget(PaintedLabel(QStringLiteral("换下技师:"), this), 0, 0);
    grid->addWidget(m_oldBox, 0, 1, 1, 2);
    grid->addWidget(PaintedLabel(QStringLiteral("换上技师:"), this), 1, 0);
    grid->addWidget(m_newBox, 1, 1);
    grid->addWidget(next, 1, 2);
    grid->addWidget(m_requested, 2, 1);

    QPushButton* ok = nullptr;
    QHBoxLayout* buttons = OkCancelRow(this, &ok);
    connect(ok, &QPushButton::clicked, this, &ChangeTechnicianDialog::confirm);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(12);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    // The tab order follows the rows: old, new, 下一位, 点钟, 确定, 取消.
    setTabOrder(m_oldBox, m_newBox);
    setTabOrder(m_newBox, next);
    setTabOrder(next, m_requested);
    setTabOrder(m_requested, ok);
    setFixedSize(sizeHint().expandedTo(QSize(320, 0)));
    m_newBox->setFocus();
}

void ChangeTechnicianDialog::fillOldBox()
{
    m_oldBox->clear();
    const std::optional<OpenBill> bill = m_services.session.bill(m_room);
    if (!bill)
        return;
    for (const TechnicianLine& line : bill->technicians) {
        if (!line.released)
            m_oldBox->addItem(QStringLiteral("%1 %2").arg(line.number, line.name), line.number);
    }
}

void ChangeTechnicianDialog::takeNext()
{
    const QString next = m_services.session.nextTechnician();
    if (next.isEmpty()) {
        m_services.messages.inform(NoNextText);
        return;
    }
    m_newBox->setEditText(next);
    m_requested->setChecked(false); // the next of the queue is a 轮钟
}

void ChangeTechnicianDialog::confirm()
{
    if (m_oldBox->currentIndex() < 0) {
        m_services.messages.inform(QStringLiteral("请选择要换下的技师!"));
        return;
    }
    const QString newNumber = m_newBox->currentText().trimmed();
    if (newNumber.isEmpty()) {
        m_services.messages.inform(QStringLiteral("请输入或选择换上的技师!"));
        return;
    }
    const QString oldNumber = m_oldBox->currentData().toString();
    const Outcome<> replaced
        = m_services.session.replaceTechnician(m_room, oldNumber, newNumber, {}, m_requested->isChecked());
    if (!replaced) {
        ShowSetback(m_services.messages, replaced);
        fillOldBox(); // as the room is now
        m_oldBox->setCurrentIndex(m_oldBox->findData(oldNumber));
        return;
    }
    Announcements::sayUnlessSilenced(m_services.speech, m_services.database, HouseSettings::CallingTechniciansSilenced,
        Announcements::technicianCall(newNumber, m_room));
    accept();
}
