#include "receipts/ui/breakdowndialog.h"

#include "app/ui/searchdialog.h"
#include "core/error.h"
#include "core/prompt.h"
#include "core/till.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{

const int columnWidths[Breakdown::ColumnCount] = {256, 70, 70};
const char* const columnTitles[Breakdown::ColumnCount] = {"polozka", "cena", "ks"};
const int rowHeight = 20;
const int visibleRows = 16;

} // namespace

BreakdownModel::BreakdownModel(Breakdown& data, Prompt& prompt, QObject* parent)
    : QAbstractTableModel(parent), m_data(data), m_prompt(prompt)
{
}

int BreakdownModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_data.count();
}

int BreakdownModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Breakdown::ColumnCount;
}

QVariant BreakdownModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_data.count())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return m_data.displayText(index.row(), index.column());
    case Qt::EditRole:
        return m_data.editText(index.row(), index.column());
    case Qt::TextAlignmentRole:
        if (index.column() != Breakdown::Polozka)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

bool BreakdownModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || m_data.readOnly())
        return false;
    const QString text = value.toString();
    if (!m_data.setText(index.row(), index.column(), text)) {
        m_prompt.message(QStringLiteral("'%1' není platné číslo.").arg(text));
        return false;
    }
    emit dataChanged(index, index);
    return true;
}

QVariant BreakdownModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= Breakdown::ColumnCount)
            return QVariant();
        if (role == Qt::DisplayRole)
            return QString::fromLatin1(columnTitles[section]);
        if (role == Qt::TextAlignmentRole && section != Breakdown::Polozka)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant();
    }
    // The row indicator marks the current line.
    if (role == Qt::DisplayRole)
        return section == m_current ? QStringLiteral("\u25B8") : QString();
    return QVariant();
}

Qt::ItemFlags BreakdownModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (!m_data.readOnly())
        f |= Qt::ItemIsEditable;
    return f;
}

void BreakdownModel::reload()
{
    beginResetModel();
    m_current = -1;
    endResetModel();
}

void BreakdownModel::rowChanged(int row)
{
    if (row >= 0 && row < m_data.count())
        emit dataChanged(index(row, 0), index(row, Breakdown::ColumnCount - 1));
}

void BreakdownModel::setCurrentRow(int row)
{
    const int old = m_current;
    m_current = row;
    if (old >= 0)
        emit headerDataChanged(Qt::Vertical, old, old);
    if (row >= 0)
        emit headerDataChanged(Qt::Vertical, row, row);
}

void BreakdownGrid::finishEditing(bool commit)
{
    if (state() != EditingState)
        return;
    QWidget* editor = indexWidget(currentIndex());
    if (!editor)
        return;
    if (commit) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    } else {
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
    }
}

void BreakdownGrid::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Delete && (e->modifiers() & Qt::ControlModifier)) {
        emit deleteRequested();
        e->accept();
        return;
    }
    // No line can be added: Insert and a step below the last line are refused silently.
    if (e->key() == Qt::Key_Insert ||
        (e->key() == Qt::Key_Down && currentIndex().row() >= model()->rowCount() - 1)) {
        e->accept();
        return;
    }
    QTableView::keyPressEvent(e);
}

TForm4::TForm4(Till& till, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_till(till), m_prompt(prompt), m_data(till)
{
    setObjectName(QStringLiteral("TForm4"));
    setWindowTitle(QStringLiteral("Rozpis položek"));

    m_model = new BreakdownModel(m_data, m_prompt, this);
    m_grid = new BreakdownGrid(this);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    m_grid->setModel(m_model);
    m_grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grid->setTabKeyNavigation(true);
    m_grid->setShowGrid(true);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->horizontalHeader()->setVisible(true);
    m_grid->horizontalHeader()->setStretchLastSection(false);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setVisible(true);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(rowHeight);
    m_grid->verticalHeader()->setFixedWidth(14);
    for (int c = 0; c < Breakdown::ColumnCount; ++c)
        m_grid->setColumnWidth(c, columnWidths[c]);
    const int headerHeight = m_grid->horizontalHeader()->sizeHint().height();
    m_grid->setFixedSize(14 + 256 + 70 + 70 + 2 * m_grid->frameWidth(),
                         headerHeight + visibleRows * rowHeight + 2 * m_grid->frameWidth());

    m_lookup = new QToolButton(m_grid->viewport());
    m_lookup->setObjectName(QStringLiteral("SpeedButton1"));
    m_lookup->setText(QStringLiteral("..."));
    m_lookup->setFixedSize(20, 20);
    m_lookup->setFocusPolicy(Qt::NoFocus);
    m_lookup->hide();

    m_save = new QPushButton(QStringLiteral("uložit"), this);
    m_save->setObjectName(QStringLiteral("suiButton1"));
    m_cancel = new QPushButton(QStringLiteral("storno"), this);
    m_cancel->setObjectName(QStringLiteral("suiButton2"));
    // Enter in the grid must never save or cancel by itself.
    m_save->setAutoDefault(false);
    m_cancel->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_grid);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_save);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_save, &QPushButton::clicked, this, &TForm4::ulozit);
    connect(m_cancel, &QPushButton::clicked, this, &TForm4::storno);
    connect(m_lookup, &QToolButton::clicked, this, &TForm4::lookup);
    connect(m_grid, &BreakdownGrid::deleteRequested, this, &TForm4::deleteCurrentLine);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TForm4::currentCellChanged);
    connect(m_grid->verticalScrollBar(), &QScrollBar::valueChanged, this, &TForm4::placeLookupButton);
    connect(m_grid->horizontalScrollBar(), &QScrollBar::valueChanged, this, &TForm4::placeLookupButton);
}

bool TForm4::guarded(const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (const VornixError& e) {
        m_prompt.message(e.text());
    }
    return false;
}

int TForm4::exec()
{
    m_data.open(); // a failure ends the command in the caller, before the dialog shows
    m_model->reload();
    m_grid->setEditTriggers(m_data.readOnly()
                                ? QAbstractItemView::NoEditTriggers
                                : QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                                      QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    m_grid->scrollToTop();
    if (m_data.count() > 0)
        m_grid->setCurrentIndex(m_model->index(0, Breakdown::Polozka));
    placeLookupButton();
    m_grid->setFocus();
    return QDialog::exec();
}

void TForm4::currentCellChanged(const QModelIndex& current, const QModelIndex& previous)
{
    // A line is written when the cursor leaves it.
    if (previous.isValid() && previous.row() != current.row() && m_data.isOpen()) {
        guarded([&] { m_data.post(previous.row()); });
        m_model->rowChanged(previous.row());
    }
    m_model->setCurrentRow(current.isValid() ? current.row() : -1);
    placeLookupButton();
}

void TForm4::placeLookupButton()
{
    const QModelIndex at = m_grid->currentIndex();
    if (!m_data.isOpen() || m_data.readOnly() || !at.isValid() || at.column() != Breakdown::Polozka) {
        m_lookup->hide();
        return;
    }
    const QRect cell = m_grid->visualRect(at);
    m_lookup->move(cell.x() + cell.width() - 20, cell.y());
    m_lookup->show();
    m_lookup->raise();
}

void TForm4::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    placeLookupButton();
}

void TForm4::lookup()
{
    const QModelIndex at = m_grid->currentIndex();
    if (!m_data.isOpen() || m_data.readOnly() || !at.isValid())
        return;
    m_grid->finishEditing(true);
    guarded([&] {
        const QVector<LookupItem> items = m_data.lookupItems();
        QVector<SearchEntry> entries;
        entries.reserve(items.size());
        for (int i = 0; i < items.size(); ++i)
            entries.push_back({i, items.at(i).hledam});
        SearchDialog dialog(m_prompt, this);
        dialog.setEntries(std::move(entries));
        if (dialog.exec() != QDialog::Accepted)
            return;
        const qint64 chosen = dialog.chosenId();
        if (chosen < 0 || chosen >= items.size())
            return;
        m_data.take(at.row(), items.at(static_cast<int>(chosen)));
        m_model->rowChanged(at.row());
    });
    m_grid->setFocus();
}

void TForm4::ulozit()
{
    m_grid->finishEditing(true);
    // A signed receipt's lines could not change, and its registered total must not be
    // recomputed from them (a drop-file receipt has only blank lines): it ends like "storno".
    const bool signedReceipt = m_data.readOnly();
    if (guarded([&] { m_data.save(); })) {
        m_model->reload();
        done(signedReceipt ? QDialog::Rejected : QDialog::Accepted);
    }
}

void TForm4::storno()
{
    m_grid->finishEditing(false);
    const bool restored = guarded([&] { m_data.cancel(); });
    m_model->reload();
    if (restored)
        done(QDialog::Rejected);
}

void TForm4::reject()
{
    // The title bar's close: the current line's edits are dropped, nothing is restored.
    m_grid->finishEditing(false);
    m_data.close();
    m_model->reload();
    QDialog::reject();
}

void TForm4::keyPressEvent(QKeyEvent* e)
{
    // Escape closes nothing here; only "uložit", "storno" and the title bar end the dialog.
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TForm4::deleteCurrentLine()
{
    const QModelIndex at = m_grid->currentIndex();
    if (!m_data.isOpen() || m_data.readOnly() || !at.isValid())
        return;
    m_grid->finishEditing(false);
    if (m_prompt.question(QStringLiteral("Smazat záznam?"), QStringLiteral("smazat"),
                          QStringLiteral("storno")) != 1)
        return;
    const int row = at.row();
    const int column = at.column();
    guarded([&] { m_data.deleteLine(row); });
    m_model->reload();
    if (m_data.count() > 0)
        m_grid->setCurrentIndex(m_model->index(std::min(row, m_data.count() - 1), column));
    placeLookupButton();
}
