#pragma once

#include "platform/report/ReportData.h"

// Where a finished report goes: a preview window in the program, a recorder in tests.
class ReportViewer
{
public:
    virtual ~ReportViewer() = default;
    // False when the report could not be shown.
    virtual bool showReport(const ReportData& report) = 0;
};
