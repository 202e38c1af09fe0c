#pragma once

struct CommandContext;

// The main window's commands of the business queries.

// "经营帐单查询(&F) Ctrl+F" and the button "帐单查询": the receipts.
void OpenBillQuery(const CommandContext& context);
void OpenTechnicianSummary(const CommandContext& context); // "技师服务情况汇总(&G)"
void OpenGoodsSummary(const CommandContext& context); // "商品消费情况汇总(&S)"
void OpenItemSummary(const CommandContext& context); // "服务项目汇总(&X)"
void OpenBusinessCharts(const CommandContext& context); // "营业图表(&T)"
