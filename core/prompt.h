#pragma once

#include <QString>
#include <QStringList>

enum class PromptIcon { Information, Question, Warning, Error };

// The operator's message box. show() returns 1 for the first button, 2 for the second and
// 0 when the box was closed without a button. Every call names its icon and buttons, so the
// box is back in its resting state (information icon, one "OK") after any question.
class Prompt
{
  public:
    virtual ~Prompt() = default;
    virtual int show(const QString& text, PromptIcon icon, const QStringList& buttons) = 0;

    int message(const QString& text) { return show(text, PromptIcon::Information, {QStringLiteral("OK")}); }
    int question(const QString& text, const QString& yes, const QString& no)
    {
        return show(text, PromptIcon::Question, {yes, no});
    }
};
