#pragma once

#include "core/prompt.h"

class QWidget;

// The main window's message box: caption "Vornix", centred on its parent, hand cursor on the
// buttons. Each showing sets its icon and buttons, so after a question it is back at rest.
class MessageBoxPrompt : public Prompt
{
  public:
    explicit MessageBoxPrompt(QWidget* parent) : m_parent(parent) {}
    int show(const QString& text, PromptIcon icon, const QStringList& buttons) override;

  private:
    QWidget* m_parent;
};
