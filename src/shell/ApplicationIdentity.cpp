#include "shell/ApplicationIdentity.h"

#include <QCoreApplication>

void SetApplicationIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral("Tavrel"));
    QCoreApplication::setOrganizationName(QStringLiteral("Orvento"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVREL_VERSION));
}
