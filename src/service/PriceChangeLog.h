#pragma once

#include "app/Money.h"

#include <QString>
#include <QStringView>

struct AppServices;
struct ServiceSettings;

// Writes the house's prices (sys.nnf) together with the operator log's row of the change, which
// names the prices before and after: the row is written in a transaction that commits only once
// the file has been replaced, so a change that could not be logged is not made, and a file that
// could not be written leaves no row. Failures are shown; returns whether the prices changed.
bool WritePricesLogged(AppServices& services, const ServiceSettings& settings);

// Sets the house's switch `name` with its operator-log row `description` ("<caption>:开"), in
// one transaction. Failures are shown; returns whether the switch is stored as asked.
bool WriteSwitchLogged(AppServices& services, QStringView name, bool on, const QString& description);

// Turns the house's switch "减单需授权" on or off with its row in the operator log, in one
// transaction. Failures are shown; returns whether the switch is stored as asked.
// Sets the most a cashier may waive of a bill (抹零上限) with its log row "抹零上限:2.00元".
bool WriteWaiverLimitLogged(AppServices& services, Money limit);
bool WriteReductionApprovalLogged(AppServices& services, bool on);

// Turns a spoken announcement of the house on or off (`silenced` is its switch, named for the
// silence: HouseSettings::CallingTechniciansSilenced or DueRoomsSilenced) with its row in the
// operator log, "<caption>:开" or "<caption>:关", in one transaction. Failures are shown;
// returns whether the switch is stored as asked.
bool WriteAnnouncementLogged(AppServices& services, QStringView silenced, const QString& caption, bool spoken);
