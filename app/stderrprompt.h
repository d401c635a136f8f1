#pragma once

#include "core/prompt.h"

#include <cstdio>

// The message box of a silent run without a display: nobody could answer a dialog there, so
// each message goes to stderr and a question takes its first answer.
class StderrPrompt : public Prompt
{
  public:
    int show(const QString& text, PromptIcon, const QStringList&) override
    {
        std::fprintf(stderr, "vornix: %s\n", qPrintable(text));
        return 1;
    }
};
