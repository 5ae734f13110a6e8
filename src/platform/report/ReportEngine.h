#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

class ReportViewer;

// Runs a report definition over its database, the way the program's report control did: the
// caller sets the report file name, the record selection formula and the numbered formulas,
// then sets the action to 1, which runs the report to the viewer.
class ReportEngine
{
public:
    enum Action
    {
        RunReport = 1
    };

    explicit ReportEngine(ReportViewer& viewer, const QLocale& locale = QLocale());

    void setReportFileName(const QString& path) { m_reportFileName = path; }
    void setSelectionFormula(const QString& formula) { m_selectionFormula = formula; }
    const QString& selectionFormula() const { return m_selectionFormula; }
    // Formula 0 is the caption, written as an assignment: Date Range= 'All replies ...'.
    void setFormula(int index, const QString& formula);
    QString formula(int index) const { return m_formulas.value(index); }

    // Action 1 runs the report; false when the definition or the database is missing, a
    // formula cannot be parsed, the query fails or the viewer refuses. Other actions do nothing.
    bool setAction(int action);
    // Why the last run failed, for diagnosis.
    const QString& lastError() const { return m_lastError; }

    // "Name= 'text'" -> name and text; false when the formula is no such assignment.
    static bool parseCaption(const QString& formula, QString& name, QString& text);

private:
    bool run();

    ReportViewer& m_viewer;
    QLocale m_locale;
    QString m_reportFileName;
    QString m_selectionFormula;
    QStringList m_formulas;
    QString m_lastError;
};
