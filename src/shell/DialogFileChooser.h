#pragma once

#include "app/FileChooser.h"

// The save dialog of the desktop.
class DialogFileChooser : public FileChooser
{
public:
    std::optional<QString> chooseSaveFile(
        QWidget* parent, const QString& caption, const QString& suggested, const QString& filters) override;
};
