#pragma once

#include <QString>

#include <optional>

class QWidget;

// Chooses where the desk saves a file it makes (an exported list, a chart as a picture): the
// save dialog in the program, a path from a queue in tests. Nothing means the user cancelled.
class FileChooser
{
public:
    virtual ~FileChooser() = default;

    // `suggested` is the path offered first; `filters` are given as the save dialog takes them
    // ("Excel 工作簿 (*.xlsx);;CSV 文件 (*.csv)"). A name chosen without a suffix gets the one
    // of the filter chosen.
    virtual std::optional<QString> chooseSaveFile(
        QWidget* parent, const QString& caption, const QString& suggested, const QString& filters)
        = 0;
};
