#include "settings/ui/eetsettingsdialog.h"
#include "settings/ui/dialogload.h"

#include "app/ui/messagebox.h"
#include "core/error.h"
#include "settings/eetsettings.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <cstdio>

namespace
{

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setCursor(Qt::PointingHandCursor);
    return b;
}

} // namespace

TForm2::TForm2(QSqlDatabase& db, const Clock& clock, Prompt* prompt, CertificateInspector* inspector,
               QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_edit(db), m_clock(clock)
{
    setObjectName(QStringLiteral("TForm2"));
    setWindowTitle(QStringLiteral("Nastavení pro EET"));
    setModal(true);
    if (prompt) {
        m_prompt = prompt;
    } else {
        m_ownPrompt = std::make_unique<MessageBoxPrompt>(this);
        m_prompt = m_ownPrompt.get();
    }
    if (inspector) {
        m_inspector = inspector;
    } else {
        m_ownInspector = makeCertificateInspector();
        m_inspector = m_ownInspector.get();
    }

    m_testMode = new QCheckBox(QStringLiteral("Režim testování"), this);
    m_testMode->setObjectName(QStringLiteral("CheckTestovani"));
    m_timeout = new QLineEdit(this);
    m_timeout->setObjectName(QStringLiteral("EditTimeout"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("EditCertHeslo"));
    m_file = new QLineEdit(this);
    m_file->setObjectName(QStringLiteral("EditCertSoubor"));
    m_file->setMinimumWidth(320);
    auto* browse = makeButton(this, QStringLiteral("ButtonCertSoubor"), QStringLiteral("..."));
    browse->setFixedWidth(30);
    m_certSummary = new QLabel(this);
    m_certSummary->setObjectName(QStringLiteral("LabelCert"));
    m_certSummary->setWordWrap(true);
    m_verification = new QCheckBox(QStringLiteral("Režim ověření"), this);
    m_verification->setObjectName(QStringLiteral("CheckOvereni"));

    auto* grid = new QGridLayout;
    grid->addWidget(m_testMode, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Timeout"), this), 1, 0);
    grid->addWidget(m_timeout, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Cert.heslo"), this), 2, 0);
    grid->addWidget(m_password, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Cert.soubor"), this), 3, 0);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_file);
    fileRow->addWidget(browse);
    grid->addLayout(fileRow, 3, 1);
    grid->addWidget(m_certSummary, 4, 1);
    grid->addWidget(m_verification, 5, 1);

    auto* save = makeButton(this, QStringLiteral("ButtonUlozit"), QStringLiteral("uložit"));
    save->setDefault(true);
    auto* cancel = makeButton(this, QStringLiteral("ButtonStorno"), QStringLiteral("storno"));
    auto* bar = new QHBoxLayout;
    bar->addStretch();
    bar->addWidget(save);
    bar->addWidget(cancel);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(grid);
    outer->addLayout(bar);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_testMode, &QCheckBox::clicked, this, [this](bool on) {
        m_edit.set(QStringLiteral("url"), on ? settings::playgroundUrl : settings::productionUrl);
    });
    connect(m_verification, &QCheckBox::clicked, this, [this](bool on) {
        m_edit.set(QStringLiteral("overeni"), on ? QStringLiteral("1") : QStringLiteral("0"));
    });
    auto bindEdit = [this](QLineEdit* e, const QString& column) {
        connect(e, &QLineEdit::textChanged, this, [this, column](const QString& t) {
            if (!m_loading)
                m_edit.set(column, t);
        });
    };
    bindEdit(m_timeout, QStringLiteral("timeout"));
    bindEdit(m_password, QStringLiteral("certheslo"));
    bindEdit(m_file, QStringLiteral("certsoubor"));
    connect(m_password, &QLineEdit::editingFinished, this, [this] { inspectCertificate(); });
    connect(browse, &QPushButton::clicked, this, &TForm2::chooseCertificate);
    connect(save, &QPushButton::clicked, this, &TForm2::save);
    connect(cancel, &QPushButton::clicked, this, &TForm2::reject);
}

TForm2::~TForm2() = default;

void TForm2::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        load();
}

void TForm2::load()
{
    m_loading = true;
    if (!loadSettingsOrClose(*this, m_edit, *m_prompt)) {
        m_loading = false;
        return;
    }
    // Only the exact playground address shows checked; anything else stays as stored
    // until the box is clicked.
    m_testMode->setChecked(settings::isPlayground(m_edit.text(QStringLiteral("url"))));
    m_verification->setChecked(m_edit.text(QStringLiteral("overeni")) == QLatin1String("1"));
    m_timeout->setText(m_edit.text(QStringLiteral("timeout")));
    m_password->setText(m_edit.text(QStringLiteral("certheslo")));
    m_file->setText(m_edit.text(QStringLiteral("certsoubor")));
    m_loading = false;
    inspectCertificate();
}

void TForm2::toggleTestModeLock()
{
    m_testMode->setEnabled(!m_testMode->isEnabled());
}

QStringList TForm2::inspectCertificate()
{
    const QString path = m_edit.text(QStringLiteral("certsoubor"));
    if (path.trimmed().isEmpty()) {
        m_certSummary->clear();
        return {};
    }
    const CertificateSummary s = m_inspector->inspect(path, m_edit.text(QStringLiteral("certheslo")));
    const QDateTime now = m_clock.now();
    m_certSummary->setText(settings::certificateDescription(s, now));
    return settings::certificateWarnings(s, now, m_edit.text(QStringLiteral("dic")));
}

void TForm2::chooseCertificate()
{
    QFileDialog dialog(this, QStringLiteral("Certifik.soubor "));
    dialog.setObjectName(QStringLiteral("OpenDialog1"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setSizeGripEnabled(true);
    const QFileInfo current(m_file->text());
    if (!m_file->text().isEmpty() && current.absoluteDir().exists())
        dialog.setDirectory(current.absoluteDir());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QFileInfo chosen(dialog.selectedFiles().constFirst());
    if (!chosen.isFile())
        return;
    m_file->setText(chosen.absoluteFilePath());
    const QStringList warnings = inspectCertificate();
    if (!warnings.isEmpty())
        m_prompt->show(warnings.join(QStringLiteral("\n")), PromptIcon::Warning, {QStringLiteral("OK")});
}

void TForm2::save()
{
    try {
        if (!m_edit.exists()) {
            m_prompt->message(
                QStringLiteral("Tabulka eet_nast nemá řádek nastavení, nastavení nelze uložit."));
            return;
        }
        const QString refusal = m_edit.check();
        if (!refusal.isEmpty()) {
            m_prompt->message(refusal);
            return;
        }
        const QStringList warnings = inspectCertificate();
        if (!warnings.isEmpty())
            m_prompt->show(warnings.join(QStringLiteral("\n")), PromptIcon::Warning, {QStringLiteral("OK")});
        if (!m_testMode->isChecked()) {
            const int answer = m_prompt->show(settings::productionQuestion(m_verification->isChecked()),
                                              PromptIcon::Information,
                                              {QStringLiteral("pokračovat"), QStringLiteral("storno")});
            if (answer != 1)
                return;
        }
        m_edit.store();
    } catch (const VornixError& err) {
        std::fprintf(stderr, "vornix: %s\n", err.what());
        m_prompt->message(err.text());
        return;
    }
    QDialog::accept();
}

void TForm2::reject()
{
    m_edit.discard();
    QDialog::reject();
}
