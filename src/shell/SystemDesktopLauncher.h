#pragma once

#include "app/DesktopLauncher.h"

// The desktop of the running program: the default program, mail client or browser.
class SystemDesktopLauncher : public DesktopLauncher
{
public:
    bool open(const QUrl& url) override;
};
