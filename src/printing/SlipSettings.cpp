#include "printing/SlipSettings.h"

#include <QDir>
#include <QSettings>

namespace {

QString filePath()
{
    return QDir::current().absoluteFilePath(SlipSettings::FileName);
}

const QString KindNames[]
    = { QStringLiteral("none"), QStringLiteral("queue"), QStringLiteral("device"), QStringLiteral("network") };

} // namespace

SlipSettings SlipSettings::load()
{
    SlipSettings settings;
    const QSettings file(filePath(), QSettings::IniFormat);
    settings.rollWidth = file.value(QStringLiteral("roll/width"), 80).toInt() == 58 ? 58 : 80;
    const QString kind = file.value(QStringLiteral("printer/kind")).toString();
    for (int index = 0; index < 4; ++index)
        if (kind == KindNames[index])
            settings.where.kind = SlipDestination::Kind(index);
    settings.where.queue = file.value(QStringLiteral("printer/queue")).toString();
    settings.where.device = file.value(QStringLiteral("printer/device"), QStringLiteral("/dev/usb/lp0")).toString();
    settings.where.host = file.value(QStringLiteral("printer/host")).toString();
    bool isNumber = false;
    const int port = file.value(QStringLiteral("printer/port"), 9100).toInt(&isNumber);
    settings.where.port = isNumber && port > 0 && port < 65536 ? port : 9100;
    settings.drawerOnCash = file.value(QStringLiteral("drawer/onCash"), true).toBool();
    settings.qrText = file.value(QStringLiteral("receipt/qrText")).toString();
    return settings;
}

bool SlipSettings::save() const
{
    QSettings file(filePath(), QSettings::IniFormat);
    file.setValue(QStringLiteral("roll/width"), rollWidth);
    file.setValue(QStringLiteral("printer/kind"), KindNames[int(where.kind)]);
    file.setValue(QStringLiteral("printer/queue"), where.queue);
    file.setValue(QStringLiteral("printer/device"), where.device);
    file.setValue(QStringLiteral("printer/host"), where.host);
    file.setValue(QStringLiteral("printer/port"), where.port);
    file.setValue(QStringLiteral("drawer/onCash"), drawerOnCash);
    file.setValue(QStringLiteral("receipt/qrText"), qrText);
    file.sync();
    return file.status() == QSettings::NoError;
}
