#pragma once

#include "core/clock.h"
#include "core/prompt.h"
#include "settings/certificatecheck.h"
#include "settings/settingsedit.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QFileDialog;
class QLabel;
class QLineEdit;

// "Nastavení pro EET": endpoint, time-out, certificate and verification mode in the
// settings row. Created once and reused; each showing reads the row afresh and every close
// without "uložit" drops what was typed. The application hot key toggles whether
// "Režim testování" can be changed, for the rest of the run.
//
// Object names: check boxes CheckTestovani "Režim testování", CheckOvereni "Režim ověření";
// edits EditTimeout, EditCertHeslo, EditCertSoubor; button ButtonCertSoubor "..." and its file
// dialog OpenDialog1; certificate summary LabelCert; buttons ButtonUlozit "uložit",
// ButtonStorno "storno".
class TForm2 : public QDialog
{
    Q_OBJECT
  public:
    // prompt: the dialog's message box (made here when null); inspector: what tells the
    // certificate's DIČ and validity (the EET client component's when null).
    TForm2(QSqlDatabase& db, const Clock& clock, Prompt* prompt = nullptr,
           CertificateInspector* inspector = nullptr, QWidget* parent = nullptr);
    ~TForm2() override;

    // The application hot key while this dialog is on screen.
    void toggleTestModeLock();

  public slots:
    void chooseCertificate();
    void save();
    void reject() override;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    void load();
    // Updates the summary line; returns the warnings for the current file and password.
    QStringList inspectCertificate();

    SettingsEdit m_edit;
    const Clock& m_clock;
    std::unique_ptr<Prompt> m_ownPrompt;
    Prompt* m_prompt;
    std::unique_ptr<CertificateInspector> m_ownInspector;
    CertificateInspector* m_inspector;
    bool m_loading = false;

    QCheckBox* m_testMode = nullptr;
    QCheckBox* m_verification = nullptr;
    QLineEdit* m_timeout = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_file = nullptr;
    QLabel* m_certSummary = nullptr;
};
