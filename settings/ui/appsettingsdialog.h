#pragma once

#include "core/prompt.h"
#include "settings/settingsedit.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// "Nastavení pro aplikaci": the trader's data and the options of receipt entry and
// printing, edited in the settings row. Created once and reused; each showing reads the
// row afresh and every close without "uložit" drops what was typed.
//
// Object names: edits EditUzivatel, EditUcel, EditDic, EditIdProvoz, EditIdKasa, EditDph1..3,
// EditDphz; check boxes CheckRozpis, CheckOdDo, CheckPlatceDph, CheckJednRezim,
// CheckUctenkova; labels LabelSazby, LabelObvykla, LabelPocetTisku; spin edit
// SpinPocetTisku; buttons ButtonUlozit "uložit", ButtonStorno "storno".
class TForm3 : public QDialog
{
    Q_OBJECT
  public:
    // prompt: the dialog's message box; when null the dialog makes its own.
    TForm3(QSqlDatabase& db, Prompt* prompt = nullptr, QWidget* parent = nullptr);
    ~TForm3() override;

  public slots:
    void save();
    void reject() override;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    void load();
    void applyCopiesRule();
    void applyVatGroupRule();
    QLineEdit* bindEdit(const QString& name, const QString& column);
    QCheckBox* bindFlag(const QString& name, const QString& caption, const QString& column);

    SettingsEdit m_edit;
    std::unique_ptr<Prompt> m_ownPrompt;
    Prompt* m_prompt;
    bool m_loading = false;

    QList<QPair<QLineEdit*, QString>> m_edits;
    QList<QPair<QCheckBox*, QString>> m_flags;
    QCheckBox* m_platce = nullptr;
    QCheckBox* m_jedn = nullptr;
    QCheckBox* m_uctenkova = nullptr;
    QLabel* m_ratesLabel = nullptr;
    QLabel* m_usualLabel = nullptr;
    QLabel* m_copiesLabel = nullptr;
    QLineEdit* m_rates[4] = {};
    QSpinBox* m_copies = nullptr;
};
