#pragma once

#include <QString>

struct CommandContext;

// The main window's commands of the member cards.

// "会员充值": the top-up window, on `card` when given (the 充值 button of the member records).
void OpenCardTopUp(const CommandContext& context, const QString& card = {});
void OpenCardTopUpCommand(const CommandContext& context);
// "会员卡管理": 挂失, 补卡, 退卡, 调整, 密码 and the card's ledger.
void OpenCardManagement(const CommandContext& context);
// "充值规则设置": for a manager or the general manager only.
void OpenTopUpRules(const CommandContext& context);
// "会员充值表": the period's movements and the balances owed.
void OpenCardReport(const CommandContext& context);
