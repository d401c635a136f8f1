#include "print/ui/designer.h"

#include "print/report.h"
#include "print/ui/reportpreview.h"

#include <QDir>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

DesignerDialog::DesignerDialog(Report& report, QWidget* parent) : QDialog(parent), m_report(report)
{
    setObjectName(QStringLiteral("frxDesigner"));
    setWindowTitle(QStringLiteral("Návrh sestavy – %1").arg(QDir::toNativeSeparators(report.fileName())));
    setModal(true);
    resize(1200, 800);

    m_editor = new QPlainTextEdit(this);
    m_editor->setObjectName(QStringLiteral("SourceEdit"));
    m_editor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_editor->setPlainText(report.source());
    m_preview = new ReportPreview(this);
    m_preview->setObjectName(QStringLiteral("DesignPreview"));
    m_preview->setZoom(report.page().roll ? 1.0 : 0.6);
    m_warnings = new QLabel(this);
    m_warnings->setObjectName(QStringLiteral("WarningsL"));
    m_warnings->setWordWrap(true);
    m_warnings->setStyleSheet(QStringLiteral("color: #b00020;"));

    auto* split = new QSplitter(this);
    split->addWidget(m_editor);
    split->addWidget(m_preview);
    split->setSizes({650, 550});

    auto* saveButton = new QPushButton(QStringLiteral("Uložit"), this);
    saveButton->setObjectName(QStringLiteral("SaveB"));
    auto* closeButton = new QPushButton(QStringLiteral("Zavřít"), this);
    closeButton->setObjectName(QStringLiteral("CloseB"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_warnings, 1);
    buttons->addWidget(saveButton);
    buttons->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);

    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    m_timer->setInterval(400);
    connect(m_timer, &QTimer::timeout, this, &DesignerDialog::refresh);
    connect(m_editor, &QPlainTextEdit::textChanged, m_timer, qOverload<>(&QTimer::start));
    connect(saveButton, &QPushButton::clicked, this, [this] {
        if (!save())
            QMessageBox::warning(this, QStringLiteral("Vornix"),
                                 QStringLiteral("Šablonu „%1“ nelze uložit.")
                                     .arg(QDir::toNativeSeparators(m_report.fileName())));
    });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    refresh();
}

void DesignerDialog::refresh()
{
    // The program's changes to named objects are kept across edits of the source.
    QMap<QString, ReportObject> kept;
    for (const QString& name : {QStringLiteral("Memo14"), QStringLiteral("Line1")})
        if (ReportObject* o = m_report.findObject(name))
            kept.insert(name, *o);
    m_report.loadFromText(m_editor->toPlainText());
    for (auto it = kept.cbegin(); it != kept.cend(); ++it)
        if (ReportObject* o = m_report.findObject(it.key())) {
            o->text = it.value().text;
            o->visible = it.value().visible;
        }
    m_report.prepare();
    m_preview->setPages(m_report.pages());
    QStringList w = m_report.warnings();
    w.removeDuplicates();
    m_warnings->setText(w.join(QStringLiteral("; ")));
}

bool DesignerDialog::save()
{
    if (m_report.fileName().isEmpty())
        return false;
    QSaveFile f(m_report.fileName());
    const QByteArray bytes = m_editor->toPlainText().toUtf8();
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit();
}
