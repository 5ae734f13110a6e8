#pragma once

#include "common/Dialogs.h"

#include <QList>
#include <QVariant>
#include <deque>
#include <functional>

// Dialogs for tests: answers come from a queue given in advance, and everything shown is
// recorded. An empty queue answers OK to a message box and cancels every other request. A test
// may also act while a box is open, as the user can while a run waits for an answer: the hook
// runs first, then the queued answer is given.
class ScriptedDialogs : public Dialogs
{
public:
    enum class Kind { Message, Input, Open, Save, Folder };

    struct Shown
    {
        Kind kind;
        QString text; // message text, input prompt or file dialog title
        QString defaultText; // input box default
        FileRequest file;
    };

    void answer(Answer a) { m_answers.push_back(QVariant::fromValue(int(a))); }
    // Text for an input box or a file name for a file dialog; nullopt cancels.
    void answerText(std::optional<QString> text) { m_answers.push_back(text ? QVariant(*text) : QVariant()); }

    std::function<void()> onInputBox;
    std::function<void(const QString& text)> onMessageBox;

    Answer messageBox(const QString& text, Icon icon, Buttons buttons,
                      const QString& title = Title) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title = Title,
                                     const QString& defaultText = {}) override;
    std::optional<QString> openFileName(const FileRequest& request) override { return fileName(Kind::Open, request); }
    std::optional<QString> saveFileName(const FileRequest& request) override;
    std::optional<QString> folderName(const FileRequest& request) override { return fileName(Kind::Folder, request); }
    void processEvents() override;

    const QList<Shown>& shown() const { return m_shown; }
    QStringList messages() const; // texts of the message boxes, in order
    void clearShown() { m_shown.clear(); }

private:
    std::optional<QString> fileName(Kind kind, const FileRequest& request);
    std::optional<QString> takeText();

    std::deque<QVariant> m_answers;
    QList<Shown> m_shown;
};
