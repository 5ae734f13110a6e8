#pragma once

#include "formdata/FormVariable.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// The ".rtm" format: one field per line, each ended by CR LF. First the design text in double
// quotes (its own line breaks included), then for every variable its form name and its friendly
// name, each in double quotes; an unset friendly name is an empty line. A double quote inside a
// field is doubled. Written in UTF-8; read as UTF-8 when valid, otherwise as Windows-1252.
//
// Reading follows the old sequential-input rules, so hand-made files read as they always did:
// leading spaces are skipped; a quoted field runs to its closing quote, and the rest of its line
// up to the line end or a comma is skipped; an unquoted field runs to the next comma or line end;
// an empty line is an unset (null) field.
class TemplateFile
{
public:
    static QByteArray encode(const QString& design, const QList<FormVariable>& rows);
    // The text in double quotes, with every double quote inside it doubled.
    static QString field(const QString& text);

    explicit TemplateFile(const QByteArray& bytes);

    bool atEnd() const { return m_pos >= m_text.size(); }
    // nullopt when the file has no more fields.
    std::optional<QString> readField();

private:
    bool atLineEnd() const;
    void skipLineEnd();
    QString readQuoted();

    QString m_text;
    qsizetype m_pos = 0;
};
