#pragma once

#include <QString>

#include <functional>

struct CommandContext;

// The main window's commands of the master data.

// "商品库存" and "商品库存管理": the goods records.
void OpenGoodsRecords(const CommandContext& context);
// "员工资料管理" and the button "技师管理".
void OpenStaffRecords(const CommandContext& context);
void OpenMemberRecords(const CommandContext& context); // "会员(卡)资料管理(&H)"
// The same with the button "充值", which hands the selected member's card to `topUp`.
void OpenMemberRecords(const CommandContext& context, const std::function<void(const QString& card)>& topUp);
void OpenCompanyProfile(const CommandContext& context); // "公司信息管理(&G)"
