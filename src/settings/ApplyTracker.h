#pragma once

#include <QObject>

class ErrorReporter;
class SettingsStore;
class SystemSettings;

// The settings window's Apply, OK and Cancel. Apply is enabled by any change of a stored field,
// whoever makes it (the user, a load, the program itself), and disabled only by a save that
// succeeded through Apply.
class ApplyTracker : public QObject
{
    Q_OBJECT
public:
    ApplyTracker(SystemSettings& settings, SettingsStore& store, ErrorReporter& errors,
                 QObject* parent = nullptr);

    bool isEnabled() const { return m_enabled; }

    // Saves the record; a refused save is reported (BV_9001) and leaves Apply enabled.
    bool apply();
    // Saves as Apply does but leaves Apply as it is.
    bool ok();
    // Reads FORM.INI back, throwing unapplied edits away (a missing file keeps them).
    void cancel();

signals:
    void enabledChanged(bool enabled);

private:
    void setEnabled(bool enabled);
    bool save();

    SettingsStore& m_store;
    ErrorReporter& m_errors;
    bool m_enabled = false;
};
