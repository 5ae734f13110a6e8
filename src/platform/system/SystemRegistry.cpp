#include "platform/system/SystemRegistry.h"

#ifdef Q_OS_WIN
#include <QByteArray>
#include <windows.h>
#endif

std::optional<QString> SystemRegistry::GetKeyValue(Root root, const QString& keyName,
                                                   const QString& valueName)
{
#ifdef Q_OS_WIN
    HKEY key = nullptr;
    const HKEY base = root == Root::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    const QByteArray keyBytes = keyName.toLocal8Bit();
    const QByteArray valueBytes = valueName.toLocal8Bit();
    if (RegOpenKeyExA(base, keyBytes.constData(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return std::nullopt;
    char buffer[1024];
    DWORD size = sizeof buffer;
    DWORD type = 0;
    const LONG read = RegQueryValueExA(key, valueBytes.constData(), nullptr, &type,
                                       reinterpret_cast<LPBYTE>(buffer), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS)
        return std::nullopt;
    if (size > 0 && buffer[size - 1] == '\0')
        --size;
    if (type != REG_SZ)
        return QString(); // no usable path: the launch that follows fails into the message
    return QString::fromLocal8Bit(buffer, int(size));
#else
    Q_UNUSED(root)
    Q_UNUSED(keyName)
    Q_UNUSED(valueName)
    return std::nullopt;
#endif
}
