#include "print/headerfooter.h"

#include "core/error.h"
#include "core/paths.h"
#include "db/database.h"
#include "print/receiptprint.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QSqlQuery>
#include <QStandardPaths>

namespace
{

struct KnownEditor {
    const char* program;
    const char* waitOption; // keeps the editor in the foreground until its window closes
};

// Windowed editors, most common first.
const KnownEditor knownEditors[] = {
    {"gnome-text-editor", "--standalone"},
    {"gedit", "--wait"},
    {"xed", "--wait"},
    {"kate", "--block"},
    {"kwrite", nullptr},
    {"mousepad", "--disable-server"},
    {"pluma", nullptr},
    {"featherpad", "--standalone"},
    {"leafpad", nullptr},
    {"l3afpad", nullptr},
    {"geany", "--new-instance"},
    {"gvim", "--nofork"},
    {"code", "--wait"},
    {"xedit", nullptr},
};

} // namespace

bool isWindowedEditor(const QString& program)
{
    const QString name = QFileInfo(program).fileName();
    for (const KnownEditor& e : knownEditors)
        if (name == QLatin1String(e.program))
            return true;
    return false;
}

QStringList findTextEditor()
{
    const QString visual = qEnvironmentVariable("VISUAL").trimmed();
    if (!visual.isEmpty()) {
        const QStringList cmd = QProcess::splitCommand(visual);
        if (!cmd.isEmpty())
            return cmd;
    }
    const QString editor = qEnvironmentVariable("EDITOR").trimmed();
    if (!editor.isEmpty()) {
        const QStringList cmd = QProcess::splitCommand(editor);
        if (!cmd.isEmpty() && isWindowedEditor(cmd.first()))
            return cmd;
    }
    for (const KnownEditor& e : knownEditors) {
        const QString path = QStandardPaths::findExecutable(QLatin1String(e.program));
        if (path.isEmpty())
            continue;
        QStringList cmd{path};
        if (e.waitOption)
            cmd << QLatin1String(e.waitOption);
        return cmd;
    }
    return {};
}

bool SystemTextEditor::editAndWait(const QString& file)
{
    QStringList cmd = findTextEditor();
    if (cmd.isEmpty())
        return false;
    const QString program = cmd.takeFirst();
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(program, cmd << QDir::toNativeSeparators(file));
    if (!p.waitForStarted(-1))
        return false;
    p.waitForFinished(-1);
    return true;
}

void editStoredText(QSqlDatabase& db, const QString& column, const QString& fileName,
                    TextEditorRunner& editor)
{
    // The value travels as raw bytes: read as a blob, written back as text of the same bytes.
    QSqlQuery q =
        db::exec(db, QStringLiteral("select rowid, cast(%1 as blob) from eet_nast limit 1").arg(column));
    if (!q.next())
        throw VornixError(QStringLiteral("V databázi chybí řádek nastavení."));
    const qlonglong rowid = q.value(0).toLongLong();
    const QByteArray stored = q.value(1).toByteArray();
    q.finish();

    const QString path = programFile(fileName);
    {
        QByteArray out;
        for (const QByteArray& line : splitLines(stored))
            out += line + "\r\n";
        QSaveFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(out) != out.size() || !f.commit())
            throw VornixError(QStringLiteral("Soubor „%1“ nelze zapsat: %2")
                                  .arg(QDir::toNativeSeparators(path), f.errorString()));
    }

    editor.editAndWait(path);

    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw VornixError(QStringLiteral("Soubor „%1“ nelze přečíst: %2")
                              .arg(QDir::toNativeSeparators(path), f.errorString()));
    QByteArray text(""); // empty, not NULL: an emptied header is stored as an empty text
    for (const QByteArray& line : splitLines(f.readAll()))
        text += line + "\r\n";
    db::exec(db, QStringLiteral("update eet_nast set %1 = cast(? as text) where rowid = ?").arg(column),
             {text, rowid});
}
