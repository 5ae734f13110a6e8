#include "platform/system/WebLink.h"

#include <QDesktopServices>
#include <QUrl>

WebLink::WebLink(QObject* parent)
    : QObject(parent),
      m_opener([](const QString& address) { return QDesktopServices::openUrl(QUrl(address)); })
{
}

bool WebLink::open(const QString& address)
{
    return m_opener(address);
}
