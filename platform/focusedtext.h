#pragma once

#include <QString>

#include <memory>

// The text control that has the focus in the foreground application, as read for the
// Ctrl+Alt+E hot key: its text (at most 65534 characters) and its selection; without a
// selection selStart == selEnd is the caret.
struct FocusedText {
    QString text;
    int selStart = 0;
    int selEnd = 0;
};

class FocusedTextReader
{
  public:
    virtual ~FocusedTextReader() = default;
    // False with *error set when there is no focused text control or no way to read it.
    virtual bool read(FocusedText* out, QString* error) = 0;
};

// The desktop's accessibility bus (AT-SPI) where available; otherwise a reader that fails.
std::unique_ptr<FocusedTextReader> createFocusedTextReader();
