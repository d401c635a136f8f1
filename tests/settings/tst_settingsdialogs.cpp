#include "app/ui/mainwindow.h"
#include "db/database.h"
#include "settings/appsettings.h"
#include "settings/eetsettings.h"
#include "settings/ui/appsettingsdialog.h"
#include "settings/ui/eetsettingsdialog.h"
#include "tests/support/testsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>
#include <functional>
#include <memory>

namespace
{

const QString kConnection = QStringLiteral("tst_dialogs");

struct Fixture {
    TempProgramFolder dir;
    QSqlDatabase db;
    ScriptedPrompt prompt;
    FixedClock clock{QDateTime(QDate(2026, 3, 2), QTime(10, 0))};
    Fixture()
    {
        makeBaselineDatabase(dir.dbFile());
        db = db::open(dir.dbFile(), kConnection);
        db::prepare(db);
    }
    ~Fixture()
    {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(kConnection);
    }
    void exec(const QString& sql, const QVariantList& values = {})
    {
        Peek p(dir.dbFile());
        p.exec(sql, values);
    }
    QVariant stored(const QString& column)
    {
        Peek p(dir.dbFile());
        return p.scalar("select " + column + " from eet_nast");
    }
    QList<QVariantList> row()
    {
        Peek p(dir.dbFile());
        return p.rows("select * from eet_nast");
    }
};

template <typename T> T* child(QWidget& w, const char* name)
{
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    if (!c)
        qFatal("no child %s", name);
    return c;
}

// As the operator's click: emits clicked(), toggles check boxes.
void click(QWidget& w, const char* name)
{
    child<QAbstractButton>(w, name)->click();
}

// Runs `act` once a modal widget of the given type appears (polled from the event loop
// of the modal exec that the test starts next).
template <typename T> void whenShown(std::function<void(T*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* t = qobject_cast<T*>(w); t && t->isVisible()) {
                timer->stop();
                timer->deleteLater();
                act(t);
                return;
            }
        }
    });
    timer->start();
}

// Picks a file in the file dialog once it is up (an empty name cancels it). The dialog
// fills its list in the background, so the choice is repeated until the dialog takes it.
// A message box over the dialog (file not found) is closed, and after about thirty seconds
// (slow machines, sanitizer builds) the dialog is cancelled, so a fault fails the test instead of hanging it.
void chooseInFileDialog(const QString& file, QString* title = nullptr, QFileDialog::FileMode* mode = nullptr,
                        bool* grip = nullptr, QString* name = nullptr)
{
    auto* timer = new QTimer;
    timer->setInterval(20);
    auto ticks = std::make_shared<int>(0);
    auto seen = std::make_shared<bool>(false);
    QObject::connect(timer, &QTimer::timeout, [=] {
        auto finish = [timer] {
            timer->stop();
            timer->deleteLater();
        };
        if (++*ticks > 2000) {
            finish();
            return;
        }
        QFileDialog* fd = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* t = qobject_cast<QFileDialog*>(w); t && t->isVisible())
                fd = t;
        if (!fd)
            return;
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            box->close();
            return;
        }
        if (!*seen) {
            *seen = true;
            if (title)
                *title = fd->windowTitle();
            if (mode)
                *mode = fd->fileMode();
            if (grip)
                *grip = fd->isSizeGripEnabled();
            if (name)
                *name = fd->objectName();
        }
        if (file.isEmpty() || *ticks > 1500) {
            static_cast<QDialog*>(fd)->reject();
        } else {
            // The name typed into the dialog's folder, as an operator would.
            fd->setDirectory(QFileInfo(file).absolutePath());
            if (auto* typed = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                typed->setText(QFileInfo(file).fileName());
            else
                fd->selectFile(QFileInfo(file).fileName());
            static_cast<QDialog*>(fd)->accept();
        }
        if (!fd->isVisible())
            finish();
    });
    timer->start();
}

// A certificate inspector that answers from a table, so the dialog can be driven without
// real certificates.
class FakeInspector : public CertificateInspector
{
  public:
    CertificateSummary inspect(const QString& path, const QString& password) const override
    {
        calls << path + "|" + password;
        CertificateSummary s;
        if (password != "eet") {
            s.error = "Chybné heslo k certifikátu: " + path;
            return s;
        }
        s.opened = true;
        s.dic = "CZ00000019";
        s.validUntil = QDateTime(QDate(2027, 5, 1), QTime(0, 0), Qt::UTC);
        return s;
    }
    mutable QStringList calls;
};

} // namespace

class TestSettingsDialogs : public QObject
{
    Q_OBJECT
  private slots:
    // Application settings
    void appDialogShowsRow();
    void appRateOrder_data();
    void appRateOrder();
    void appReceiptPrinterForcesOneCopy();
    void appCopiesRuleFollowsClicks();
    void appVatGroupEnabling();
    void appStornoDiscards();
    void appRefusedValueKeepsDialogOpen();
    void appTextsStoredAsUtf8();
    // EET settings
    void eetBoxState_data();
    void eetBoxState();
    void eetCheckingSavesPlaygroundWithoutQuestion();
    void eetProductionQuestion_data();
    void eetProductionQuestion();
    void eetOtherUrlKeptAfterQuestion();
    void eetCertificateFileChosen();
    void eetFileDialogCancelChangesNothing();
    void eetCertificateWarningsDoNotRefuse();
    void eetPlaygroundCertificateSummary();
    void eetRefusedTimeout();
    void eetHotKeyLocksTestMode();
    // Main window
    void mainWindowAppliesAfterAppSettings_data();
    void mainWindowAppliesAfterAppSettings();
    void mainWindowHotKeyWhileEetSettingsShown();
};

void TestSettingsDialogs::appDialogShowsRow()
{
    Fixture f;
    f.exec("update eet_nast set platce_dph = 'A', rozpis = 'A', od_do = 'N', pocet_tisku = 2");
    TForm3 d(f.db, &f.prompt);
    QCOMPARE(d.windowTitle(), QString("Nastavení pro aplikaci"));
    d.show();
    QCOMPARE(child<QLineEdit>(d, "EditUzivatel")->text(), QString("Penzion U Lípy"));
    QCOMPARE(child<QLineEdit>(d, "EditUcel")->text(), QString("Ubytování"));
    QCOMPARE(child<QLineEdit>(d, "EditDic")->text(), QString("CZ1212121218"));
    QCOMPARE(child<QLineEdit>(d, "EditIdProvoz")->text(), QString("11"));
    QCOMPARE(child<QLineEdit>(d, "EditIdKasa")->text(), QString("K1"));
    QCOMPARE(child<QLineEdit>(d, "EditDph1")->text(), QString("21"));
    QCOMPARE(child<QLineEdit>(d, "EditDph2")->text(), QString("15"));
    QCOMPARE(child<QLineEdit>(d, "EditDph3")->text(), QString("10"));
    QCOMPARE(child<QLineEdit>(d, "EditDphz")->text(), QString("21"));
    QVERIFY(child<QCheckBox>(d, "CheckRozpis")->isChecked());
    QVERIFY(!child<QCheckBox>(d, "CheckOdDo")->isChecked());
    QVERIFY(child<QCheckBox>(d, "CheckPlatceDph")->isChecked());
    QVERIFY(!child<QCheckBox>(d, "CheckJednRezim")->isChecked());
    QVERIFY(!child<QCheckBox>(d, "CheckUctenkova")->isChecked());
    auto* spin = child<QSpinBox>(d, "SpinPocetTisku");
    QCOMPARE(spin->minimum(), 1);
    QCOMPARE(spin->maximum(), 2);
    QCOMPARE(spin->value(), 2);
    QVERIFY(spin->isEnabled());
    QCOMPARE(child<QPushButton>(d, "ButtonUlozit")->text(), QString("uložit"));
    QCOMPARE(child<QPushButton>(d, "ButtonStorno")->text(), QString("storno"));
    QVERIFY(f.prompt.shown.isEmpty());
}

void TestSettingsDialogs::appRateOrder_data()
{
    QTest::addColumn<QString>("r1");
    QTest::addColumn<QString>("r2");
    QTest::addColumn<QString>("r3");
    QTest::addColumn<QString>("message");
    QTest::newRow("21 15 10 saves") << "21"
                                    << "15"
                                    << "10"
                                    << "";
    QTest::newRow("15 21 10 refused") << "15"
                                      << "21"
                                      << "10" << settings::rateOrderMessage;
    QTest::newRow("21 21 21 saves") << "21"
                                    << "21"
                                    << "21"
                                    << "";
    QTest::newRow("letters refused") << "2l"
                                     << "15"
                                     << "10" << settings::rateErrorMessage;
}

void TestSettingsDialogs::appRateOrder()
{
    QFETCH(QString, r1);
    QFETCH(QString, r2);
    QFETCH(QString, r3);
    QFETCH(QString, message);
    Fixture f;
    f.exec("update eet_nast set dph1 = 5, dph2 = 4, dph3 = 3, platce_dph = 'A'");
    const auto before = f.row();
    TForm3 d(f.db, &f.prompt);
    d.show();
    child<QLineEdit>(d, "EditDph1")->setText(r1);
    child<QLineEdit>(d, "EditDph2")->setText(r2);
    child<QLineEdit>(d, "EditDph3")->setText(r3);
    child<QLineEdit>(d, "EditIdKasa")->setText("K9");
    click(d, "ButtonUlozit");
    if (message.isEmpty()) {
        QVERIFY(f.prompt.shown.isEmpty());
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(f.stored("dph1").toString(), r1);
        QCOMPARE(f.stored("dph2").toString(), r2);
        QCOMPARE(f.stored("dph3").toString(), r3);
        QCOMPARE(f.stored("idkasa").toString(), QString("K9"));
        return;
    }
    QCOMPARE(f.prompt.texts(), QStringList{message});
    QCOMPARE(f.prompt.shown.first().icon, PromptIcon::Information);
    QCOMPARE(f.prompt.shown.first().buttons, QStringList{"OK"});
    QVERIFY(d.isVisible());
    // Nothing of the refused save is stored, not even the other field.
    QCOMPARE(f.row(), before);
    // The operator corrects the rates and saves again.
    child<QLineEdit>(d, "EditDph1")->setText("21");
    child<QLineEdit>(d, "EditDph2")->setText("15");
    child<QLineEdit>(d, "EditDph3")->setText("10");
    click(d, "ButtonUlozit");
    QVERIFY(!d.isVisible());
    QCOMPARE(f.stored("dph2").toInt(), 15);
    QCOMPARE(f.stored("idkasa").toString(), QString("K9"));
}

void TestSettingsDialogs::appReceiptPrinterForcesOneCopy()
{
    Fixture f;
    f.exec("update eet_nast set uctenkova = 'A', pocet_tisku = 2");
    TForm3 d(f.db, &f.prompt);
    d.show();
    auto* spin = child<QSpinBox>(d, "SpinPocetTisku");
    QCOMPARE(spin->value(), 1);
    QVERIFY(!spin->isEnabled());
    QVERIFY(!child<QLabel>(d, "LabelPocetTisku")->isEnabled());
    click(d, "ButtonUlozit");
    QVERIFY(!d.isVisible());
    QCOMPARE(f.stored("pocet_tisku").toInt(), 1);
}

void TestSettingsDialogs::appCopiesRuleFollowsClicks()
{
    Fixture f;
    f.exec("update eet_nast set uctenkova = 'N', pocet_tisku = 2");
    TForm3 d(f.db, &f.prompt);
    d.show();
    auto* spin = child<QSpinBox>(d, "SpinPocetTisku");
    QCOMPARE(spin->value(), 2);
    QVERIFY(spin->isEnabled());
    click(d, "CheckUctenkova");
    QVERIFY(!spin->isEnabled());
    QCOMPARE(spin->value(), 1);
    click(d, "CheckUctenkova");
    QVERIFY(spin->isEnabled());
    spin->setValue(2);
    click(d, "CheckJednRezim"); // applies the same rule: receipt printer off, stays enabled
    QVERIFY(spin->isEnabled());
    QCOMPARE(spin->value(), 2);
    click(d, "ButtonUlozit");
    QCOMPARE(f.stored("pocet_tisku").toInt(), 2);
    QCOMPARE(f.stored("uctenkova").toString(), QString("N"));
    QCOMPARE(f.stored("jedn_rezim").toString(), QString("A"));

    // Reopening reloads the spin edit from the row.
    f.exec("update eet_nast set pocet_tisku = 1");
    d.show();
    QCOMPARE(spin->value(), 1);
}

void TestSettingsDialogs::appVatGroupEnabling()
{
    Fixture f;
    f.exec("update eet_nast set platce_dph = 'A'");
    TForm3 d(f.db, &f.prompt);
    d.show();
    const char* group[] = {"EditDph1", "EditDph2", "EditDph3", "EditDphz", "LabelSazby", "LabelObvykla"};
    for (const char* n : group)
        QVERIFY2(child<QWidget>(d, n)->isEnabled(), n);
    click(d, "CheckPlatceDph");
    for (const char* n : group)
        QVERIFY2(!child<QWidget>(d, n)->isEnabled(), n);
    click(d, "ButtonStorno");
    QCOMPARE(f.stored("platce_dph").toString(), QString("A"));

    f.exec("update eet_nast set platce_dph = 'N'");
    d.show();
    for (const char* n : group)
        QVERIFY2(!child<QWidget>(d, n)->isEnabled(), n);
}

void TestSettingsDialogs::appStornoDiscards()
{
    Fixture f;
    const auto before = f.row();
    TForm3 d(f.db, &f.prompt);
    d.show();
    child<QLineEdit>(d, "EditDic")->setText("CZ999");
    click(d, "CheckRozpis");
    click(d, "ButtonStorno");
    QVERIFY(!d.isVisible());
    QCOMPARE(d.result(), int(QDialog::Rejected));
    QCOMPARE(f.row(), before);
    // Escape closes the same way; the next opening shows the stored row, not the edits.
    d.show();
    QCOMPARE(child<QLineEdit>(d, "EditDic")->text(), QString("CZ1212121218"));
    QVERIFY(!child<QCheckBox>(d, "CheckRozpis")->isChecked());
    child<QLineEdit>(d, "EditDic")->setText("CZ888");
    QTest::keyClick(&d, Qt::Key_Escape);
    QVERIFY(!d.isVisible());
    QCOMPARE(f.row(), before);
    d.show();
    click(d, "ButtonUlozit");
    QCOMPARE(f.stored("dic").toString(), QString("CZ1212121218"));
}

void TestSettingsDialogs::appRefusedValueKeepsDialogOpen()
{
    Fixture f;
    const auto before = f.row();
    TForm3 d(f.db, &f.prompt);
    d.show();
    child<QLineEdit>(d, "EditDphz")->setText("dvacet");
    child<QLineEdit>(d, "EditUzivatel")->setText("Jiný");
    click(d, "ButtonUlozit");
    QVERIFY(d.isVisible());
    QCOMPARE(f.prompt.shown.size(), 1);
    QVERIFY2(f.prompt.shown.first().text.contains("Obvyklá"), qPrintable(f.prompt.shown.first().text));
    QVERIFY(f.prompt.shown.first().text.contains("dvacet"));
    QCOMPARE(f.row(), before);

    child<QLineEdit>(d, "EditIdKasa")->setText("K123456789012");
    child<QLineEdit>(d, "EditDphz")->setText("21");
    click(d, "ButtonUlozit");
    QVERIFY(d.isVisible());
    QVERIFY(f.prompt.shown.last().text.contains("ID kasy"));
    QCOMPARE(f.row(), before);
}

void TestSettingsDialogs::appTextsStoredAsUtf8()
{
    Fixture f;
    TForm3 d(f.db, &f.prompt);
    d.show();
    child<QLineEdit>(d, "EditUzivatel")->setText("Šárka Ďurišová");
    child<QLineEdit>(d, "EditUcel")->setText("Příliš žluťoučký kůň");
    click(d, "ButtonUlozit");
    Peek p(f.dir.dbFile());
    QCOMPARE(p.scalar("select cast(uzivatel as blob) from eet_nast").toByteArray(),
             QString("Šárka Ďurišová").toUtf8());
    QCOMPARE(p.scalar("select cast(ucel as blob) from eet_nast").toByteArray(),
             QString("Příliš žluťoučký kůň").toUtf8());
}

void TestSettingsDialogs::eetBoxState_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("checked");
    QTest::newRow("playground") << settings::playgroundUrl << true;
    QTest::newRow("production") << settings::productionUrl << false;
    QTest::newRow("playground with slash") << settings::playgroundUrl + "/" << false;
    QTest::newRow("local test service") << "https://127.0.0.1:8443/eet/services/EETServiceSOAP/v3" << false;
    QTest::newRow("empty") << "" << false;
}

void TestSettingsDialogs::eetBoxState()
{
    QFETCH(QString, url);
    QFETCH(bool, checked);
    Fixture f;
    f.exec("update eet_nast set url = ?, overeni = '1', timeout = 2500, certheslo = 'tajne', certsoubor = ''",
           {url});
    FakeInspector inspector;
    TForm2 d(f.db, f.clock, &f.prompt, &inspector);
    QCOMPARE(d.windowTitle(), QString("Nastavení pro EET"));
    QVERIFY(!(d.windowFlags() & Qt::WindowCloseButtonHint));
    d.show();
    QCOMPARE(child<QCheckBox>(d, "CheckTestovani")->isChecked(), checked);
    QVERIFY(child<QCheckBox>(d, "CheckTestovani")->isEnabled());
    QVERIFY(child<QCheckBox>(d, "CheckOvereni")->isChecked());
    QCOMPARE(child<QLineEdit>(d, "EditTimeout")->text(), QString("2500"));
    QCOMPARE(child<QLineEdit>(d, "EditCertHeslo")->text(), QString("tajne"));
    QCOMPARE(child<QLineEdit>(d, "EditCertHeslo")->echoMode(), QLineEdit::Normal);
    QCOMPARE(child<QPushButton>(d, "ButtonCertSoubor")->text(), QString("..."));
    QVERIFY(f.prompt.shown.isEmpty());
}

void TestSettingsDialogs::eetCheckingSavesPlaygroundWithoutQuestion()
{
    Fixture f;
    f.exec("update eet_nast set url = ?, certsoubor = ''", {settings::productionUrl});
    FakeInspector inspector;
    TForm2 d(f.db, f.clock, &f.prompt, &inspector);
    d.show();
    click(d, "CheckTestovani");
    QVERIFY(child<QCheckBox>(d, "CheckTestovani")->isChecked());
    click(d, "ButtonUlozit");
    QVERIFY(f.prompt.shown.isEmpty());
    QVERIFY(!d.isVisible());
    QCOMPARE(f.stored("url").toString(), settings::playgroundUrl);
}

void TestSettingsDialogs::eetProductionQuestion_data()
{
    QTest::addColumn<bool>("verification");
    QTest::addColumn<QString>("ending");
    QTest::newRow("verification mode") << true << " a ověřovacím režimu!";
    QTest::newRow("live mode") << false << " a ostrém režimu!";
}

void TestSettingsDialogs::eetProductionQuestion()
{
    QFETCH(bool, verification);
    QFETCH(QString, ending);
    Fixture f;
    f.exec("update eet_nast set url = ?, overeni = '0', certsoubor = ''", {settings::playgroundUrl});
    const auto before = f.row();
    FakeInspector inspector;
    TForm2 d(f.db, f.clock, &f.prompt, &inspector);
    d.show();
    click(d, "CheckTestovani"); // off: production
    if (verification)
        click(d, "CheckOvereni");
    child<QLineEdit>(d, "EditTimeout")->setText("4000");

    f.prompt.answers = {2}; // "storno"
    click(d, "ButtonUlozit");
    QCOMPARE(f.prompt.texts(), QStringList{"POZOR - pokračujete v produkčním provozu\r\n" + ending});
    QCOMPARE(f.prompt.shown.first().buttons, (QStringList{"pokračovat", "storno"}));
    QCOMPARE(f.prompt.shown.first().icon, PromptIcon::Information);
    QVERIFY(d.isVisible());
    QCOMPARE(f.row(), before);
    QVERIFY(!child<QCheckBox>(d, "CheckTestovani")->isChecked());
    QCOMPARE(child<QLineEdit>(d, "EditTimeout")->text(), QString("4000"));

    f.prompt.answers = {1}; // "pokračovat"
    click(d, "ButtonUlozit");
    QCOMPARE(f.prompt.shown.size(), 2);
    QVERIFY(!d.isVisible());
    QCOMPARE(f.stored("url").toString(), settings::productionUrl);
    QCOMPARE(f.stored("overeni").toString(), QString(verification ? "1" : "0"));
    QCOMPARE(f.stored("timeout").toInt(), 4000);
}

void TestSettingsDialogs::eetOtherUrlKeptAfterQuestion()
{
    Fixture f;
    const QString other = "https://127.0.0.1:8443/eet/services/EETServiceSOAP/v3";
    f.exec("update eet_nast set url = ?, overeni = '1', certsoubor = ''", {other});
    FakeInspector inspector;
    TForm2 d(f.db, f.clock, &f.prompt, &inspector);
    d.show();
    child<QLineEdit>(d, "EditTimeout")->setText("1500");
    f.prompt.answers = {1};
    click(d, "ButtonUlozit");
    QCOMPARE(f.prompt.texts(), QStringList{settings::productionQuestion(true)});
    QVERIFY(!d.isVisible());
    QCOMPARE(f.stored("url").toString(), other);
    QCOMPARE(f.stored("timeout").toInt(), 1500);
}

void TestSettingsDialogs::eetCertificateFileChosen()
{
    Fixture f;
    f.exec("update eet_nast set url = ?, certsoubor = 'stary.p12', certheslo = 'eet', dic = 'CZ00000019'",
           {settings::playgroundUrl});
    QDir(f.dir.path()).mkdir("certifikáty");
    const QString cert = f.dir.file("certifikáty/muj certifikát.p12");
    {
        QFile c(cert);
        QVERIFY(c.open(QIODevice::WriteOnly));
        c.write("x");
    }
    FakeInspector inspector;
    TForm2 d(f.db, f.clock, &f.prompt, &inspector);
    d.show();

    QString title;
    QString name;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    bool grip = false;
    chooseInFileDialog(cert, &title, &mode, &grip, &name);
    click(d, "ButtonCertSoubor");
    QCOMPARE(name, QString("OpenDialog1"));
    QCOMPARE(title, QString("Certifik.soubor "));
    QCOMPARE(mode, QFileDialog::ExistingFile);
    QVERIFY(grip);
    // Written into the edit at once, folders included ...
    QCOMPARE(child<QLineEdit>(d, "EditCertSoubor")->text(), QFileInfo(cert).absoluteFilePath());
    QCOMPARE(child<QLabel>(d, "LabelCert")->text(), QString("DIČ CZ00000019, platný do 01.05.2027"));
    QVERIFY(f.prompt.shown.isEmpty()); // a fine certificate needs no warning
    // ... but stored only by "uložit".
    QCOMPARE(f.stored("certsoubor").toString(), QString("stary.p12"));
    click(d, "ButtonStorno");
    QCOMPARE(f.stored("certsoubor").toString(), QString("stary.p12"));

    d.show();
    QCOMPARE(child<QLineEdit>(d, "EditCertSoubor")->text(), QString("stary.p12"));
    chooseInFileDialog(cert);
    click(d, "ButtonCertSoubor");
    QCOMPARE(child<QLineEdit>(d, "EditCertSoubor")->text(), QFileInfo(cert).absoluteFilePath());
    click(d, "ButtonUlozit");
    QVERIFY(!d.isVisible());
    QCOMPARE(f.stored("certsoubor").toString(), QFileInfo(cert).absoluteFilePath());
}

void TestSettingsDialogs::eetFileDialogCancelChangesNothing()
{
    Fixture f;
    f.exec("update eet_nast set url = ?, certsoubor = 'stary.p12'", {settings::playgroundUrl});
    FakeInspector inspector;
    TForm2 d(f.db, f.clock, &f.prompt, &inspector);
    d.show();
    chooseInFileDialog(QString());
    click(d, "ButtonCertSoubor");
    QCOMPARE(child<QLineEdit>(d, "EditCertSoubor")->text(), QString("stary.p12"));
    click(d, "ButtonUlozit");
    QCOMPARE(f.stored("certsoubor").toString(), QString("stary.p12"));
}

void TestSettingsDialogs::eetCertificateWarningsDoNotRefuse()
{
    Fixture f;
    f.exec("update eet_nast set url = ?, certsoubor = '/cert.p12', certheslo = 'eet', dic = 'CZ1212121218'",
           {settings::playgroundUrl});
    FakeInspector inspector;
    TForm2 d(f.db, f.clock, &f.prompt, &inspector);
    d.show();
    QVERIFY(inspector.calls.contains("/cert.p12|eet"));
    child<QLineEdit>(d, "EditCertHeslo")->setText("spatne");
    click(d, "ButtonUlozit");
    // Warned, not refused: the password is stored as entered.
    QCOMPARE(f.prompt.shown.size(), 1);
    QCOMPARE(f.prompt.shown.first().icon, PromptIcon::Warning);
    QVERIFY(f.prompt.shown.first().text.startsWith("Certifikát nelze otevřít: Chybné heslo"));
    QVERIFY(!d.isVisible());
    QCOMPARE(f.stored("certheslo").toString(), QString("spatne"));

    // The DIČ of the application settings differs from the certificate's.
    f.prompt.shown.clear();
    d.show();
    child<QLineEdit>(d, "EditCertHeslo")->setText("eet");
    click(d, "ButtonUlozit");
    QCOMPARE(f.prompt.texts(),
             QStringList{"DIČ certifikátu (CZ00000019) se liší od DIČ v nastavení aplikace (CZ1212121218)."});
    QCOMPARE(f.stored("certheslo").toString(), QString("eet"));
}

void TestSettingsDialogs::eetPlaygroundCertificateSummary()
{
#ifndef VORNIX_HAS_EETCLIENT
    QSKIP("built without the EET client component (VORNIX_EETCLIENT=OFF)");
#endif
    const QString folder = qEnvironmentVariable("VORNIX_SHARED_EET") + "/playground";
    if (qEnvironmentVariable("VORNIX_SHARED_EET").isEmpty() || !QDir(folder).exists())
        QSKIP("the shared EET test material (VORNIX_SHARED_EET/playground) is not present");
    Fixture f;
    const QString cert = folder + "/EET_CA1_Playground-CZ683555118.p12";
    f.exec("update eet_nast set url = ?, certsoubor = ?, certheslo = 'eet', dic = 'CZ683555118'",
           {settings::playgroundUrl, cert});
    TForm2 d(f.db, f.clock, &f.prompt); // the component's own inspection
    d.show();
    const QString summary = child<QLabel>(d, "LabelCert")->text();
    QVERIFY2(summary.startsWith("DIČ CZ683555118, platný do ") && summary.endsWith("(platnost skončila)"),
             qPrintable(summary));
    click(d, "ButtonUlozit");
    QCOMPARE(f.prompt.shown.size(), 1);
    QVERIFY(f.prompt.shown.first().text.startsWith("Platnost certifikátu skončila"));
    QVERIFY(!d.isVisible());
}

void TestSettingsDialogs::eetRefusedTimeout()
{
    Fixture f;
    f.exec("update eet_nast set url = ?, certsoubor = ''", {settings::playgroundUrl});
    const auto before = f.row();
    FakeInspector inspector;
    TForm2 d(f.db, f.clock, &f.prompt, &inspector);
    d.show();
    child<QLineEdit>(d, "EditTimeout")->setText("3 s");
    child<QLineEdit>(d, "EditCertHeslo")->setText("nove");
    click(d, "ButtonUlozit");
    QCOMPARE(f.prompt.shown.size(), 1);
    QVERIFY(f.prompt.shown.first().text.contains("Timeout"));
    QVERIFY(d.isVisible());
    QCOMPARE(f.row(), before);
    // An empty time-out is stored as entered (NULL).
    child<QLineEdit>(d, "EditTimeout")->setText("");
    click(d, "ButtonUlozit");
    QVERIFY(!d.isVisible());
    QVERIFY(f.stored("timeout").isNull());
    QCOMPARE(f.stored("certheslo").toString(), QString("nove"));
}

void TestSettingsDialogs::eetHotKeyLocksTestMode()
{
    Fixture f;
    FakeInspector inspector;
    TForm2 d(f.db, f.clock, &f.prompt, &inspector);
    d.show();
    auto* box = child<QCheckBox>(d, "CheckTestovani");
    QVERIFY(box->isEnabled());
    d.toggleTestModeLock();
    QVERIFY(!box->isEnabled());
    click(d, "ButtonStorno");
    // The lock lasts across openings.
    d.show();
    QVERIFY(!box->isEnabled());
    d.toggleTestModeLock();
    QVERIFY(box->isEnabled());
}

void TestSettingsDialogs::mainWindowAppliesAfterAppSettings_data()
{
    QTest::addColumn<bool>("save");
    QTest::newRow("uložit") << true;
    QTest::newRow("storno") << false;
}

void TestSettingsDialogs::mainWindowAppliesAfterAppSettings()
{
    QFETCH(bool, save);
    TempProgramFolder dir;
    makeBaselineDatabase(dir.dbFile());
    {
        Peek p(dir.dbFile());
        p.exec("alter table eet_nast add column platce_dph VARCHAR(1)");
        p.exec("update eet_nast set platce_dph = 'A'");
    }
    FixedClock clock(QDateTime(QDate(2026, 3, 2), QTime(10, 0)));
    ScriptedPrompt prompt;
    TForm1 w({}, clock, &prompt);
    QVERIFY(w.runShowSteps());
    auto* vat = w.findChild<QComboBox*>("suiComboBox1");
    QCOMPARE(vat->count(), 4);
    QCOMPARE(vat->currentIndex(), 0);

    // The row changes after start-up: an empty third rate, another usual rate and register.
    {
        Peek p(dir.dbFile());
        p.exec("update eet_nast set dph3 = NULL, dphz = 15, idkasa = 'K5'");
    }
    whenShown<TForm3>([&](TForm3* d) {
        child<QCheckBox>(*d, "CheckRozpis")->click();
        child<QPushButton>(*d, save ? "ButtonUlozit" : "ButtonStorno")->click();
    });
    w.findChild<QAction*>("NastaveniAplikace")->trigger();
    QVERIFY(!w.findChild<TForm3*>("TForm3")->isVisible());

    // Re-applied after either close: four items, an empty one kept, the usual rate selected.
    QCOMPARE(vat->count(), 4);
    QCOMPARE(vat->itemText(0), QString("21"));
    QCOMPARE(vat->itemText(1), QString("15"));
    QCOMPARE(vat->itemText(2), QString(""));
    QCOMPARE(vat->itemText(3), QString("0"));
    QCOMPARE(vat->currentIndex(), 1);
    QCOMPARE(vat->currentText(), QString("15"));
    QVERIFY(vat->isVisibleTo(&w));
    QCOMPARE(w.till().session.nast_dphz, QString("15"));
    QCOMPARE(w.findChild<QLineEdit*>("suiEdit1")->text(), QString("K5"));
    QCOMPARE(w.till().session.nast_rozpis, QString(save ? "A" : "N"));
    QCOMPARE(w.findChild<QPushButton*>("suiButton7")->isVisibleTo(&w), save);
    QCOMPARE(w.findChild<QLineEdit*>("suiDBEdit3")->isEnabled(), !save);
}

void TestSettingsDialogs::mainWindowHotKeyWhileEetSettingsShown()
{
    TempProgramFolder dir;
    makeBaselineDatabase(dir.dbFile());
    FixedClock clock(QDateTime(QDate(2026, 3, 2), QTime(10, 0)));
    ScriptedPrompt prompt;
    TForm1 w({}, clock, &prompt);
    QVERIFY(w.runShowSteps());
    auto* form2 = w.findChild<TForm2*>("TForm2");
    QVERIFY(form2);
    QVERIFY(w.findChild<TForm3*>("TForm3"));
    // Created in the order TForm2, TForm3.
    QVERIFY(w.children().indexOf(form2) < w.children().indexOf(w.findChild<TForm3*>("TForm3")));

    bool lockedWhileShown = false;
    whenShown<TForm2>([&](TForm2* d) {
        QTest::keyClick(d, Qt::Key_F10, Qt::ControlModifier | Qt::ShiftModifier);
        lockedWhileShown = !child<QCheckBox>(*d, "CheckTestovani")->isEnabled();
        child<QPushButton>(*d, "ButtonStorno")->click();
    });
    w.findChild<QAction*>("NastaveniEet")->trigger();
    QVERIFY(lockedWhileShown);
    QVERIFY(!w.till().session.rezim_navrhu); // the design mode did not change
    QVERIFY(!child<QCheckBox>(*form2, "CheckTestovani")->isEnabled());

    // Without the dialog on screen the hot key toggles the design mode as before.
    w.toggleDesignMode();
    QVERIFY(w.till().session.rezim_navrhu);
    QVERIFY(!child<QCheckBox>(*form2, "CheckTestovani")->isEnabled());
    QVERIFY(prompt.shown.isEmpty());
}

QTEST_MAIN(TestSettingsDialogs)
#include "tst_settingsdialogs.moc"
