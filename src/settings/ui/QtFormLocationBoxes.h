#pragma once

#include <QObject>

class Dialogs;
class FormLocations;
class QLineEdit;
class QListWidget;
class QPushButton;
class SystemSettings;

// The widget side of FormLocations in the settings window: the folder box, its Browse button,
// the filter box and the matching-files list. A folder or filter is checked when the user presses
// Enter in its box or leaves the box; a rejected one is reported and never reaches processing.
class QtFormLocationBoxes : public QObject
{
    Q_OBJECT
public:
    struct Controls
    {
        QLineEdit* folder;
        QPushButton* browse;
        QLineEdit* filter;
        QListWidget* files;
    };

    QtFormLocationBoxes(FormLocations& locations, SystemSettings& settings, Dialogs& dialogs,
                        const Controls& controls, QObject* parent = nullptr);

    void refreshFileList();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void txtLocalLocation_Enter();
    void txtLocalLocation_LostFocus();
    void Command4_Click();
    void txtSourceFileFilter_Enter();
    void txtSourceFileFilter_LostFocus();
    void showInvalid(const QString& text);

    FormLocations& m_locations;
    SystemSettings& m_settings;
    Dialogs& m_dialogs;
    Controls m_controls;
    bool m_checking = false;
};
