#pragma once

#include "reply/ResponseDatabase.h"

class AppState;

// Records every reply in FORM.MDB while recording is on. The first failure says so once and
// switches recording off until the program is started again; replies go on regardless.
class ResponseRecorder
{
public:
    explicit ResponseRecorder(AppState& state);

    void Record(const QString& address, const QString& subject, const QString& message);

    ResponseDatabase& database() { return m_database; }

private:
    AppState& m_state;
    ResponseDatabase m_database;
};
