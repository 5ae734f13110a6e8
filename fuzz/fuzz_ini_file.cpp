// FORM.INI: in whatever file the user left, a value the program writes reads back as written
// (one line, trimmed, at most MaxValueLength characters), and writing it changes no other entry.
//
// Input: the file's bytes, then four texts after 0xFF bytes: section, key and value written,
// and a second section and key whose value must stay as it was.
#include "FuzzSupport.h"

#include "settings/IniFile.h"

namespace {

// Section and key names are the program's own: no brackets, no "=", no comment marks, no line
// breaks and no blanks at either end.
bool isName(const QString& name)
{
    if (name.isEmpty() || name != name.trimmed())
        return false;
    for (QChar c : name)
        if (QStringLiteral("[]=;#\r\n").contains(c) || c.isNull())
            return false;
    return true;
}

IniFile loaded(const QByteArray& content)
{
    IniFile ini;
    FUZZ_CHECK(ini.load(fuzz::scratchFile(content)));
    return ini;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input = fuzz::bytes(data, size);
    // The texts come after the last four 0xFF bytes; the file before them may hold any byte.
    qsizetype cut = input.size();
    for (int i = 0; i < 4 && cut > 0; ++i)
        cut = input.lastIndexOf('\xff', cut - 1);
    if (cut < 0)
        return 0;
    const QByteArray file = input.left(cut);
    const QList<QString> t = fuzz::texts(input.mid(cut + 1), 5);
    const QString section = t[0], key = t[1], value = t[2], otherSection = t[3], otherKey = t[4];
    if (!isName(section) || !isName(key))
        return 0;

    IniFile ini = loaded(file);
    const bool other = isName(otherSection) && isName(otherKey) &&
                       (otherSection.compare(section, Qt::CaseInsensitive) != 0 ||
                        otherKey.compare(key, Qt::CaseInsensitive) != 0);
    const QString otherBefore = other ? ini.value(otherSection, otherKey) : QString();
    const bool otherExisted = other && ini.contains(otherSection, otherKey);

    ini.setValue(section, key, value);
    QString expected = value;
    expected.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    expected = expected.trimmed().left(IniFile::MaxValueLength);
    FUZZ_CHECK(ini.contains(section, key));
    FUZZ_CHECK(ini.value(section, key) == expected);

    // What a later start of the program reads from the saved file.
    const IniFile reread = loaded(ini.toBytes());
    FUZZ_CHECK(reread.contains(section, key));
    FUZZ_CHECK(reread.value(section, key) == expected);
    if (other) {
        FUZZ_CHECK(reread.contains(otherSection, otherKey) == otherExisted);
        FUZZ_CHECK(reread.value(otherSection, otherKey) == otherBefore);
    }
    // Saving again without a change gives the same bytes.
    FUZZ_CHECK(reread.toBytes() == ini.toBytes());
    return 0;
}
