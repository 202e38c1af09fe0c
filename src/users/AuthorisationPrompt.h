#pragma once

#include <QString>

#include <optional>

struct AppServices;
class QWidget;

// Where a cashier may not act alone (voiding a bill, a manager's discount), someone of a role
// above cashier logs in on the spot. Returns the approver's display name; nothing when the
// prompt was cancelled, or when a cashier logged in, who is then told `cashierRefusal`.
std::optional<QString> AskApproval(AppServices& services, QWidget* parent, const QString& cashierRefusal);
