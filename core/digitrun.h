#pragma once

#include <QString>

// The digits the Ctrl+Alt+E hot key takes from the focused text control. Without a selection
// (selStart == selEnd, the caret) and with a non-empty text: the run of digits touching the
// caret, left of it and right of it. With a selection, or an empty text: the first run of digits
// in the selected part (the whole text without a selection). Returned trimmed.
QString collectDigits(const QString& text, int selStart, int selEnd);
