#pragma once

struct CommandContext;

// The main window's commands of the master data.

// "商品库存" and "商品库存管理": the goods records.
void OpenGoodsRecords(const CommandContext& context);
// "员工资料管理" and the button "技师管理".
void OpenStaffRecords(const CommandContext& context);
void OpenMemberRecords(const CommandContext& context); // "会员(卡)资料管理(&H)"
void OpenCompanyProfile(const CommandContext& context); // "公司信息管理(&G)"
