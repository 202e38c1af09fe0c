#pragma once

#include "app/DesktopLauncher.h"

#include <QList>

// Opens nothing; keeps what it was asked to open. With `canOpen` false it answers as a
// desktop without a program for the address.
class RecordingDesktopLauncher : public DesktopLauncher
{
public:
    bool open(const QUrl& url) override
    {
        opened.append(url);
        return canOpen;
    }
    QList<QUrl> opened;
    bool canOpen = true;
};
