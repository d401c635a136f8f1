#include "settings/ui/appsettingsdialog.h"
#include "settings/ui/dialogload.h"

#include "app/ui/messagebox.h"
#include "core/error.h"
#include "settings/appsettings.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cstdio>

TForm3::TForm3(QSqlDatabase& db, Prompt* prompt, QWidget* parent) : QDialog(parent), m_edit(db)
{
    setObjectName(QStringLiteral("TForm3"));
    setWindowTitle(QStringLiteral("Nastavení pro aplikaci"));
    setModal(true);
    if (prompt) {
        m_prompt = prompt;
    } else {
        m_ownPrompt = std::make_unique<MessageBoxPrompt>(this);
        m_prompt = m_ownPrompt.get();
    }

    auto* grid = new QGridLayout;
    int row = 0;
    int labels = 0;
    auto addRow = [&](const QString& caption, QWidget* field, QLabel** labelOut = nullptr) {
        auto* l = new QLabel(caption, this);
        l->setObjectName(QStringLiteral("LabelNastaveni%1").arg(++labels));
        grid->addWidget(l, row, 0);
        grid->addWidget(field, row, 1);
        ++row;
        if (labelOut)
            *labelOut = l;
    };

    addRow(QStringLiteral("Označení uživatele"),
           bindEdit(QStringLiteral("EditUzivatel"), QStringLiteral("uzivatel")));
    addRow(QStringLiteral("Obvyklý účel platby"),
           bindEdit(QStringLiteral("EditUcel"), QStringLiteral("ucel")));
    addRow(QStringLiteral("DIČ"), bindEdit(QStringLiteral("EditDic"), QStringLiteral("dic")));
    addRow(QStringLiteral("ID provozovny"),
           bindEdit(QStringLiteral("EditIdProvoz"), QStringLiteral("idprovoz")));
    addRow(QStringLiteral("ID kasy"), bindEdit(QStringLiteral("EditIdKasa"), QStringLiteral("idkasa")));

    // Check boxes carry their own captions; the label column stays empty for them.
    auto addFlag = [&](QCheckBox* box) {
        grid->addWidget(box, row, 1);
        ++row;
    };
    addFlag(bindFlag(QStringLiteral("CheckRozpis"), QStringLiteral("Položkový rozpis"),
                     QStringLiteral("rozpis")));
    addFlag(
        bindFlag(QStringLiteral("CheckOdDo"), QStringLiteral("Ubytování od do"), QStringLiteral("od_do")));
    m_platce = bindFlag(QStringLiteral("CheckPlatceDph"), QStringLiteral("Plátce DPH"),
                        QStringLiteral("platce_dph"));
    addFlag(m_platce);

    auto* rates = new QWidget(this);
    auto* ratesRow = new QHBoxLayout(rates);
    ratesRow->setContentsMargins(0, 0, 0, 0);
    const QString rateColumns[3] = {QStringLiteral("dph1"), QStringLiteral("dph2"), QStringLiteral("dph3")};
    for (int i = 0; i < 3; ++i) {
        m_rates[i] = bindEdit(QStringLiteral("EditDph%1").arg(1 + i), rateColumns[i]);
        m_rates[i]->setFixedWidth(40);
        ratesRow->addWidget(m_rates[i]);
    }
    ratesRow->addStretch();
    addRow(QStringLiteral("Sazby DPH"), rates, &m_ratesLabel);
    m_ratesLabel->setObjectName(QStringLiteral("LabelSazby"));
    m_rates[3] = bindEdit(QStringLiteral("EditDphz"), QStringLiteral("dphz"));
    m_rates[3]->setFixedWidth(40);
    auto* usual = new QWidget(this);
    auto* usualRow = new QHBoxLayout(usual);
    usualRow->setContentsMargins(0, 0, 0, 0);
    usualRow->addWidget(m_rates[3]);
    usualRow->addStretch();
    addRow(QStringLiteral("Obvyklá"), usual, &m_usualLabel);
    m_usualLabel->setObjectName(QStringLiteral("LabelObvykla"));

    m_jedn = bindFlag(QStringLiteral("CheckJednRezim"), QStringLiteral("Zjednodušený režim"),
                      QStringLiteral("jedn_rezim"));
    addFlag(m_jedn);
    m_uctenkova = bindFlag(QStringLiteral("CheckUctenkova"), QStringLiteral("Účtenková tiskárna"),
                           QStringLiteral("uctenkova"));
    addFlag(m_uctenkova);

    m_copies = new QSpinBox(this);
    m_copies->setObjectName(QStringLiteral("SpinPocetTisku"));
    m_copies->setRange(1, 2);
    m_copies->setFixedWidth(50);
    addRow(QStringLiteral("Počet výtisků účtenky"), m_copies, &m_copiesLabel);
    m_copiesLabel->setObjectName(QStringLiteral("LabelPocetTisku"));

    connect(m_platce, &QCheckBox::clicked, this, [this] { applyVatGroupRule(); });
    connect(m_uctenkova, &QCheckBox::clicked, this, [this] { applyCopiesRule(); });
    connect(m_jedn, &QCheckBox::clicked, this, [this] { applyCopiesRule(); });

    auto* save = new QPushButton(QStringLiteral("uložit"), this);
    save->setObjectName(QStringLiteral("ButtonUlozit"));
    save->setCursor(Qt::PointingHandCursor);
    save->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("storno"), this);
    cancel->setObjectName(QStringLiteral("ButtonStorno"));
    cancel->setCursor(Qt::PointingHandCursor);
    connect(save, &QPushButton::clicked, this, &TForm3::save);
    connect(cancel, &QPushButton::clicked, this, &TForm3::reject);

    auto* bar = new QHBoxLayout;
    bar->addStretch();
    bar->addWidget(save);
    bar->addWidget(cancel);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(grid);
    outer->addLayout(bar);
    outer->setSizeConstraint(QLayout::SetFixedSize);
}

TForm3::~TForm3() = default;

QLineEdit* TForm3::bindEdit(const QString& name, const QString& column)
{
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    e->setMinimumWidth(260);
    connect(e, &QLineEdit::textChanged, this, [this, column](const QString& t) {
        if (!m_loading)
            m_edit.set(column, t);
    });
    m_edits.append({e, column});
    return e;
}

QCheckBox* TForm3::bindFlag(const QString& name, const QString& caption, const QString& column)
{
    auto* b = new QCheckBox(caption, this);
    b->setObjectName(name);
    connect(b, &QCheckBox::clicked, this,
            [this, column](bool on) { m_edit.set(column, on ? QStringLiteral("A") : QStringLiteral("N")); });
    m_flags.append({b, column});
    return b;
}

void TForm3::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        load();
}

void TForm3::load()
{
    m_loading = true;
    if (!loadSettingsOrClose(*this, m_edit, *m_prompt)) {
        m_loading = false;
        return;
    }
    for (const auto& [edit, column] : m_edits)
        edit->setText(m_edit.text(column));
    for (const auto& [box, column] : m_flags)
        box->setChecked(m_edit.text(column) == QLatin1String("A"));
    qint64 copies = 1;
    settings::parseWhole(m_edit.text(QStringLiteral("pocet_tisku")), &copies);
    m_copies->setValue(static_cast<int>(qBound(qint64(1), copies, qint64(2))));
    m_loading = false;
    applyCopiesRule();
    applyVatGroupRule();
}

void TForm3::applyCopiesRule()
{
    const bool receiptPrinter = m_uctenkova->isChecked();
    m_copiesLabel->setEnabled(!receiptPrinter);
    m_copies->setEnabled(!receiptPrinter);
    if (receiptPrinter)
        m_copies->setValue(1);
}

void TForm3::applyVatGroupRule()
{
    const bool payer = m_platce->isChecked();
    m_ratesLabel->setEnabled(payer);
    m_usualLabel->setEnabled(payer);
    for (QLineEdit* e : m_rates)
        e->setEnabled(payer);
}

void TForm3::save()
{
    try {
        const QString refusal = settings::saveAppSettings(m_edit, m_copies->value());
        if (!refusal.isEmpty()) {
            m_prompt->message(refusal);
            return;
        }
    } catch (const VornixError& err) {
        std::fprintf(stderr, "vornix: %s\n", err.what());
        m_prompt->message(err.text());
        return;
    }
    QDialog::accept();
}

void TForm3::reject()
{
    m_edit.discard();
    QDialog::reject();
}
