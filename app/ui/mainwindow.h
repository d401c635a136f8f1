#pragma once

#include "app/ui/messagebox.h"
#include "core/busyindicator.h"
#include "core/clock.h"
#include "core/receiptlist.h"
#include "core/till.h"

#include <QMainWindow>
#include <QSqlDatabase>

class QAction;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class QTimer;
class QFrame;
class ReceiptPrinting;
class TForm2;
class TForm3;
class TForm4;
class GlobalHotKeys;
class TStartDialogTarvel;

// The main window: receipt list, receipt panel, preview pane and the commands behind them.
class TForm1 : public QMainWindow
{
    Q_OBJECT
  public:
    TForm1(const QStringList& arguments, const Clock& clock, Prompt* prompt = nullptr,
           QWidget* parent = nullptr);
    ~TForm1() override;

    Till& till() { return *m_till; }
    // The receipt report and its preview pane; "náhled" previews with printing()->print(1).
    ReceiptPrinting* printing() const { return m_printing; }
    ReceiptListModel& list() { return *m_list; }
    bool started() const { return m_started; }
    // The splash while it is up (null in silent mode and after the start-up update check).
    TStartDialogTarvel* splash() const { return m_splash; }
    // Moves the system-wide hot keys to another service (tests hand in a fake one).
    void useHotKeys(GlobalHotKeys* keys);
    // The update command ("Kontrola nové verze" with false, the start-up timer with true);
    // returns true when an accepted update closed the program.
    bool aktualizaceprogr(bool startMode);

    // The show steps; normally run by the first showing (or at once in silent mode).
    // Returns false after a failure that ends the program (the message was shown).
    bool runShowSteps();

    // Pushes the panel state and the current receipt into the controls.
    void syncPanel();

  public slots:
    void novaUctenka();
    void applyDateRange();
    void exitProgram();
    void openHelp();
    void toggleDesignMode();
    void showDigits();
    void openAppSettings();
    void openEetSettings();

  signals:
    void startupFinished();

  protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    void buildUi();
    void buildMenus();
    void applySkin();
    void openList(bool moveLast);
    void startupTimerFired();
    void dropFileTimerFired();
    void amountEdited();
    void breakdownClicked();
    void stornoClicked();
    void zrusitClicked();
    void nahledClicked();
    void eetClicked();
    void showEetFile(bool error);
    bool closeTimeCheck();
    BusyIndicator& busyForm();
    void loadFromGrid(int row);
    void wirePrinting();
    void opakovatTisk();
    void searchReceipt();
    void prepareGridMenu();
    int currentListRow() const;
    bool runCommand(const std::function<void()>& command);

    const Clock& m_clock;
    QSqlDatabase m_db;
    std::unique_ptr<Prompt> m_ownPrompt;
    Prompt* m_prompt;
    std::unique_ptr<Till> m_till;
    ReceiptListModel* m_list = nullptr;
    bool m_started = false;
    bool m_syncing = false;

    QDateEdit* m_rangeFrom = nullptr;
    QDateEdit* m_rangeTo = nullptr;
    QLineEdit* m_register = nullptr;
    QTableView* m_grid = nullptr;
    QLineEdit* m_purpose = nullptr;
    QLineEdit* m_payer = nullptr;
    QLineEdit* m_amount = nullptr;
    QDateEdit* m_od = nullptr;
    QDateEdit* m_do = nullptr;
    QLabel* m_odLabel = nullptr;
    QLabel* m_doLabel = nullptr;
    QPushButton* m_breakdown = nullptr;
    QLabel* m_vatLabel = nullptr;
    QComboBox* m_vat = nullptr;
    QLabel* m_number = nullptr;
    QPushButton* m_new = nullptr;
    QFrame* m_preview = nullptr; // the report preview pane "frxPreview1"
    ReceiptPrinting* m_printing = nullptr;
    QPushButton* m_nahled = nullptr;
    QPushButton* m_tisk = nullptr;
    QPushButton* m_eet = nullptr;
    class Tpracuji* m_pracuji = nullptr; // the busy form, made when first needed
    QTimer* m_startupTimer = nullptr;
    QTimer* m_dropTimer = nullptr;
    QMenu* m_gridMenu = nullptr;
    TForm2* m_form2 = nullptr; // EET settings, created once and reused
    TForm3* m_form3 = nullptr; // application settings, created once and reused
    TForm4* m_form4 = nullptr; // breakdown "Rozpis položek", created once and reused
    TStartDialogTarvel* m_splash = nullptr;
    std::unique_ptr<GlobalHotKeys> m_systemKeys;
    QList<QObject*> m_hotKeys; // the registrations of Ctrl+Shift+F10 and Ctrl+Alt+E
    bool m_updating = false;
};
