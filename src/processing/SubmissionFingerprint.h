#pragma once

#include <QString>

// What tells one submission from another across runs: the hex SHA-256 of the submission file,
// and for an inbox message also of its sender, so that the same form posted by two people is
// two submissions. Empty when the file cannot be read.
QString SubmissionFingerprint(const QString& path, const QString& sender = {});
