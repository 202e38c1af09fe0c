#include "users/PermissionDialog.h"

#include "app/MessageService.h"
#include "desk/AppServices.h"
#include "desk/OperatorLog.h"
#include "skin/PaintedText.h"
#include "users/PermissionStore.h"
#include "users/RoleBox.h"
#include "users/Roles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

const QString PermissionDialog::DoneText = QStringLiteral("设置完成!");
const QString PermissionDialog::ApplyQuestion = QStringLiteral("修改的权限还没有应用,是否现在应用?");

namespace {

const char16_t* const FlagCaptions[PermissionFlagCount] = {
    u"允许房间组数设定",
    u"允许快速设置房间号",
    u"允许用户帐号管理",
    u"允许权限设置",
    u"允许商品库存",
    u"允许价格设置",
    u"允许经营帐单查询",
    u"允许技师服务情况汇总",
    u"允许商品消费情况汇总",
    u"允许公司信息管理",
    u"允许商品库存管理",
    u"允许员工资料管理",
    u"允许员工上班时间安排",
    u"允许会员资料管理",
    u"允许打印工资表",
    u"允许提成公式设置",
    u"技师管理按钮",
    u"查询按钮",
    u"允许服务项目设置",
    u"允许会员充值",
};

// The five menu columns: caption and the flags under it (first, one past the last), and a
// flag added later under them (-1: none).
struct MenuGroup
{
    const char16_t* caption;
    int first;
    int end;
    int added = -1;
};
const MenuGroup MenuGroups[] = {
    { u"工具菜单", 0, 4 },
    { u"状态入帐收银菜单", 4, 6, ServiceItemsFlag }, // 服务项目设置 under 价格设置
    { u"查询与报表输出菜单", 6, 9 },
    { u"资料设定菜单", 9, 14, CardTopUpFlag }, // 会员充值 under 会员资料管理
    { u"工资管理菜单", 14, 16 },
};

} // namespace

PermissionDialog::PermissionDialog(AppServices& services, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_role(Cashier)
    , m_roleBox(NewRoleBox(this))
{
    setObjectName(QStringLiteral("permissionDialog"));
    setWindowTitle(QStringLiteral("权限设置"));

    m_roleBox->setMinimumWidth(120);
    connect(m_roleBox, &QComboBox::activated, this, &PermissionDialog::chooseRole);

    for (int i = 0; i < PermissionFlagCount; ++i) {
        m_boxes[i] = new QCheckBox(QString::fromUtf16(FlagCaptions[i]), this);
        m_boxes[i]->setObjectName(QStringLiteral("flag%1").arg(i + 1));
    }

    auto* menuFrame = new QGroupBox(QStringLiteral("菜单权限设置"), this);
    auto* menuColumns = new QHBoxLayout(menuFrame);
    menuColumns->setSpacing(18);
    for (const MenuGroup& group : MenuGroups) {
        auto* column = new QVBoxLayout;
        column->setSpacing(8);
        column->addWidget(PaintedLabel(QString::fromUtf16(group.caption), menuFrame));
        for (int i = group.first; i < group.end; ++i)
            column->addWidget(m_boxes[i]);
        if (group.added >= 0)
            column->addWidget(m_boxes[group.added]);
        column->addStretch();
        menuColumns->addLayout(column);
    }

    auto* buttonFrame = new QGroupBox(QStringLiteral("按钮权限设置"), this);
    auto* buttonFlags = new QHBoxLayout(buttonFrame);
    buttonFlags->setSpacing(18);
    buttonFlags->addWidget(m_boxes[16]);
    buttonFlags->addWidget(m_boxes[17]);
    buttonFlags->addStretch();

    auto* applyButton = new QPushButton(QStringLiteral("应用"), this);
    applyButton->setObjectName(QStringLiteral("applyButton"));
    auto* okButton = new QPushButton(QStringLiteral("确定"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    auto* cancelButton = new QPushButton(QStringLiteral("取消"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    for (QPushButton* button : { applyButton, okButton, cancelButton }) {
        button->setMinimumSize(75, 25);
        button->setAutoDefault(false);
    }
    okButton->setDefault(true);
    connect(applyButton, &QPushButton::clicked, this, [this] { apply(); });
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, [this] {
        m_discarding = true;
        reject();
    });

    auto* roleRow = new QHBoxLayout;
    roleRow->addWidget(PaintedLabel(QStringLiteral("选择修改的权限对象："), this));
    roleRow->addWidget(m_roleBox);
    roleRow->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(applyButton);
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(12);
    layout->addLayout(roleRow);
    layout->addWidget(menuFrame);
    layout->addWidget(buttonFrame);
    layout->addLayout(buttons);

    loadRow();
}

PermissionFlags PermissionDialog::shownFlags() const
{
    PermissionFlags allowed {};
    for (int i = 0; i < PermissionFlagCount; ++i)
        allowed[i] = m_boxes[i]->isChecked();
    return allowed;
}

void PermissionDialog::chooseRole(int index)
{
    const int role = RoleFromName(m_roleBox->itemText(index));
    if (role < 0)
        return;
    m_role = role;
    loadRow();
}

void PermissionDialog::loadRow()
{
    QString error;
    const std::optional<AuthorityRow> row = LoadAuthorityRow(m_services.database, m_role, &error);
    if (!error.isEmpty()) {
        m_services.messages.inform(error, {}, MessageService::Icon::Warning);
        return;
    }
    if (row) {
        const PermissionFlags allowed = PermissionsFromRow(*row);
        for (int i = 0; i < PermissionFlagCount; ++i)
            m_boxes[i]->setChecked(allowed[i]);
    }
    // Without a row the boxes keep their states; there is nothing to apply them to.
    m_storedFlags = shownFlags();
}

bool PermissionDialog::apply()
{
    const PermissionFlags shown = shownFlags();
    QStringList granted;
    QStringList withdrawn;
    for (int i = 0; i < PermissionFlagCount; ++i) {
        if (shown[i] != m_storedFlags[i])
            (shown[i] ? granted : withdrawn) << m_boxes[i]->text();
    }
    QString description = RoleName(m_role) + QStringLiteral("的权限");
    if (!granted.isEmpty())
        description += QStringLiteral(" 允许:") + granted.join(u' ');
    if (!withdrawn.isEmpty())
        description += QStringLiteral(" 取消:") + withdrawn.join(u' ');
    // The row is written with its line in the operator log; a role without a row writes
    // nothing and says nothing.
    const Outcome<> saved = OperatorLog(m_services.database, m_services.session).record([&]() -> Outcome<LogEntry> {
        const PermissionSave save = SaveAuthorityRow(m_services.database, m_role, shown);
        if (!save.saved)
            return Refusal { save.message };
        return LogEntry { .kind = LogKind::Permissions, .description = description };
    });
    if (!saved && !saved.text().isEmpty()) {
        m_services.messages.inform(saved.text(), {}, MessageService::Icon::Warning);
        return false;
    }
    if (saved)
        m_services.messages.inform(DoneText);
    m_storedFlags = shownFlags();
    return true;
}

void PermissionDialog::done(int result)
{
    // Boxes ticked and then Enter (which reaches "确定") or the close box would otherwise be
    // thrown away without a word.
    if (!m_discarding && hasUnappliedChanges() && m_services.messages.ask(ApplyQuestion) && !apply())
        return;
    m_discarding = false;
    QDialog::done(result);
}
