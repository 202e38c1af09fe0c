#pragma once

#include "app/MessageService.h"

class QFont;

// The message service of the running program: modal message boxes over the active window,
// each wide enough for its caption to be read in the title bar.
class DialogMessageService : public MessageService
{
public:
    static constexpr int MinimumBoxWidth = 280;
    static constexpr int TitleBarControlsWidth = 160;
    // The least width of a box whose caption is `caption`.
    static int minimumBoxWidth(const QString& caption, const QFont& font);

    void inform(const QString& text, const QString& caption = {}, Icon icon = Icon::Information) override;
    bool ask(const QString& text, const QString& caption = {}, Icon icon = Icon::Question) override;
    std::optional<QString> askPassword(const QString& text, const QString& caption = {}) override;
};
