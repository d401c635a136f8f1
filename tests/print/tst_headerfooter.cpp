#include "print/headerfooter.h"
#include "print/printerchoice.h"
#include "printfixture.h"

#include <QSettings>
#include <QtTest>

namespace
{

struct FakeChooser : PrinterChooser {
    QStringList printers{"Epson TM", "HP LaserJet", "Canon"};
    std::optional<int> answer;
    int shownOn = -99;
    QStringList printerNames() override { return printers; }
    std::optional<int> choose(const QStringList&, int current) override
    {
        shownOn = current;
        return answer;
    }
};

// An "editor" that does nothing (closed without saving) or could not be started.
struct NoEditor : TextEditorRunner {
    bool started = true;
    QString file;
    bool editAndWait(const QString& f) override
    {
        file = f;
        return started;
    }
};

QByteArray stored(PrintFixture& f, const QString& column)
{
    return db::scalar(f.db, QString("select cast(%1 as blob) from eet_nast").arg(column)).toByteArray();
}

} // namespace

class TestHeaderFooter : public QObject
{
    Q_OBJECT
  private slots:
    void iniKeys_data();
    void iniKeys();
    void storedIndexOutsideListOpensOnDefault();
    void fileHoldsStoredBytes_data();
    void fileHoldsStoredBytes();
    void editorScriptRoundTrip();
    void editorPrecedence();
};

void TestHeaderFooter::iniKeys_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("before");
    QTest::addColumn<QVariant>("answer");
    QTest::addColumn<int>("after");
    QTest::newRow("receipt printer, first") << "Index2" << QVariant() << QVariant(0) << 0;
    QTest::newRow("receipt printer, cancel keeps") << "Index2" << QVariant(2) << QVariant() << 2;
    QTest::newRow("receipt printer, cancel, none stored") << "Index2" << QVariant() << QVariant() << -1;
    QTest::newRow("overview printer") << "Index" << QVariant(0) << QVariant(1) << 1;
}

void TestHeaderFooter::iniKeys()
{
    QFETCH(QString, key);
    QFETCH(QVariant, before);
    QFETCH(QVariant, answer);
    QFETCH(int, after);
    PrintFixture f;
    if (before.isValid())
        writePrinterIndex(key, before.toInt());
    FakeChooser c;
    if (answer.isValid())
        c.answer = answer.toInt();
    choosePrinter(key, c);
    QCOMPARE(c.shownOn, before.isValid() ? before.toInt() : -1);
    QCOMPARE(readPrinterIndex(key), after);
    // The file is a plain INI file in the program folder, named after the executable.
    const QString ini = programIniFile();
    QCOMPARE(QFileInfo(ini).fileName(), QCoreApplication::applicationName() + ".INI");
    QCOMPARE(QFileInfo(ini).absolutePath(), QFileInfo(f.folder.path()).absoluteFilePath());
    if (after >= 0)
        QVERIFY(fileBytes(ini).contains(QString("[Tiskarna]").toUtf8()));
    if (after >= 0)
        QVERIFY(fileBytes(ini).contains(QString("%1=%2").arg(key).arg(after).toUtf8()));
    // The other key is untouched.
    const QString other = key == "Index" ? "Index2" : "Index";
    QCOMPARE(readPrinterIndex(other), -1);
}

void TestHeaderFooter::storedIndexOutsideListOpensOnDefault()
{
    PrintFixture f;
    writePrinterIndex(receiptPrinterKey, 7);
    FakeChooser c;
    choosePrinter(receiptPrinterKey, c);
    QCOMPARE(c.shownOn, -1);
    QCOMPARE(readPrinterIndex(receiptPrinterKey), 7);
    QCOMPARE(printerForIndex(7, c.printers), QString());
    QCOMPARE(printerForIndex(1, c.printers), QString("HP LaserJet"));
}

void TestHeaderFooter::fileHoldsStoredBytes_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("empty") << QByteArray("") << QByteArray("") << QByteArray("");
    QTest::newRow("one line without break")
        << QByteArray("Penzion") << QByteArray("Penzion\r\n") << QByteArray("Penzion\r\n");
    QTest::newRow("czech utf-8") << QByteArray("P\xc5\x99\xc3\xadli\xc5\xa1\r\nB")
                                 << QByteArray("P\xc5\x99\xc3\xadli\xc5\xa1\r\nB\r\n")
                                 << QByteArray("P\xc5\x99\xc3\xadli\xc5\xa1\r\nB\r\n");
    QTest::newRow("malformed bytes kept")
        << QByteArray("a\xc5\r\n\xff") << QByteArray("a\xc5\r\n\xff\r\n") << QByteArray("a\xc5\r\n\xff\r\n");
    QTest::newRow("lf only") << QByteArray("a\nb\n") << QByteArray("a\r\nb\r\n") << QByteArray("a\r\nb\r\n");
}

void TestHeaderFooter::fileHoldsStoredBytes()
{
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, after);
    for (const auto& [column, name] :
         {std::pair<QString, QString>{"zahlavi", "zahl.ini"}, {"zapati", "zapa.ini"}}) {
        for (bool started : {true, false}) {
            PrintFixture f;
            db::exec(f.db, QString("update eet_nast set %1 = cast(? as text)").arg(column), {value});
            NoEditor editor;
            editor.started = started;
            editStoredText(f.db, column, name, editor);
            QCOMPARE(editor.file, f.folder.file(name));
            QCOMPARE(fileBytes(f.folder.file(name)), file);
            QCOMPARE(stored(f, column), after);
            QCOMPARE(db::scalar(f.db, QString("select typeof(%1) from eet_nast").arg(column)).toString(),
                     QString("text"));
        }
    }
}

void TestHeaderFooter::editorScriptRoundTrip()
{
    PrintFixture f;
    db::exec(f.db, "update eet_nast set zahlavi = ?, zapati = ?",
             {QString("Stará\r\nBrno"), QString("Díky")});
    // The editor: a script that replaces the first line and appends one, ending lines with LF.
    const QString script = f.folder.file("editor.sh");
    QFile s(script);
    QVERIFY(s.open(QIODevice::WriteOnly));
    s.write("#!/bin/sh\nsleep 0.2\nprintf 'Nov\\303\\241 \"hlavi\\304\\215ka\" "
            "[Zapati1]\\nBrno\\nt\\305\\231et\\303\\255\\n' > \"$1\"\n");
    s.close();
    s.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("VISUAL", script.toLocal8Bit());
    qputenv("EDITOR", "vi");
    SystemTextEditor editor;
    editStoredText(f.db, "zahlavi", "zahl.ini", editor);
    qunsetenv("VISUAL");
    qunsetenv("EDITOR");
    QCOMPARE(stored(f, "zahlavi"), QString("Nová \"hlavička\" [Zapati1]\r\nBrno\r\ntřetí\r\n").toUtf8());
    QCOMPARE(stored(f, "zapati"), QString("Díky").toUtf8());
}

void TestHeaderFooter::editorPrecedence()
{
    qputenv("VISUAL", "/opt/my editor/ed --wait");
    qputenv("EDITOR", "gedit");
    QCOMPARE(findTextEditor(), (QStringList{"/opt/my", "editor/ed", "--wait"}));
    qputenv("VISUAL", "\"/opt/my editor/ed\" --wait");
    QCOMPARE(findTextEditor(), (QStringList{"/opt/my editor/ed", "--wait"}));
    qunsetenv("VISUAL");
    QCOMPARE(findTextEditor(), QStringList{"gedit"});
    // A terminal editor in EDITOR is passed over.
    qputenv("EDITOR", "vim");
    const QStringList found = findTextEditor();
    QVERIFY(found.isEmpty() || isWindowedEditor(found.first()));
    QVERIFY(!isWindowedEditor("vim"));
    QVERIFY(isWindowedEditor("/usr/bin/kate"));
    qunsetenv("EDITOR");
}

QTEST_MAIN(TestHeaderFooter)
#include "tst_headerfooter.moc"
