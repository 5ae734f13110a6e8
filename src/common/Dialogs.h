#pragma once

#include <QString>
#include <optional>

// Every message box, input box and file dialog of the program goes through this interface, so
// that tests can answer modal questions in advance and see what the user would have been shown.
class Dialogs
{
public:
    enum class Icon { None, Information, Warning, Critical, Question };
    enum class Buttons { Ok, OkCancel, YesNo };
    enum class Answer { Ok, Cancel, Yes, No };

    struct FileRequest
    {
        QString title;
        // Filter in the classic "Description|*.a;*.b|All Files (*.*)|*.*" form.
        QString filter;
        // With its dot, e.g. ".rtm"; added to a typed name that has no extension.
        QString defaultExtension;
        QString directory;
    };

    static inline const QString Title = QStringLiteral("Brevane");

    virtual ~Dialogs() = default;

    virtual Answer messageBox(const QString& text, Icon icon, Buttons buttons,
                              const QString& title = Title) = 0;
    // nullopt when the user cancels.
    virtual std::optional<QString> inputBox(const QString& prompt, const QString& title = Title,
                                            const QString& defaultText = {}) = 0;
    // nullopt when the user cancels.
    virtual std::optional<QString> openFileName(const FileRequest& request) = 0;
    virtual std::optional<QString> saveFileName(const FileRequest& request) = 0;
    // An existing folder, empty or not; request.filter and defaultExtension are not used.
    virtual std::optional<QString> folderName(const FileRequest& request) = 0;
    // Lets the event loop run once, so that windows repaint and queued events are handled.
    virtual void processEvents() = 0;
};
