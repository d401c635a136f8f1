#include "app/ui/searchdialog.h"

#include "core/prompt.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

void SearchModel::setEntries(QVector<SearchEntry> entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    m_upper.clear();
    m_visible.clear();
    m_visible.reserve(m_entries.size());
    for (int i = 0; i < m_entries.size(); ++i)
        m_visible.push_back(i);
    endResetModel();
}

void SearchModel::ensureUpper()
{
    if (m_upper.size() == m_entries.size())
        return;
    const QLocale locale;
    m_upper.resize(m_entries.size());
    for (int i = 0; i < m_entries.size(); ++i)
        m_upper[i] = locale.toUpper(m_entries.at(i).text);
}

void SearchModel::filter(const QString& text, bool parts)
{
    beginResetModel();
    m_visible.clear(); // keeps its capacity
    if (text.isEmpty()) {
        for (int i = 0; i < m_entries.size(); ++i)
            m_visible.push_back(i);
    } else {
        ensureUpper();
        const QString needle = QLocale().toUpper(text);
        for (int i = 0; i < m_upper.size(); ++i) {
            const QString& hay = m_upper.at(i);
            if (parts ? hay.contains(needle) : hay.startsWith(needle))
                m_visible.push_back(i);
        }
    }
    endResetModel();
}

int SearchModel::findExact(const QString& text)
{
    ensureUpper();
    const QString needle = QLocale().toUpper(text);
    for (int i = 0; i < m_upper.size(); ++i)
        if (m_upper.at(i) == needle)
            return i;
    return -1;
}

int SearchModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_visible.size());
}

QVariant SearchModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_visible.size())
        return QVariant();
    return m_entries.at(m_visible.at(index.row())).text;
}

SearchDialog::SearchDialog(Prompt& prompt, QWidget* parent) : QDialog(parent), m_prompt(prompt)
{
    setObjectName(QStringLiteral("SearchDialog"));
    setWindowTitle(QStringLiteral("Hledat"));
    setFixedWidth(500);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Co hledat"), this));
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("EditHledat"));
    row->addWidget(m_edit, 1);
    layout->addLayout(row);

    m_list = new QListView(this);
    m_list->setObjectName(QStringLiteral("ListHledat"));
    m_list->setModel(&m_model);
    m_list->setUniformItemSizes(true);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const int rowHeight = m_list->fontMetrics().height() + 4;
    m_list->setFixedHeight(rowHeight * 10 + 2 * m_list->frameWidth());
    layout->addWidget(m_list);

    auto* checks = new QHBoxLayout;
    m_show = new QCheckBox(QStringLiteral("zobrazit výběr"), this);
    m_show->setObjectName(QStringLiteral("CheckVyber"));
    m_show->setChecked(true);
    m_parts = new QCheckBox(QStringLiteral("hledat i části"), this);
    m_parts->setObjectName(QStringLiteral("CheckCasti"));
    m_parts->setChecked(true);
    checks->addWidget(m_show);
    checks->addWidget(m_parts);
    checks->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral("převzít"), this);
    ok->setObjectName(QStringLiteral("ButtonPrevzit"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("storno"), this);
    cancel->setObjectName(QStringLiteral("ButtonStorno"));
    checks->addWidget(ok);
    checks->addWidget(cancel);
    layout->addLayout(checks);

    connect(m_edit, &QLineEdit::textChanged, this, &SearchDialog::refill);
    connect(m_parts, &QCheckBox::toggled, this, &SearchDialog::refill);
    connect(m_show, &QCheckBox::toggled, this, [this](bool on) {
        m_list->setVisible(on);
        m_parts->setVisible(on);
        adjustSize();
    });
    connect(ok, &QPushButton::clicked, this, &SearchDialog::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QListView::doubleClicked, this, &SearchDialog::confirm);
    m_edit->installEventFilter(this);
}

void SearchDialog::setEntries(QVector<SearchEntry> entries)
{
    m_model.setEntries(std::move(entries));
    m_chosen = -1;
    m_edit->clear();
    refill();
}

void SearchDialog::refill()
{
    m_model.filter(m_edit->text(), m_parts->isChecked());
    if (m_model.rowCount() > 0)
        m_list->setCurrentIndex(m_model.index(0));
}

bool SearchDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            QApplication::sendEvent(m_list, event);
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void SearchDialog::confirm()
{
    if (m_show->isChecked()) {
        const QModelIndex current = m_list->currentIndex();
        if (!current.isValid())
            return;
        m_chosen = m_model.entry(current.row()).id;
        accept();
        return;
    }
    const int at = m_model.findExact(m_edit->text());
    if (at < 0) {
        QApplication::beep();
        m_prompt.show(QStringLiteral("Record not found"), PromptIcon::Error, {QStringLiteral("OK")});
        return;
    }
    m_model.filter(QString(), true);
    m_chosen = m_model.entry(at).id;
    accept();
}
