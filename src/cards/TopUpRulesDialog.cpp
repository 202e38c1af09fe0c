#include "cards/TopUpRulesDialog.h"

#include "app/HouseSettings.h"
#include "app/MessageService.h"
#include "cards/CardDesk.h"
#include "cards/CardSettings.h"
#include "desk/AppServices.h"
#include "skin/DialogButton.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

TopUpRulesDialog::TopUpRulesDialog(AppServices& services, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_table(new QTableWidget(0, 2, this))
    , m_bonusFirst(new QCheckBox(QStringLiteral("会员卡消费先扣赠送金额(不勾选则先扣本金)"), this))
{
    setObjectName(QStringLiteral("topUpRulesDialog"));
    setWindowTitle(QStringLiteral("充值规则设置"));
    m_table->setObjectName(QStringLiteral("ruleTable"));
    m_table->setHorizontalHeaderLabels({ QStringLiteral("充值金额(元)达到"), QStringLiteral("赠送金额(元)") });
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);

    auto* add = NewDialogButton(QStringLiteral("增加"), "addButton", this);
    auto* remove = NewDialogButton(QStringLiteral("删除"), "removeButton", this);
    auto* save = NewDialogButton(QStringLiteral("保存"), "saveButton", this);
    auto* close = NewDialogButton(QStringLiteral("关闭"), "cancelButton", this);
    connect(add, &QPushButton::clicked, this, [this] {
        addRow();
        m_table->setCurrentCell(m_table->rowCount() - 1, 0);
        m_table->editItem(m_table->item(m_table->rowCount() - 1, 0));
    });
    connect(remove, &QPushButton::clicked, this, &TopUpRulesDialog::removeRow);
    connect(save, &QPushButton::clicked, this, &TopUpRulesDialog::save);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    const Outcome<QList<TopUpRule>> rules = LoadTopUpRules(services.database);
    if (!rules)
        services.messages.inform(rules.text(), {}, MessageService::Icon::Warning);
    else
        for (const TopUpRule& rule : rules.value())
            addRow(rule.threshold.text(), rule.bonus.text());

    auto* note = new QLabel(
        QStringLiteral("会员一次充值达到某一金额时,按达到的最高一档赠送。例如充1000送100、充500送30。"), this);
    note->setWordWrap(true);
    // Principal first unless a manager chooses otherwise: what 退卡 pays back depends on it.
    m_bonusFirst->setObjectName(QStringLiteral("bonusFirstBox"));
    m_bonusFirst->setChecked(HouseSettings::isOn(services.database, CardSettings::BonusFirst));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_bonusFirst);
    layout->addLayout(buttons);
    resize(440, 360);
}

void TopUpRulesDialog::addRow(const QString& threshold, const QString& bonus)
{
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    m_table->setItem(row, 0, new QTableWidgetItem(threshold));
    m_table->setItem(row, 1, new QTableWidgetItem(bonus));
}

void TopUpRulesDialog::removeRow()
{
    const int row = m_table->currentRow();
    if (row < 0) {
        m_services.messages.inform(QStringLiteral("请选择要删除的规则!"));
        return;
    }
    m_table->removeRow(row);
}

void TopUpRulesDialog::save()
{
    QList<TopUpRule> rules;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const QString threshold = m_table->item(row, 0) ? m_table->item(row, 0)->text().trimmed() : QString();
        const QString bonus = m_table->item(row, 1) ? m_table->item(row, 1)->text().trimmed() : QString();
        if (threshold.isEmpty() && bonus.isEmpty())
            continue;
        const Outcome<Money> reached = ReadCardAmount(threshold);
        if (!reached) {
            m_services.messages.inform(QStringLiteral("第%1行充值%2").arg(row + 1).arg(reached.text()));
            return;
        }
        Money given;
        if (!bonus.isEmpty() && bonus != u"0") {
            const Outcome<Money> typed = ReadCardAmount(bonus);
            if (!typed) {
                m_services.messages.inform(QStringLiteral("第%1行赠送%2").arg(row + 1).arg(typed.text()));
                return;
            }
            given = typed.value();
        }
        rules.append({ reached.value(), given });
    }
    CardDesk desk(m_services.database, m_services.session);
    Outcome<> saved = desk.saveRules(rules);
    if (saved && m_bonusFirst->isChecked() != HouseSettings::isOn(m_services.database, CardSettings::BonusFirst))
        saved = desk.setBonusFirst(m_bonusFirst->isChecked());
    if (!saved) {
        m_services.messages.inform(
            saved.text(), {}, saved.isFailure() ? MessageService::Icon::Warning : MessageService::Icon::Information);
        return;
    }
    m_services.messages.inform(QStringLiteral("充值规则已保存!"));
    accept();
}
