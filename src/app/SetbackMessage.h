#pragma once

#include "app/MessageService.h"
#include "app/Outcome.h"

// Shows why an operation did not happen: a rule's refusal as information, a database failure
// as a warning. The gui's one place for that choice; core only says which it was.
template <typename T> void ShowSetback(MessageService& messages, const Outcome<T>& outcome)
{
    if (outcome.isRefusal())
        messages.inform(outcome.text());
    else if (outcome.isFailure())
        messages.inform(outcome.text(), {}, MessageService::Icon::Warning);
}
