#include "service/ServiceSettings.h"

#include "app/MessageService.h"
#include "app/SettingPlace.h"
#include "app/TypedNumber.h"

#include <QtEndian>

#include <cstring>

namespace {

double takeDouble(const QByteArray& bytes, int index)
{
    if (bytes.size() < (index + 1) * 8)
        return 0.0;
    const quint64 raw = qFromLittleEndian<quint64>(bytes.constData() + index * 8);
    double value = 0.0;
    std::memcpy(&value, &raw, sizeof value);
    return value;
}

void putDouble(QByteArray& bytes, int index, double value)
{
    quint64 raw = 0;
    std::memcpy(&raw, &value, sizeof raw);
    qToLittleEndian<quint64>(raw, bytes.data() + index * 8);
}

// A stored value as the decimal it was typed as; empty for one that no one could have typed
// (not finite, or with no short decimal form).
std::optional<Decimal> storedDecimal(const QByteArray& bytes, int index)
{
    return Decimal::fromDouble(takeDouble(bytes, index));
}

bool withinPriceRange(const Decimal& price)
{
    return !price.isNegative() && price <= Decimal::whole(MaxUnitPriceYuan);
}

bool withinDiscountRange(const Decimal& factor)
{
    return factor > Decimal() && factor <= Decimal::whole(1);
}

} // namespace

ServiceSettings ServiceSettings::delivered()
{
    return { Decimal::whole(60), Decimal::whole(30), Decimal::whole(20), Decimal::whole(5), Decimal(9, 1) };
}

ServiceSettings ServiceSettings::unset()
{
    ServiceSettings none;
    none.complete = false;
    return none;
}

std::optional<ServiceSettings> ServiceSettings::read(SettingPlace& place, MessageService& messages)
{
    const std::optional<QByteArray> bytes = place.read(FileName.toString(), FileSize, messages);
    if (!bytes)
        return std::nullopt;
    ServiceSettings settings;
    settings.complete = bytes->size() >= FileSize;
    Decimal* values[] = { &settings.massagePrice, &settings.footWashPrice, &settings.pedicurePrice,
        &settings.freeClockCount, &settings.memberDiscount };
    bool sound = true;
    for (int i = 0; i < 5 && sound; ++i) {
        const std::optional<Decimal> value = storedDecimal(*bytes, i);
        sound = value.has_value();
        if (sound)
            *values[i] = *value;
    }
    // Values a short file lacks are 0 and `complete` says so; the member discount is checked
    // only when the file holds it.
    sound = sound && withinPriceRange(settings.massagePrice) && withinPriceRange(settings.footWashPrice)
        && withinPriceRange(settings.pedicurePrice) && withinPriceRange(settings.freeClockCount)
        && (!settings.complete || withinDiscountRange(settings.memberDiscount));
    if (!sound) {
        messages.inform(QStringLiteral("打开一个二进制文件失败!"));
        return std::nullopt;
    }
    return settings;
}

ServiceSettings ServiceSettings::readForCheckout(SettingPlace& place, MessageService& messages)
{
    return read(place, messages).value_or(unset());
}

bool ServiceSettings::write(SettingPlace& place, MessageService& messages) const
{
    QByteArray bytes(FileSize, '\0');
    putDouble(bytes, 0, massagePrice.toDouble());
    putDouble(bytes, 1, footWashPrice.toDouble());
    putDouble(bytes, 2, pedicurePrice.toDouble());
    putDouble(bytes, 3, freeClockCount.toDouble());
    putDouble(bytes, 4, memberDiscount.toDouble());
    return place.write(FileName.toString(), bytes, messages);
}

QString ServiceSettingsRefusal(const ServiceSettings& settings)
{
    const QString tooHigh = QStringLiteral("价格不能超过%1,请重新输入!").arg(MaxUnitPriceYuan);
    if (settings.massagePrice.isNegative())
        return QStringLiteral("按摩价格不能小于0,请重新输入!");
    if (!withinPriceRange(settings.massagePrice))
        return u"按摩" + tooHigh;
    if (settings.footWashPrice.isNegative())
        return QStringLiteral("洗脚价格不能小于0,请重新输入!");
    if (!withinPriceRange(settings.footWashPrice))
        return u"洗脚" + tooHigh;
    if (settings.pedicurePrice.isNegative())
        return QStringLiteral("修脚价格不能小于0,请重新输入!");
    if (!withinPriceRange(settings.pedicurePrice))
        return u"修脚" + tooHigh;
    if (!withinDiscountRange(settings.memberDiscount))
        return QStringLiteral("会员打折请输入范围在0-1之间的小数!");
    return {};
}
