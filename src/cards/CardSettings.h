#pragma once

#include <QStringView>

// The house's switches of the member cards, kept as the house's other switches are
// (HouseSettings.h), so that every desk of the house pays from a card the same way.
namespace CardSettings {

// A payment takes the principal first unless a manager turns this on: then the bonus goes
// first ("先扣赠送金额").
inline constexpr QStringView BonusFirst = u"会员卡先扣赠送";

} // namespace CardSettings
