#pragma once

#include "common/Dialogs.h"

class QWidget;

// The real dialogs: Qt message boxes, input boxes and file dialogs, modal to the program's top
// window only.
class QtDialogs : public Dialogs
{
public:
    Answer messageBox(const QString& text, Icon icon, Buttons buttons,
                      const QString& title = Title) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title = Title,
                                    const QString& defaultText = {}) override;
    std::optional<QString> openFileName(const FileRequest& request) override;
    std::optional<QString> saveFileName(const FileRequest& request) override;
    std::optional<QString> folderName(const FileRequest& request) override;
    void processEvents() override;

    // "Reply Template (*.rtm)|*.rtm|All Files (*.*)|*.*" -> "Reply Template (*.rtm);;All Files (*)",
    // Qt's name filters.
    static QString qtNameFilters(const QString& classicFilter);

private:
    static QWidget* parent();
    static void makeWindowModal(QWidget* box);
};
