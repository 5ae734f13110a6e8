#include "app/ProductInfo.h"

#include <QSysInfo>

QString versionText(int major, int minor, int patch)
{
    return QStringLiteral("Version %1.%2.%3").arg(major).arg(minor).arg(patch);
}

QString versionText()
{
    return versionText(BREVANE_VERSION_MAJOR, BREVANE_VERSION_MINOR, BREVANE_VERSION_PATCH);
}

namespace ProductInfo {

QString platformName()
{
#if defined(Q_OS_WIN)
    return QStringLiteral("Windows 95/98/NT");
#elif defined(Q_OS_LINUX)
    return QStringLiteral("Linux");
#else
    return QSysInfo::productType();
#endif
}

QString description()
{
    return QStringLiteral(" Brevane for ") + platformName();
}

QString ownerNotice()
{
    return QStringLiteral("Copyright \u00A9 The Brevane developers. All rights reserved.");
}

QString webAddress()
{
    return QStringLiteral("https://brevane.example.org/");
}

} // namespace ProductInfo
