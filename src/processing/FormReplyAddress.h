#pragma once

#include "formdata/FormVariable.h"

#include <QList>
#include <QString>

// The reply target that a submission names itself: the value of the field called fieldName
// (letter case ignored), blanks around it removed, when it is exactly one address. A submitter
// must never make one reply go to several people, so a value with a separator, a blank, an
// angle bracket or a line break is no address. Empty when there is none.
QString FormReplyAddress(const QList<FormVariable>& fields, const QString& fieldName);
