#include "platform/report/ReportEngine.h"

#include "platform/report/ReportDefinition.h"
#include "platform/report/ReportQuery.h"
#include "platform/report/ReportViewer.h"
#include "platform/report/SelectionFormula.h"

#include <QRegularExpression>

ReportEngine::ReportEngine(ReportViewer& viewer, const QLocale& locale)
    : m_viewer(viewer), m_locale(locale)
{
}

void ReportEngine::setFormula(int index, const QString& formula)
{
    if (index < 0)
        return;
    while (m_formulas.size() <= index)
        m_formulas.append(QString());
    m_formulas[index] = formula;
}

bool ReportEngine::parseCaption(const QString& formula, QString& name, QString& text)
{
    // The text runs from the first quote to the last, so an apostrophe inside a month name
    // cannot end it early.
    static const QRegularExpression assignment(
        QStringLiteral("^\\s*([^=']*[^='\\s])\\s*=\\s*'(.*)'\\s*$"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = assignment.match(formula);
    if (!m.hasMatch())
        return false;
    name = m.captured(1);
    text = m.captured(2);
    return true;
}

bool ReportEngine::setAction(int action)
{
    if (action != RunReport)
        return true;
    m_lastError.clear();
    return run();
}

bool ReportEngine::run()
{
    const std::optional<ReportDefinition> definition =
        ReportDefinition::read(m_reportFileName, &m_lastError);
    if (!definition)
        return false;
    const std::optional<SelectionFormula> selection =
        SelectionFormula::parse(m_selectionFormula, &m_lastError);
    if (!selection)
        return false;
    QString captionName;
    QString caption;
    const QString captionFormula = formula(0);
    if (!captionFormula.trimmed().isEmpty() &&
        !parseCaption(captionFormula, captionName, caption)) {
        m_lastError = QStringLiteral("formula 0 is no caption: %1").arg(captionFormula);
        return false;
    }
    std::optional<ReportData> data =
        ReportQuery::run(*definition, definition->databasePath(m_reportFileName), *selection,
                         m_locale, &m_lastError);
    if (!data)
        return false;
    data->captionName = captionName;
    data->caption = caption;
    if (!m_viewer.showReport(*data)) {
        m_lastError = QStringLiteral("the report could not be shown");
        return false;
    }
    return true;
}
