#pragma once

#include "app/DesktopLauncher.h"

#include <QList>

// Opens nothing; keeps what it was asked to open.
class RecordingDesktopLauncher : public DesktopLauncher
{
public:
    bool open(const QUrl& url) override
    {
        opened.append(url);
        return true;
    }
    QList<QUrl> opened;
};
