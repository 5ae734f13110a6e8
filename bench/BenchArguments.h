#pragma once

#include <QByteArray>
#include <QString>
#include <algorithm>

// The value of a "--name=N" argument, at least minimum; fallback when it is not given.
inline int argument(int argc, char** argv, const QByteArray& name, int fallback, int minimum)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg.startsWith("--" + name + '='))
            return std::max(minimum, arg.mid(name.size() + 3).toInt());
    }
    return fallback;
}

// The text of a "--name=text" argument; empty when it is not given.
inline QString argumentText(int argc, char** argv, const QByteArray& name)
{
    for (int i = 1; i < argc; ++i)
        if (QByteArray(argv[i]).startsWith("--" + name + '='))
            return QString::fromLocal8Bit(argv[i] + name.size() + 3);
    return {};
}
