#pragma once

#include <QUrl>

// Hands documents and addresses to the desktop (default program, mail client, browser).
// Injectable so that tests see what would have been opened.
class DesktopLauncher
{
public:
    virtual ~DesktopLauncher() = default;
    virtual bool open(const QUrl& url) = 0;
};
