#include "eet/dropfile.h"
#include "tests/support/eetservice.h"
#include "tests/support/tillfixture.h"

#include <QFile>
#include <QProcess>
#include <QtTest>

namespace
{

const QString& demoCert()
{
    static const QString cert = makeDemoCertificate(QDir::tempPath() + "/vornix-test-cert");
    return cert;
}

// The thirteen lines of an invoice, as the other program writes them.
QStringList invoiceLines()
{
    return {"FA2026/117",
            "Šťastná Růžena",
            "Ubytování – pokoj č. 3",
            "2026-12-01 08:00:00",
            "1210",
            "",
            "1000.00",
            "210.00",
            "",
            "",
            "21",
            "1000.00",
            "210.00"};
}

QByteArray windows1250(const QStringList& lines, const QByteArray& eol = "\r\n")
{
    // Every character used by the tests exists in Windows-1250; build the bytes by hand.
    static const QHash<QChar, char> high{
        {QChar(0x160), '\x8a'}, {QChar(0x165), '\x9d'}, {QChar(0xE1), '\xe1'},   {QChar(0x158), '\xd8'},
        {QChar(0x16F), '\xf9'}, {QChar(0x17E), '\x9e'}, {QChar(0x2013), '\x96'}, {QChar(0x10D), '\xe8'},
        {QChar(0xED), '\xed'},  {QChar(0xFD), '\xfd'},  {QChar(0x159), '\xf8'}};
    QByteArray out;
    for (const QString& l : lines) {
        for (QChar c : l)
            out += c.unicode() < 0x80 ? char(c.unicode()) : high.value(c, '?');
        out += eol;
    }
    return out;
}

struct DropFixture : TillFixture {
    QStringList printed;
    explicit DropFixture(const QString& url)
        : TillFixture([&](Peek& p) {
              p.exec("update eet_nast set url = ?, timeout = 3000, dic = 'CZ1212121218', certheslo = 'eet', "
                     "certsoubor = ?, idprovoz = '11', idkasa = 'K1'",
                     {url, demoCert()});
          })
    {
        till->session.tichy_rezim = true;
        till->tiskuct = [this](int mode) { printed << QString::number(mode); };
    }
    void write(const QByteArray& bytes)
    {
        QFile f(dir.file("odeslat_fa.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QString dump()
    {
        QString out;
        Peek p = peek();
        for (const auto& r : p.rows("select * from eet order by id"))
            for (const auto& v : r)
                out += v.toString() + "|";
        return out;
    }
};

// A program folder for the real executable: templates, a database pointed at the service.
struct ProgramRun {
    TempProgramFolder dir;
    explicit ProgramRun(const QString& url)
    {
        const QDir program(qEnvironmentVariable("VORNIX_PROGRAM_DIR"));
        for (const QString& f : program.entryList({"*.vxr"}))
            QFile::copy(program.filePath(f), dir.file(f));
        makeBaselineDatabase(dir.dbFile());
        {
            // A database the program has used before: already brought up to date.
            QSqlDatabase d = db::open(dir.dbFile(), "e2e-prep");
            db::prepare(d);
            d.close();
        }
        QSqlDatabase::removeDatabase("e2e-prep");
        Peek p(dir.dbFile());
        p.exec("update eet_nast set url = ?, timeout = 3000, dic = 'CZ1212121218', certheslo = 'eet', "
               "certsoubor = ?, "
               "idprovoz = '11', idkasa = 'K1'",
               {url, demoCert()});
    }
    void write(const QByteArray& bytes)
    {
        QFile f(dir.file("odeslat_fa.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // Runs "vornix /jo" on the folder without a display; returns the exit code.
    int run(QByteArray* err = nullptr)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VORNIX_HOME", dir.path());
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("VORNIX_PROGRAM_DIR") + "/vornix", {"/jo"});
        if (!p.waitForFinished(60000)) {
            p.kill();
            return -1;
        }
        if (err)
            *err = p.readAllStandardError();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    }
    QString dump()
    {
        QString out;
        Peek p(dir.dbFile());
        for (const auto& r : p.rows("select * from eet order by id"))
            for (const auto& v : r)
                out += v.toString() + "|";
        return out;
    }
};

} // namespace

class TestDropFile : public QObject
{
    Q_OBJECT
  private slots:
    void initTestCase() { qputenv("TZ", "Europe/Prague"); }
    void lineEndings_data();
    void lineEndings();
    void noFile();
    void registersInvoice();
    void badFiles_data();
    void badFiles();
    void registeredNumberNotSentAgain();
    void workingRowSurvives();
    void silentRunRegistersAndPrints();
    void silentRunRefusesBadFile();
};

void TestDropFile::lineEndings_data()
{
    QTest::addColumn<QByteArray>("eol");
    QTest::newRow("CR LF") << QByteArray("\r\n");
    QTest::newRow("LF") << QByteArray("\n");
    QTest::newRow("CR") << QByteArray("\r");
}

void TestDropFile::lineEndings()
{
    QFETCH(QByteArray, eol);
    const QStringList lines = dropFileLines(windows1250(invoiceLines() + QStringList{"extra"}, eol));
    QCOMPARE(lines.size(), 14);
    QCOMPARE(lines.mid(0, 13), invoiceLines());
    QCOMPARE(dropFileLines(" a \r\n\r\nb"), (QStringList{" a ", "", "b"}));
}

void TestDropFile::noFile()
{
    DropFixture f("http://127.0.0.1:9/");
    const DropFileOutcome o = processDropFile(*f.till, f.dir.path());
    QCOMPARE(o.status, DropFileOutcome::NoFile);
    QCOMPARE(o.exitCode(), 0);
    QVERIFY(f.prompt.shown.isEmpty());
}

void TestDropFile::registersInvoice()
{
    EetTestService service;
    DropFixture f(service.url());
    f.write(windows1250(invoiceLines() + QStringList{"ignored line 14"}));
    const DropFileOutcome o = processDropFile(*f.till, f.dir.path());
    QCOMPARE(o.status, DropFileOutcome::Done);
    QCOMPARE(o.exitCode(), 0);
    QVERIFY2(f.prompt.shown.isEmpty(), qPrintable(f.prompt.texts().join('\n')));
    QVERIFY(!QFile::exists(f.dir.file("odeslat_fa.txt")));
    QCOMPARE(f.printed, QStringList{"4"});
    Peek p = f.peek();
    const auto r =
        p.rows("select uctenka_cislo, jmeno, ucelplatby, dat_trzby, celk_trzba, zakl_dan1, dan1, dph, "
               "zaklad_dph, suma_dph, fik, hex(jmeno), zakl_nepodl_dph from eet where id = ?",
               {o.id})
            .value(0);
    QCOMPARE(r[0].toString(), QString("FA2026/117"));
    QCOMPARE(r[1].toString(), QString("Šťastná Růžena"));
    QCOMPARE(r[2].toString(), QString("Ubytování – pokoj č. 3"));
    QCOMPARE(r[3].toString(), QString("2026-12-11 10:00:00"));
    QCOMPARE(r[4].toInt(), 1210);
    QCOMPARE(r[5].toDouble(), 1000.0);
    QCOMPARE(r[6].toDouble(), 210.0);
    QCOMPARE(r[7].toInt(), 21);
    QCOMPARE(r[8].toDouble(), 1000.0);
    QCOMPARE(r[9].toDouble(), 210.0);
    QVERIFY(!r[10].isNull());
    QCOMPARE(r[11].toString(), QString(QString("Šťastná Růžena").toUtf8().toHex().toUpper()));
    QVERIFY(r[12].isNull());
    QVERIFY(p.scalar("select zprava_xml from eet where id = ?", {o.id})
                .toString()
                .contains("porad_cis=\"FA2026/117\""));
}

void TestDropFile::badFiles_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("reason");
    QStringList l = invoiceLines();
    QTest::newRow("12 lines") << l.mid(0, 12) << "13";
    l = invoiceLines();
    l[4] = "1210.50";
    QTest::newRow("total not whole") << l << "řádek 5";
    l = invoiceLines();
    l[10] = "21%";
    QTest::newRow("rate not whole") << l << "řádek 11";
    l = invoiceLines();
    l[6] = "1000,00";
    QTest::newRow("decimal comma") << l << "řádku 7";
    l = invoiceLines();
    l[4] = "0";
    QTest::newRow("zero total") << l << "Nulová částka účtenky!";
    l = invoiceLines();
    l[2] = "";
    QTest::newRow("empty purpose") << l << "Prázdný účel platby!";
}

void TestDropFile::badFiles()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, reason);
    EetTestService service;
    DropFixture f(service.url());
    const QByteArray bytes = windows1250(lines);
    f.write(bytes);
    const QString before = f.dump();
    const DropFileOutcome o = processDropFile(*f.till, f.dir.path());
    QCOMPARE(o.status, DropFileOutcome::Refused);
    QVERIFY(o.exitCode() != 0);
    QCOMPARE(f.prompt.shown.size(), 1);
    QVERIFY2(f.prompt.shown[0].text.contains(reason), qPrintable(f.prompt.shown[0].text));
    QCOMPARE(f.dump(), before);
    QCOMPARE(fileBytes(f.dir.file("odeslat_fa.txt")), bytes);
    QVERIFY(f.printed.isEmpty());
}

void TestDropFile::registeredNumberNotSentAgain()
{
    EetTestService service;
    DropFixture f(service.url());
    {
        Peek p = f.peek();
        p.exec("insert into eet (celk_trzba, uctenka_cislo, dat_trzby, fik) values (1210, 'FA2026/117', "
               "'2026-12-10 10:00:00', 'fik-1')");
    }
    f.write(windows1250(invoiceLines()));
    const QString before = f.dump();
    const DropFileOutcome o = processDropFile(*f.till, f.dir.path());
    QCOMPARE(o.status, DropFileOutcome::AlreadyRegistered);
    QVERIFY(o.exitCode() != 0);
    QCOMPARE(f.dump(), before);
    QVERIFY(QFile::exists(f.dir.file("odeslat_fa.txt")));
}

void TestDropFile::workingRowSurvives()
{
    EetTestService service;
    DropFixture f(service.url());
    const QString working = f.till->session.aktualni_id;
    {
        Peek p = f.peek();
        p.exec("update eet set jmeno = 'Obsluha píše', celk_trzba = 0, ucelplatby = 'Rozepsáno' where id = ?",
               {working});
    }
    f.write(windows1250(invoiceLines()));
    const DropFileOutcome o = processDropFile(*f.till, f.dir.path());
    QCOMPARE(o.status, DropFileOutcome::Done);
    QVERIFY(o.id != working);
    const auto r =
        f.peek()
            .rows("select jmeno, ucelplatby, celk_trzba, uctenka_cislo, dat_odesl from eet where id = ?",
                  {working})
            .value(0);
    QCOMPARE(r[0].toString(), QString("Obsluha píše"));
    QCOMPARE(r[1].toString(), QString("Rozepsáno"));
    QCOMPARE(r[2].toInt(), 0);
    QVERIFY(r[3].isNull());
    QVERIFY(r[4].isNull());
}

void TestDropFile::silentRunRegistersAndPrints()
{
    EetTestService service;
    ProgramRun r(service.url());
    r.write(windows1250(invoiceLines()));
    QByteArray err;
    QCOMPARE(r.run(&err), 0);
    QVERIFY(!QFile::exists(r.dir.file("odeslat_fa.txt")));
    Peek p(r.dir.dbFile());
    const auto row =
        p.rows("select jmeno, fik, dat_trzby from eet where uctenka_cislo = 'FA2026/117'").value(0);
    QCOMPARE(row.value(0).toString(), QString("Šťastná Růžena"));
    QVERIFY2(!row.value(1).isNull(), err.constData());
    // Without any printer the receipt is printed into a PDF file of the program folder.
    const QStringList pdfs = QDir(r.dir.file("tisk")).entryList({"*.pdf"});
    QCOMPARE(pdfs.size(), 1);
    QProcess text;
    text.start("pdftotext", {"-enc", "UTF-8", r.dir.file("tisk/" + pdfs.first()), "-"});
    QVERIFY(text.waitForFinished(30000));
    const QString printed = QString::fromUtf8(text.readAllStandardOutput());
    QVERIFY2(printed.contains("FA2026/117"), qPrintable(printed));
    QVERIFY2(printed.contains(row.value(1).toString().left(8)), qPrintable(printed));
}

void TestDropFile::silentRunRefusesBadFile()
{
    EetTestService service;
    ProgramRun r(service.url());
    {
        // An open working row with typed data, as an operator leaves it.
        Peek p(r.dir.dbFile());
        p.exec("insert into eet (idkasa, celk_trzba, jmeno, ucelplatby, oddata, dodata) values "
               "('K1', 0, 'Rozepsáno', 'Nocleh', '2026-01-05', '2026-01-06')");
    }
    QStringList lines = invoiceLines();
    lines[4] = "12,50";
    const QByteArray bytes = windows1250(lines);
    r.write(bytes);
    const QString before = r.dump();
    QByteArray err;
    const int code = r.run(&err);
    QVERIFY2(code > 0, qPrintable(QString::number(code)));
    QVERIFY2(err.contains("řádek 5"), err.constData());
    QCOMPARE(r.dump(), before);
    QCOMPARE(fileBytes(r.dir.file("odeslat_fa.txt")), bytes);
    QVERIFY(!QDir(r.dir.file("tisk")).exists());
}

QTEST_GUILESS_MAIN(TestDropFile)
#include "tst_dropfile.moc"
