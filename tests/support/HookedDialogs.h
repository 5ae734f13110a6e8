#pragma once

#include "ScriptedDialogs.h"

#include <functional>

// Scripted dialogs that also let a test act while a box is open, as the user can while a run
// waits for an answer: the hook runs first, then the queued answer is given.
class HookedDialogs : public ScriptedDialogs
{
public:
    std::function<void()> onInputBox;
    std::function<void(const QString& text)> onMessageBox;

    Answer messageBox(const QString& text, Icon icon, Buttons buttons,
                      const QString& title = Title) override
    {
        if (onMessageBox)
            onMessageBox(text);
        return ScriptedDialogs::messageBox(text, icon, buttons, title);
    }

    std::optional<QString> inputBox(const QString& prompt, const QString& title = Title,
                                    const QString& defaultText = {}) override
    {
        if (onInputBox)
            onInputBox();
        return ScriptedDialogs::inputBox(prompt, title, defaultText);
    }
};
