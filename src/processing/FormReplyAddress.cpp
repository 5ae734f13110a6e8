#include "processing/FormReplyAddress.h"

#include <QRegularExpression>

QString FormReplyAddress(const QList<FormVariable>& fields, const QString& fieldName)
{
    const QString name = fieldName.trimmed();
    if (name.isEmpty())
        return {};
    for (const FormVariable& field : fields) {
        if (field.formName.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        static const QRegularExpression oneAddress(QStringLiteral(R"(^[^@,;<>\s]+@[^@,;<>\s]+$)"));
        const QString value = field.value.trimmed();
        return oneAddress.match(value).hasMatch() ? value : QString();
    }
    return {};
}
