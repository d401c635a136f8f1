#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// Runs the operator's text editor on a file and returns when the editing has ended.
class TextEditorRunner
{
  public:
    virtual ~TextEditorRunner() = default;
    // Returns false when no editor could be started (the file is then read back unchanged).
    virtual bool editAndWait(const QString& file) = 0;
};

// The plain-text editor of the system, as a program and its arguments (the file is added
// last): $VISUAL; then $EDITOR when it names a windowed editor; then the first windowed
// editor found on the PATH, with its "wait until closed" option. Empty when none exists.
QStringList findTextEditor();
// True for editors that open a window of their own (so they can run without a terminal).
bool isWindowedEditor(const QString& program);

// Starts the editor found by findTextEditor() and waits without a time limit.
class SystemTextEditor : public TextEditorRunner
{
  public:
    bool editAndWait(const QString& file) override;
};

// "Text záhlaví" / "Text zápatí": the stored value of `column` ("zahlavi" or "zapati") goes
// line by line, each line followed by CR LF and its bytes unchanged, into `fileName` in the
// program folder ("zahl.ini", "zapa.ini"); after the editor ends the file's lines, each
// followed by CR LF, are stored back. Throws VornixError on database or file errors.
void editStoredText(QSqlDatabase& db, const QString& column, const QString& fileName,
                    TextEditorRunner& editor);
