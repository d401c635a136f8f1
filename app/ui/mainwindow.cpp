#include "app/ui/mainwindow.h"

#include "app/ui/pracuji.h"
#include "app/ui/searchdialog.h"
#include "app/ui/vstartdlgtarvel.h"
#include "core/dates.h"
#include "core/digitrun.h"
#include "core/error.h"
#include "core/money.h"
#include "core/paths.h"
#include "db/database.h"
#include "eet/dropfile.h"
#include "eet/registration.h"
#include "platform/focusedtext.h"
#include "platform/hotkeys.h"
#include "platform/opener.h"
#include "print/ui/receiptprinting.h"
#include "print/ui/reportpreview.h"
#include "receipts/completion.h"
#include "receipts/loading.h"
#include "receipts/storno.h"
#include "receipts/ui/breakdowndialog.h"
#include "settings/appsettings.h"
#include "settings/settingsrow.h"
#include "settings/ui/appsettingsdialog.h"
#include "settings/ui/eetsettingsdialog.h"
#include "update/aktualizace.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTableView>
#include <QTimer>

#include <cstdio>

// The resources live in the vornix_ui library; its initialiser is a global function.
static void initSplashResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace
{

QLabel* label(QWidget* parent, const QString& text, const QRect& r)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(r);
    return l;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& text, const QRect& r,
                    bool large = false)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setGeometry(r);
    b->setCursor(Qt::PointingHandCursor);
    if (large)
        b->setProperty("large", true);
    return b;
}

} // namespace

TForm1::TForm1(const QStringList& arguments, const Clock& clock, Prompt* prompt, QWidget* parent)
    : QMainWindow(parent), m_clock(clock)
{
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("Vornix"));
    if (prompt) {
        m_prompt = prompt;
    } else {
        m_ownPrompt = std::make_unique<MessageBoxPrompt>(this);
        m_prompt = m_ownPrompt.get();
    }
    m_db = QSqlDatabase::contains(db::connectionName)
               ? QSqlDatabase::database(db::connectionName, false)
               : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), db::connectionName);
    m_till = std::make_unique<Till>(m_db, *m_prompt, m_clock);
    m_list = new ReceiptListModel(m_db, this);

    applySwitches(m_till->session, arguments);

    buildUi();
    buildMenus();
    wirePrinting();
    // The dialogs are created once, in this order, and reused for the whole run. A prompt
    // handed in (tests) answers their questions too; otherwise each has its own message box.
    m_form2 = new TForm2(m_db, m_clock, prompt, nullptr, this);
    m_form3 = new TForm3(m_db, prompt, this);
    m_form4 = new TForm4(*m_till, *m_prompt, this);
    connect(m_breakdown, &QPushButton::clicked, this, &TForm1::breakdownClicked);
    // A modal dialog blocks the main window's application shortcut, so the EET settings
    // dialog carries the same hot key itself.
    auto* form2Key = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+F10")), m_form2);
    form2Key->setContext(Qt::WindowShortcut);
    connect(form2Key, &QShortcut::activated, this, &TForm1::toggleDesignMode);
    applySkin();
    // Client area 1106 x 564 below the menu bar, fixed border.
    setFixedSize(1106, 564 + menuBar()->sizeHint().height());
    m_number->clear();

    m_startupTimer = new QTimer(this);
    m_startupTimer->setObjectName(QStringLiteral("Timer1"));
    m_startupTimer->setInterval(1000);
    m_startupTimer->setSingleShot(true);
    connect(m_startupTimer, &QTimer::timeout, this, &TForm1::startupTimerFired);

    m_dropTimer = new QTimer(this);
    m_dropTimer->setObjectName(QStringLiteral("Timer2"));
    m_dropTimer->setInterval(200);
    m_dropTimer->setSingleShot(true);
    connect(m_dropTimer, &QTimer::timeout, this, &TForm1::dropFileTimerFired);

    if (!m_till->session.tichy_rezim) {
        // System-wide while the main window exists; a refused key leaves the in-window one.
        m_systemKeys = createSystemHotKeys();
        useHotKeys(m_systemKeys.get());
        initSplashResources();
        m_splash = new TStartDialogTarvel(this);
        m_splash->setHotKeys(m_systemKeys.get());
        m_splash->setBitmap(QPixmap(QStringLiteral(":/vornix/splash.png")));
        m_splash->setProperty("Ramecek", true);
        m_splash->setProperty("Text1", QStringLiteral("Vornix"));
        m_splash->setProperty("Text2", QStringLiteral("evidence a tisk účtenek"));
        m_splash->setProperty("KryciFormBarva", QColor(Qt::blue));
        m_splash->Show();
    }

    if (m_till->session.tichy_rezim)
        QTimer::singleShot(0, this, [this] {
            if (!runShowSteps())
                QCoreApplication::exit(1);
        });
}

TForm1::~TForm1()
{
    m_grid->setModel(nullptr);
    m_till.reset();
    m_db = QSqlDatabase();
}

void TForm1::buildUi()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("central"));
    setCentralWidget(central);

    label(central, QStringLiteral("Přehled od data"), {8, 8, 95, 22});
    m_rangeFrom = new QDateEdit(central);
    m_rangeFrom->setObjectName(QStringLiteral("DateTimePicker1"));
    m_rangeFrom->setCalendarPopup(true);
    m_rangeFrom->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    m_rangeFrom->setGeometry(104, 6, 110, 26);
    label(central, QStringLiteral("do data"), {224, 8, 48, 22});
    m_rangeTo = new QDateEdit(central);
    m_rangeTo->setObjectName(QStringLiteral("DateTimePicker2"));
    m_rangeTo->setCalendarPopup(true);
    m_rangeTo->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    m_rangeTo->setGeometry(272, 6, 110, 26);
    auto* apply = button(central, QStringLiteral("suiButton1"), QStringLiteral("?"), {390, 6, 30, 26});
    connect(apply, &QPushButton::clicked, this, &TForm1::applyDateRange);

    label(central, QStringLiteral("Označení pokladny"), {516, 8, 120, 22});
    m_register = new QLineEdit(central);
    m_register->setObjectName(QStringLiteral("suiEdit1"));
    m_register->setGeometry(640, 6, 108, 26);

    m_grid = new QTableView(central);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    m_grid->setGeometry(8, 40, 740, 300);
    m_grid->setModel(m_list);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setDefaultSectionSize(20);
    for (int i = 0; i < ReceiptListModel::widths().size(); ++i)
        m_grid->setColumnWidth(i, ReceiptListModel::widths().at(i));
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);

    label(central, QStringLiteral("Účel platby"), {8, 352, 90, 24});
    m_purpose = new QLineEdit(central);
    m_purpose->setObjectName(QStringLiteral("suiDBEdit1"));
    m_purpose->setGeometry(100, 350, 420, 28);
    m_number = new QLabel(central);
    m_number->setObjectName(QStringLiteral("Label10"));
    m_number->setGeometry(530, 352, 200, 24);
    m_number->hide();

    label(central, QStringLiteral("Přijato od"), {8, 388, 90, 24});
    m_payer = new QLineEdit(central);
    m_payer->setObjectName(QStringLiteral("suiDBEdit2"));
    m_payer->setGeometry(100, 386, 420, 28);

    m_odLabel = label(central, QStringLiteral("Od data"), {8, 424, 90, 24});
    m_od = new QDateEdit(central);
    m_od->setObjectName(QStringLiteral("JvDBDateEdit1"));
    m_od->setCalendarPopup(true);
    m_od->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    m_od->setGeometry(100, 422, 130, 28);
    m_od->setToolTip(QStringLiteral("Datum od"));
    m_doLabel = label(central, QStringLiteral("Do data"), {250, 424, 60, 24});
    m_do = new QDateEdit(central);
    m_do->setObjectName(QStringLiteral("JvDBDateEdit2"));
    m_do->setCalendarPopup(true);
    m_do->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    m_do->setGeometry(310, 422, 130, 28);
    m_do->setToolTip(QStringLiteral("Datum do"));

    label(central, QStringLiteral("Celk.částka"), {8, 460, 90, 24});
    m_amount = new QLineEdit(central);
    m_amount->setObjectName(QStringLiteral("suiDBEdit3"));
    m_amount->setGeometry(100, 458, 130, 28);
    m_amount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_breakdown = button(central, QStringLiteral("suiButton7"), QStringLiteral("?"), {236, 458, 30, 28});
    m_vatLabel = label(central, QStringLiteral("DPH"), {286, 460, 30, 24});
    m_vatLabel->setObjectName(QStringLiteral("Label9"));
    m_vat = new QComboBox(central);
    m_vat->setObjectName(QStringLiteral("suiComboBox1"));
    m_vat->setEditable(true);
    m_vat->setGeometry(320, 458, 80, 28);

    m_new = button(central, QStringLiteral("suiButton4"), QStringLiteral("nová účtenka"), {8, 506, 180, 46},
                   true);
    connect(m_new, &QPushButton::clicked, this, &TForm1::novaUctenka);

    auto* right = new QFrame(central);
    right->setObjectName(QStringLiteral("suiPanel1"));
    right->setGeometry(756, 0, 350, 564);
    m_preview = new ReportPreview(right);
    m_preview->setObjectName(QStringLiteral("frxPreview1"));
    m_preview->setGeometry(8, 6, 334, 492);
    m_preview->setFocusPolicy(Qt::StrongFocus);
    m_preview->setFrameShape(QFrame::StyledPanel);
    m_nahled = button(right, QStringLiteral("suiButton3"), QStringLiteral("náhled"), {8, 506, 106, 46}, true);
    m_tisk = button(right, QStringLiteral("suiButton5"), QStringLiteral("tisk"), {122, 506, 106, 46}, true);
    m_eet = button(right, QStringLiteral("suiButton6"), QStringLiteral("EET"), {236, 506, 106, 46}, true);
    connect(m_nahled, &QPushButton::clicked, this, &TForm1::nahledClicked);
    connect(m_eet, &QPushButton::clicked, this, &TForm1::eetClicked);
    // Unsent receipts are resent only at close; this button is kept hidden and without action.
    auto* unsent =
        button(right, QStringLiteral("suiButton8"), QStringLiteral("odeslat neúspěšné"), {8, 460, 160, 30});
    unsent->hide();
    unsent->setEnabled(false);
    connect(m_grid, &QTableView::doubleClicked, this,
            [this](const QModelIndex& i) { loadFromGrid(i.row()); });

    connect(m_purpose, &QLineEdit::textEdited, this, [this](const QString& t) {
        if (!m_syncing)
            m_till->current.setValue(QStringLiteral("ucelplatby"), t);
    });
    connect(m_payer, &QLineEdit::textEdited, this, [this](const QString& t) {
        if (!m_syncing)
            m_till->current.setValue(QStringLiteral("jmeno"), t);
    });
    connect(m_amount, &QLineEdit::editingFinished, this, &TForm1::amountEdited);
    connect(m_vat, &QComboBox::currentTextChanged, this, [this](const QString& t) {
        if (!m_syncing) {
            m_till->panel.vatText = t;
            // A rate typed by hand selects no entry, even while the list still marks one.
            const int at = m_vat->currentIndex();
            m_till->panel.vatIndex = at >= 0 && m_vat->itemText(at) == t ? at : -1;
        }
    });
    connect(m_od, &QDateEdit::dateChanged, this, [this](QDate d) {
        if (!m_syncing)
            m_till->panel.od = d;
    });
    connect(m_do, &QDateEdit::dateChanged, this, [this](QDate d) {
        if (!m_syncing)
            m_till->panel.do_ = d;
    });

    // Ctrl+Shift+F10 while the program has the focus; the system-wide registration is made
    // by the hot-key service when the platform offers one.
    auto* designKey = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+F10")), this);
    designKey->setObjectName(QStringLiteral("JvApplicationHotKey1"));
    designKey->setContext(Qt::ApplicationShortcut);
    connect(designKey, &QShortcut::activated, this, &TForm1::toggleDesignMode);
}

void TForm1::buildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("suiMainMenu1"));
    QMenu* hlavni = bar->addMenu(QStringLiteral("Hlavní"));
    hlavni->addAction(QStringLiteral("Seznam vydaných účtenek"))
        ->setObjectName(QStringLiteral("SeznamUctenek"));
    QAction* hledat = hlavni->addAction(QStringLiteral("Vyhledat účtenku"));
    hledat->setObjectName(QStringLiteral("VyhledatUctenku"));
    connect(hledat, &QAction::triggered, this, &TForm1::searchReceipt);
    hlavni->addSeparator();
    QMenu* konec = hlavni->addMenu(QStringLiteral("Ukončit aplikaci"));
    QAction* opravdu1 = konec->addAction(QStringLiteral("Opravdu!"));
    opravdu1->setObjectName(QStringLiteral("Opravdu1"));
    connect(opravdu1, &QAction::triggered, this, &TForm1::exitProgram);

    QMenu* servis = bar->addMenu(QStringLiteral("Servis"));
    QAction* nastaveniAplikace = servis->addAction(QStringLiteral("Nastavení pro aplikaci"));
    nastaveniAplikace->setObjectName(QStringLiteral("NastaveniAplikace"));
    connect(nastaveniAplikace, &QAction::triggered, this, &TForm1::openAppSettings);
    QAction* nastaveniEet = servis->addAction(QStringLiteral("Nastavení pro EET"));
    nastaveniEet->setObjectName(QStringLiteral("NastaveniEet"));
    connect(nastaveniEet, &QAction::triggered, this, &TForm1::openEetSettings);
    QMenu* uctenka = servis->addMenu(QStringLiteral("Nastavení pro účtenku"));
    uctenka->addAction(QStringLiteral("Text záhlaví"))->setObjectName(QStringLiteral("TextZahlavi"));
    uctenka->addAction(QStringLiteral("Text zápatí"))->setObjectName(QStringLiteral("TextZapati"));
    servis->addSeparator();
    servis->addAction(QStringLiteral("Výběr tiskárny účtenek"))
        ->setObjectName(QStringLiteral("TiskarnaUctenek"));
    servis->addAction(QStringLiteral("Výběr tiskárny přehledů"))
        ->setObjectName(QStringLiteral("TiskarnaPrehledu"));
    servis->addSeparator();
    QAction* kontrolaVerze = servis->addAction(QStringLiteral("Kontrola nové verze"));
    kontrolaVerze->setObjectName(QStringLiteral("KontrolaVerze"));
    connect(kontrolaVerze, &QAction::triggered, this, [this] { aktualizaceprogr(false); });

    QMenu* pomoc = bar->addMenu(QStringLiteral("Pomoc"));
    QAction* help = pomoc->addAction(QStringLiteral("Popis aplikace"));
    help->setObjectName(QStringLiteral("PopisAplikace"));
    connect(help, &QAction::triggered, this, &TForm1::openHelp);

    QMenu* konec2 = bar->addMenu(QStringLiteral("Ukončit aplikaci"));
    QAction* opravdu2 = konec2->addAction(QStringLiteral("Opravdu!"));
    opravdu2->setObjectName(QStringLiteral("Opravdu2"));
    connect(opravdu2, &QAction::triggered, this, &TForm1::exitProgram);

    m_gridMenu = new QMenu(this);
    m_gridMenu->setObjectName(QStringLiteral("PopupMenu1"));
    m_gridMenu->addAction(QStringLiteral("Opakovat tisk účtenky"))
        ->setObjectName(QStringLiteral("OpakovatTisk"));
    m_gridMenu->addSeparator();
    QAction* storno = m_gridMenu->addAction(QStringLiteral("Storno k účtence"));
    storno->setObjectName(QStringLiteral("StornoUctenky"));
    connect(storno, &QAction::triggered, this, &TForm1::stornoClicked);
    QAction* zrusit = m_gridMenu->addAction(QStringLiteral("Zrušit účtenku"));
    zrusit->setObjectName(QStringLiteral("ZrusitUctenku"));
    connect(zrusit, &QAction::triggered, this, &TForm1::zrusitClicked);
    m_gridMenu->addSeparator();
    QAction* showXml = m_gridMenu->addAction(QStringLiteral("Zobrazit odeslané XML"));
    showXml->setObjectName(QStringLiteral("ZobrazitXml"));
    connect(showXml, &QAction::triggered, this, [this] { showEetFile(false); });
    QAction* showError = m_gridMenu->addAction(QStringLiteral("Zobrazit obsah chyby"));
    showError->setObjectName(QStringLiteral("ZobrazitChybu"));
    connect(showError, &QAction::triggered, this, [this] { showEetFile(true); });
    connect(m_grid, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        prepareGridMenu();
        m_gridMenu->popup(m_grid->viewport()->mapToGlobal(p));
    });
}

void TForm1::applySkin()
{
    // Light-grey borders on the panel edits, a green list header with white titles, a
    // yellow selected row; large buttons in a lighter face.
    setStyleSheet(QStringLiteral(
        "QWidget { font-family: 'DejaVu Sans', 'Liberation Sans', sans-serif; font-size: 12px; }"
        "QMainWindow, #central { background: #f4f6f4; }"
        "#suiDBEdit1, #suiDBEdit2, #suiDBEdit3, #suiEdit1, #suiComboBox1 {"
        "  border: 1px solid rgb(221,221,221); background: white; padding: 2px 4px; }"
        "#suiDBEdit1:disabled, #suiDBEdit3:disabled, #suiEdit1:disabled, #suiComboBox1:disabled {"
        "  background: #ececec; color: #555; }"
        "QHeaderView::section { background: #2e7d32; color: white; border: 0; border-right: 1px solid "
        "#4caf50;"
        "  padding: 2px; }"
        "QTableView { background: white; gridline-color: #dfe7df; selection-background-color: #ffeb3b;"
        "  selection-color: black; }"
        "#suiPanel1 { background: #e3ebe3; border-left: 1px solid #c5d3c5; }"
        "#frxPreview1 { background: white; }"
        "#Label10 { color: grey; font-size: 17px; }"
        "QPushButton { background: #fafafa; border: 1px solid #b9c9b9; border-radius: 3px; padding: 2px 8px; "
        "}"
        "QPushButton:hover { background: #e8f5e9; }"
        "QPushButton:disabled { color: #9e9e9e; background: #eeeeee; }"
        "QPushButton[large=\"true\"] { font-family: 'DejaVu Sans', sans-serif; font-weight: 300;"
        "  font-size: 16px; }"));
}

bool TForm1::runCommand(const std::function<void()>& command)
{
    try {
        command();
        return true;
    } catch (const VornixError& e) {
        std::fprintf(stderr, "vornix: %s\n", e.what());
        m_prompt->message(e.text());
    }
    syncPanel();
    return false;
}

bool TForm1::runShowSteps()
{
    if (m_started)
        return true;
    m_started = true;
    const bool ok = runCommand([this] {
        m_db = db::open(programFile(QStringLiteral("eetlite.db3")));
        if (!m_till->session.tichy_rezim)
            m_preview->setFocus();
        m_till->showSteps();
        m_syncing = true;
        m_rangeFrom->setDate(m_till->rangeFrom);
        m_rangeTo->setDate(m_till->rangeTo);
        m_syncing = false;
        openList(true);
        syncPanel();
    });
    if (!ok)
        return false;
    if (m_till->session.tichy_rezim) {
        m_dropTimer->start();
    } else {
        if (m_splash)
            m_splash->SetStatusText(QStringLiteral("kontrola nové verze"));
        QCoreApplication::processEvents();
        // Keep the window responsive for a second before the start-up timer starts.
        QTimer::singleShot(1000, this, [this] { m_startupTimer->start(); });
    }
    return true;
}

void TForm1::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (!m_started) {
        if (!runShowSteps())
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(1); });
    }
}

void TForm1::startupTimerFired()
{
    m_startupTimer->stop();
    if (aktualizaceprogr(true))
        return;
    novaUctenka();
    emit startupFinished();
}

void TForm1::dropFileTimerFired()
{
    m_dropTimer->stop();
    DropFileOutcome outcome;
    const bool ok = runCommand([&] { outcome = processDropFile(*m_till, programFolder()); });
    if (!outcome.message.isEmpty())
        std::fprintf(stderr, "vornix: %s\n", qPrintable(outcome.message));
    close();
    QCoreApplication::exit(ok ? outcome.exitCode() : 2);
}

void TForm1::syncPanel()
{
    m_syncing = true;
    const PanelState& p = m_till->panel;
    m_register->setText(p.registerId);
    m_register->setEnabled(p.registerEnabled);
    m_nahled->setEnabled(p.nahledEnabled);
    m_tisk->setEnabled(p.tiskEnabled);
    m_eet->setEnabled(p.eetEnabled);
    m_amount->setEnabled(p.amountEnabled);
    m_breakdown->setVisible(p.breakdownVisible);
    m_od->setEnabled(p.periodEnabled);
    m_do->setEnabled(p.periodEnabled);
    m_odLabel->setEnabled(p.periodEnabled);
    m_doLabel->setEnabled(p.periodEnabled);
    if (p.od.isValid())
        m_od->setDate(p.od);
    if (p.do_.isValid())
        m_do->setDate(p.do_);

    m_vat->clear();
    m_vat->addItems(p.vatItems);
    m_vat->setCurrentIndex(p.vatIndex);
    m_vat->setEditText(p.vatText);
    m_vat->setVisible(p.vatVisible);
    m_vatLabel->setVisible(p.vatVisible);
    m_vat->setEnabled(p.vatEnabled);

    m_number->setText(p.numberLabel);
    m_number->setVisible(p.numberLabelVisible);

    const CurrentReceipt& c = m_till->current;
    m_purpose->setText(c.text(QStringLiteral("ucelplatby")));
    m_payer->setText(c.text(QStringLiteral("jmeno")));
    m_amount->setText(c.isNull(QStringLiteral("celk_trzba")) ? QString()
                                                             : c.text(QStringLiteral("celk_trzba")));
    m_syncing = false;
}

void TForm1::amountEdited()
{
    if (m_syncing || !m_till->current.isOpen())
        return;
    const QString text = m_amount->text();
    if (text == m_till->current.text(QStringLiteral("celk_trzba")))
        return;
    qint64 value = 0;
    if (text.trimmed().isEmpty()) {
        m_till->current.setValue(QStringLiteral("celk_trzba"), QVariant());
        return;
    }
    if (!parseCrowns(text, &value)) {
        m_prompt->message(
            QStringLiteral("'%1' není platné celé číslo (celková částka se zadává v celých korunách).")
                .arg(text));
        m_syncing = true;
        m_amount->setText(m_till->current.text(QStringLiteral("celk_trzba")));
        m_syncing = false;
        return;
    }
    m_till->current.setValue(QStringLiteral("celk_trzba"), value);
}

// "?": the breakdown dialog; after "uložit" the lines' sum becomes the total.
void TForm1::breakdownClicked()
{
    runCommand([this] {
        if (m_form4->exec() != QDialog::Accepted)
            return;
        m_till->totalFromBreakdown();
        syncPanel();
    });
}

// "Storno k účtence" on the list's current row.
void TForm1::stornoClicked()
{
    const int row = currentListRow();
    if (row < 0)
        return;
    const QString id = m_list->field(row, QStringLiteral("id")).toString();
    runCommand([&] {
        if (!stornoUctenky(*m_till, id))
            return;
        openList(true);
        syncPanel();
    });
}

// "Zrušit účtenku" on the list's current row; unless refused, the list ends on its last row.
void TForm1::zrusitClicked()
{
    const int row = currentListRow();
    if (row < 0)
        return;
    const QString id = m_list->field(row, QStringLiteral("id")).toString();
    runCommand([&] {
        if (zrusitUctenku(*m_till, id) == DeleteOutcome::Refused)
            return;
        openList(true);
        syncPanel();
    });
}

void TForm1::novaUctenka()
{
    runCommand([this] {
        amountEdited();
        m_till->novaUctenka();
        syncPanel();
    });
}

int TForm1::currentListRow() const
{
    return m_grid->currentIndex().isValid() ? m_grid->currentIndex().row() : -1;
}

void TForm1::prepareGridMenu()
{
    const QString number = m_list->field(currentListRow(), QStringLiteral("uctenka_cislo")).toString();
    bool enable = false;
    runCommand([&] { enable = currentListRow() >= 0 && hasErrorText(m_db, number); });
    if (QAction* a = m_gridMenu->findChild<QAction*>(QStringLiteral("ZobrazitChybu")))
        a->setEnabled(enable);
}

void TForm1::nahledClicked()
{
    runCommand([this] {
        amountEdited();
        m_till->current.setValue(QStringLiteral("ucelplatby"), m_purpose->text());
        m_till->current.setValue(QStringLiteral("jmeno"), m_payer->text());
        if (nahled(*m_till, m_amount->text(), m_purpose->text()))
            openList(true);
        syncPanel();
    });
}

void TForm1::wirePrinting()
{
    m_printing = new ReceiptPrinting(*m_till, static_cast<ReportPreview*>(m_preview), this);
    m_printing->onNahled = [this] { nahledClicked(); };
    // Completion, registration and the invoice run print through the report engine.
    m_till->tiskuct = [this](int mode) { m_printing->print(mode); };
    connect(m_tisk, &QPushButton::clicked, m_printing, &ReceiptPrinting::tisk);
    auto action = [this](const char* name) { return findChild<QAction*>(QString::fromLatin1(name)); };
    if (QAction* a = action("OpakovatTisk"))
        connect(a, &QAction::triggered, this, &TForm1::opakovatTisk);
    if (QAction* a = action("TextZahlavi"))
        connect(a, &QAction::triggered, m_printing, &ReceiptPrinting::textZahlavi);
    if (QAction* a = action("TextZapati"))
        connect(a, &QAction::triggered, m_printing, &ReceiptPrinting::textZapati);
    if (QAction* a = action("TiskarnaUctenek"))
        connect(a, &QAction::triggered, m_printing, &ReceiptPrinting::tiskarnaUctenek);
    if (QAction* a = action("TiskarnaPrehledu"))
        connect(a, &QAction::triggered, m_printing, &ReceiptPrinting::tiskarnaPrehledu);
}

// "Opakovat tisk účtenky": only a receipt that went to EET; it is loaded and previewed, and
// the operator prints it with "tisk".
void TForm1::opakovatTisk()
{
    const int row = currentListRow();
    if (row < 0)
        return;
    if (m_list->field(row, QStringLiteral("dat_odesl")).isNull()) {
        m_prompt->message(QStringLiteral("Neodeslaná účtenka! Načtěte a opakujte EET!"));
        return;
    }
    m_till->panel.nahledEnabled = false;
    m_till->panel.tiskEnabled = false;
    m_till->panel.eetEnabled = false;
    syncPanel();
    loadFromGrid(row);
    nahledClicked();
    m_till->panel.tiskEnabled = true;
    syncPanel();
}

void TForm1::loadFromGrid(int row)
{
    const QString id = m_list->field(row, QStringLiteral("id")).toString();
    runCommand([&] {
        try {
            loadFromList(*m_till, id);
        } catch (...) {
            syncPanel();
            throw;
        }
        openList(true);
        const int back = m_list->rowOfId(id);
        if (back >= 0)
            m_grid->selectRow(back);
        syncPanel();
    });
}

void TForm1::searchReceipt()
{
    runCommand([this] {
        SearchDialog dialog(*m_prompt, this);
        dialog.setEntries(loadSearchEntries(m_db));
        if (dialog.exec() != QDialog::Accepted)
            return;
        const QString id = QString::number(dialog.chosenId());
        const int at = m_list->rowOfId(id);
        if (at >= 0)
            m_grid->selectRow(at);
        try {
            loadFromSearch(*m_till, id);
        } catch (...) {
            syncPanel();
            throw;
        }
        const int keep = currentListRow();
        openList(false);
        if (keep >= 0 && keep < m_list->rowCount())
            m_grid->selectRow(keep);
        syncPanel();
    });
}

void TForm1::openList(bool moveLast)
{
    m_list->open(m_till->listSql());
    if (moveLast && m_list->rowCount() > 0)
        m_grid->selectRow(m_list->rowCount() - 1);
    else if (m_list->rowCount() > 0)
        m_grid->selectRow(0);
}

void TForm1::applyDateRange()
{
    runCommand([this] {
        m_till->rangeFrom = m_rangeFrom->date();
        m_till->rangeTo = m_rangeTo->date();
        openList(false);
    });
}

void TForm1::exitProgram()
{
    m_db.close();
    close();
}

void TForm1::openHelp()
{
    openWithAssociatedProgram(programFile(QStringLiteral("vornix.pdf")));
}

void TForm1::toggleDesignMode()
{
    // While the EET settings dialog is on screen the hot key locks or unlocks its
    // "Režim testování" box instead.
    if (m_form2 && m_form2->isVisible()) {
        m_form2->toggleTestModeLock();
        return;
    }
    m_till->session.rezim_navrhu = !m_till->session.rezim_navrhu;
}

void TForm1::openAppSettings()
{
    m_form3->exec();
    // Saved or not, the main window takes the settings row as it now is.
    runCommand([this] {
        settings::applySettingsAfterDialog(*m_till, readSettings(m_db));
        syncPanel();
    });
}

void TForm1::openEetSettings()
{
    m_form2->exec();
}

void TForm1::eetClicked()
{
    runCommand([this] {
        amountEdited();
        try {
            eetButton(*m_till);
        } catch (...) {
            syncPanel();
            throw;
        }
        const QString id = m_till->session.aktualni_id;
        openList(true);
        const int at = m_list->rowOfId(id);
        if (at >= 0)
            m_grid->selectRow(at);
        syncPanel();
    });
}

void TForm1::showEetFile(bool error)
{
    const int row = currentListRow();
    if (row < 0)
        return;
    const QVariant sent = m_list->field(row, QStringLiteral("dat_odesl"));
    const QString number = m_list->field(row, QStringLiteral("uctenka_cislo")).toString();
    runCommand([&] {
        const QString file = error ? writeErrorFile(m_db, *m_prompt, programFolder(), sent, number)
                                   : writeXmlFile(m_db, *m_prompt, programFolder(), sent, number);
        if (!file.isEmpty())
            openWithAssociatedProgram(file);
    });
}

BusyIndicator& TForm1::busyForm()
{
    if (!m_pracuji)
        m_pracuji = new Tpracuji(this);
    return m_pracuji->indicator();
}

bool TForm1::closeTimeCheck()
{
    bool resend = false;
    runCommand([&] {
        if (!db::scalar(m_db, unsentSql()).isValid())
            return;
        resend = m_prompt->question(QStringLiteral("Nalezeny účtenky neuložené na EET. Odeslat?"),
                                    QStringLiteral("odeslat"), QStringLiteral("konec")) == 1;
    });
    if (!resend)
        return true;
    // An error that breaks the resend keeps the main window open; nothing else does.
    return runCommand([&] { resendUnsent(m_db, m_clock, busyForm()); });
}

void TForm1::closeEvent(QCloseEvent* e)
{
    if (m_till->session.tichy_rezim || !m_started) {
        e->accept();
        return;
    }
    // Only an error that breaks the resend keeps the window open.
    if (closeTimeCheck())
        e->accept();
    else
        e->ignore();
}

void TForm1::useHotKeys(GlobalHotKeys* keys)
{
    qDeleteAll(m_hotKeys);
    m_hotKeys.clear();
    auto* design =
        new SystemHotKey(keys, QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_F10), this);
    design->setObjectName(QStringLiteral("TwoDeskHotKey1"));
    connect(design, &SystemHotKey::activated, this, &TForm1::toggleDesignMode);
    auto* digits =
        new SystemHotKey(keys, QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_E), this);
    digits->setObjectName(QStringLiteral("TwoDeskHotKey2"));
    connect(digits, &SystemHotKey::activated, this, &TForm1::showDigits);
    m_hotKeys << design << digits;
}

void TForm1::showDigits()
{
    // The digits around the caret (or the first digits of the selection) of the focused text
    // control of the foreground program, in a plain warning dialog.
    FocusedText focused;
    QString error;
    QString digits;
    if (createFocusedTextReader()->read(&focused, &error))
        digits = collectDigits(focused.text, focused.selStart, focused.selEnd);
    else
        std::fprintf(stderr, "vornix: %s\n", qPrintable(error));
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), digits, QMessageBox::Ok);
    box.setObjectName(QStringLiteral("DigitsDialog"));
    box.exec();
}

bool TForm1::aktualizaceprogr(bool startMode)
{
    // One check at a time: the exchange lets window messages run while it waits.
    if (m_updating)
        return false;
    m_updating = true;
    bool closing = false;
    UpdateHooks hooks;
    hooks.prompt = m_prompt;
    hooks.busy = &busyForm();
    hooks.clock = &m_clock;
    hooks.processEvents = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
    hooks.closeSplash = [this] {
        if (m_splash) {
            m_splash->Close();
            delete m_splash;
            m_splash = nullptr;
        }
    };
    hooks.closeProgram = [this, &closing] {
        closing = true;
        QCoreApplication::processEvents();
        close();
    };
    try {
        Aktualizaceprogr(startMode, hooks);
    } catch (const std::exception& e) {
        hooks.closeSplash();
        m_prompt->show(QString::fromUtf8(e.what()), PromptIcon::Error, {QStringLiteral("OK")});
    }
    m_updating = false;
    return closing;
}
