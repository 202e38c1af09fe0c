#include "records/RecordCommands.h"

#include "desk/CommandContext.h"
#include "records/CompanyProfileDialog.h"
#include "records/MasterRecordDialog.h"

namespace {

void openRecords(RecordMode mode, const CommandContext& context)
{
    MasterRecordDialog records(mode, context.services, context.window);
    records.exec();
}

} // namespace

void OpenGoodsRecords(const CommandContext& context)
{
    openRecords(RecordMode::Goods, context);
}

void OpenStaffRecords(const CommandContext& context)
{
    openRecords(RecordMode::Staff, context);
}

void OpenMemberRecords(const CommandContext& context)
{
    openRecords(RecordMode::Members, context);
}

void OpenMemberRecords(const CommandContext& context, const std::function<void(const QString& card)>& topUp)
{
    MasterRecordDialog records(RecordMode::Members, context.services, context.window);
    records.offerTopUp(topUp);
    records.exec();
}

void OpenCompanyProfile(const CommandContext& context)
{
    CompanyProfileDialog profile(context.services, context.window);
    profile.exec();
}
