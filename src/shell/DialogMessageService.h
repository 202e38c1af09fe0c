#pragma once

#include "app/MessageService.h"

// The message service of the running program: modal message boxes over the active window.
class DialogMessageService : public MessageService
{
public:
    void inform(const QString& text, const QString& caption = {}, Icon icon = Icon::Information) override;
    bool ask(const QString& text, const QString& caption = {}, Icon icon = Icon::Question) override;
};
