#include "service/PriceChangeLog.h"

#include "app/HouseSettings.h"
#include "app/MessageService.h"
#include "app/SettingPlace.h"
#include "app/SqlTransaction.h"
#include "app/TextFormat.h"
#include "desk/AppServices.h"
#include "desk/OperatorLog.h"
#include "service/ServiceSettings.h"

namespace {

QString pricesText(const ServiceSettings& settings)
{
    return QStringLiteral("按摩%1 洗脚%2 修脚%3 %4个钟送一个钟 会员打折%5")
        .arg(settings.massagePrice.amountText(), settings.footWashPrice.amountText(),
            settings.pedicurePrice.amountText(), settings.freeClockCount.amountText(),
            settings.memberDiscount.amountText());
}

} // namespace

bool WritePricesLogged(AppServices& services, const ServiceSettings& settings)
{
    // The prices before the change are read for the log and to be put back: a missing file was
    // reported when the dialog opened.
    const QString name = ServiceSettings::FileName.toString();
    SilentMessages quiet;
    const std::optional<QByteArray> stored = services.settings.read(name, ServiceSettings::FileSize, quiet);
    const std::optional<ServiceSettings> before = ServiceSettings::read(services.settings, quiet);
    const QString description = before
        ? QStringLiteral("价格由 %1 改为 %2").arg(pricesText(*before), pricesText(settings))
        : QStringLiteral("价格设为 %1").arg(pricesText(settings));

    SqlTransaction transaction(services.database);
    QString error = transaction.error();
    if (error.isEmpty())
        error = OperatorLog(services.database, services.session)
                    .write({ .kind = LogKind::Prices, .description = description });
    if (!error.isEmpty()) {
        services.messages.inform(error, {}, MessageService::Icon::Warning);
        return false;
    }
    // Written inside the transaction: a failed write takes the log row with it. On rows the
    // prices are stored only with the commit; a file is written at once, so should the commit
    // fail, the old bytes are put back and no change stands without its row.
    if (!settings.write(services.settings, services.messages))
        return false;
    if (stored)
        transaction.onRollback([&place = services.settings, name, bytes = *stored] {
            SilentMessages silent;
            place.write(name, bytes, silent);
        });
    if (!transaction.commit()) {
        services.messages.inform(transaction.error(), {}, MessageService::Icon::Warning);
        return false;
    }
    return true;
}

bool WriteSwitchLogged(AppServices& services, QStringView name, bool on, const QString& description)
{
    const Outcome<> stored
        = OperatorLog(services.database, services.session)
              .record({ .kind = LogKind::Prices, .description = description }, [&]() -> Outcome<> {
                  if (const QString error = HouseSettings::set(services.database, name, on); !error.isEmpty())
                      return Failure { error };
                  return {};
              });
    if (!stored)
        services.messages.inform(stored.text(), {}, MessageService::Icon::Warning);
    return stored.ok();
}

bool WriteWaiverLimitLogged(AppServices& services, Money limit)
{
    const Outcome<> stored
        = OperatorLog(services.database, services.session)
              .record({ .kind = LogKind::Prices, .description = QStringLiteral("抹零上限:%1元").arg(limit.text()) },
                  [&]() -> Outcome<> {
                      if (const QString error
                          = HouseSettings::setFigure(services.database, HouseSettings::WaiverLimit, limit.fen());
                          !error.isEmpty())
                          return Failure { error };
                      return {};
                  });
    if (!stored)
        services.messages.inform(stored.text(), {}, MessageService::Icon::Warning);
    return stored.ok();
}

bool WriteReductionApprovalLogged(AppServices& services, bool on)
{
    return WriteSwitchLogged(services, HouseSettings::ReductionNeedsApproval, on,
        on ? QStringLiteral("减单需授权:开") : QStringLiteral("减单需授权:关"));
}

bool WriteAnnouncementLogged(AppServices& services, QStringView silenced, const QString& caption, bool spoken)
{
    return WriteSwitchLogged(services, silenced, !spoken, caption + (spoken ? u":开" : u":关"));
}
