#pragma once

#include "desk/OperatorLog.h"

#include <QString>

#include <optional>

struct AppServices;
class QWidget;

// Where a cashier may not act alone (voiding a bill, a manager's discount, printing a receipt
// again), someone of a role above cashier logs in on the spot. Returns who approved (account,
// role and display name), for the action and its row in the operator log; nothing when the
// prompt was cancelled, or when a cashier logged in, who is then told `cashierRefusal`.
std::optional<Authoriser> AskApproval(AppServices& services, QWidget* parent, const QString& cashierRefusal);
