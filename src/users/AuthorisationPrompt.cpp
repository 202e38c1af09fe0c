#include "users/AuthorisationPrompt.h"

#include "app/MessageService.h"
#include "desk/AppServices.h"
#include "users/LoginDialog.h"
#include "users/Roles.h"

std::optional<Authoriser> AskApproval(AppServices& services, QWidget* parent, const QString& cashierRefusal)
{
    LoginDialog prompt(services, parent);
    prompt.showRole(Minister); // a cashier is never accepted here
    if (prompt.exec() != QDialog::Accepted)
        return std::nullopt;
    if (prompt.role() == Cashier) {
        services.messages.inform(cashierRefusal);
        return std::nullopt;
    }
    return Authoriser { prompt.account(), prompt.role(), prompt.displayName() };
}
