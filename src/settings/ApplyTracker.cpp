#include "settings/ApplyTracker.h"

#include "common/ErrorReporter.h"
#include "settings/SettingsStore.h"
#include "settings/SystemSettings.h"

ApplyTracker::ApplyTracker(SystemSettings& settings, SettingsStore& store, ErrorReporter& errors,
                           QObject* parent)
    : QObject(parent), m_store(store), m_errors(errors)
{
    connect(&settings, &SystemSettings::changed, this, [this] { setEnabled(true); });
    // A load counts even when it brings back the values already shown.
    connect(&store, &SettingsStore::loaded, this, [this] { setEnabled(true); });
}

void ApplyTracker::setEnabled(bool enabled)
{
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    emit enabledChanged(enabled);
}

bool ApplyTracker::save()
{
    if (m_store.SaveSettings())
        return true;
    m_errors.ReportError(ErrorCode::ChangingSettings);
    return false;
}

bool ApplyTracker::apply()
{
    if (!save())
        return false;
    setEnabled(false);
    return true;
}

bool ApplyTracker::ok()
{
    return save();
}

void ApplyTracker::cancel()
{
    m_store.LoadSettings();
}
