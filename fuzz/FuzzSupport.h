#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

// A broken property stops the run as a crash does, so libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                   \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "property broken: %s (%s:%d)\n", #condition, __FILE__,          \
                         __LINE__);                                                             \
            std::abort();                                                                       \
        }                                                                                       \
    } while (false)

namespace fuzz {

inline QByteArray bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Inputs that carry several texts separate them by 0xFF, a byte that UTF-8 never holds, so
// every text can hold any character.
inline QList<QString> texts(const QByteArray& input, qsizetype wanted)
{
    QList<QString> out;
    for (const QByteArray& part : input.split('\xff'))
        out << QString::fromUtf8(part);
    while (out.size() < wanted)
        out << QString();
    return out;
}

// Writes the bytes to a file of a folder that lives as long as the process; the code under test
// reads files by name.
inline QString scratchFile(const QByteArray& content)
{
    static QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("input"));
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(content) == content.size());
    return path;
}

} // namespace fuzz
