#pragma once

#include <QString>

// "Version 2.10.3": the numbers in decimal, without leading zeros.
QString versionText(int major, int minor, int patch);
// The version text of this build, from the project version.
QString versionText();

// Who the program is, as the splash and About windows show it.
namespace ProductInfo {

inline const QString Title = QStringLiteral("Brevane");

// The platform line of the splash, and the platform the About description names.
QString platformName();
// " Brevane for Linux": the About window's description, with its leading blank.
QString description();
QString ownerNotice();
// The maker's web page.
QString webAddress();

} // namespace ProductInfo
