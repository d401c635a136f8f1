#pragma once

#include "receipts/breakdown.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QTableView>

#include <functional>

class Prompt;
class QPushButton;
class QToolButton;
class Till;

// The grid's view of the breakdown lines: three columns, edits kept pending in the lines.
class BreakdownModel : public QAbstractTableModel
{
    Q_OBJECT
  public:
    BreakdownModel(Breakdown& data, Prompt& prompt, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Lines cannot be added from the grid.
    bool insertRows(int, int, const QModelIndex& = {}) override { return false; }

    void reload();
    void rowChanged(int row);
    void setCurrentRow(int row);

  private:
    Breakdown& m_data;
    Prompt& m_prompt;
    int m_current = -1;
};

// The grid: Tab between cells, Ctrl+Delete asks to delete the line, no line is ever appended.
class BreakdownGrid : public QTableView
{
    Q_OBJECT
  public:
    using QTableView::QTableView;
    // Writes an open cell editor into the model and closes it (or drops it).
    void finishEditing(bool commit);

  signals:
    void deleteRequested();

  protected:
    void keyPressEvent(QKeyEvent* e) override;
};

// "Rozpis položek": the lines of the receipt in the panel. exec() runs the opening and
// returns Accepted after "uložit" (Rejected for a receipt with a PKP, whose total stays);
// "storno" restores the lines as they were at the opening, the title bar's close keeps what
// was already written.
class TForm4 : public QDialog
{
    Q_OBJECT
  public:
    TForm4(Till& till, Prompt& prompt, QWidget* parent = nullptr);

    int exec() override;
    void reject() override; // the title bar's close

    Breakdown& breakdown() { return m_data; }
    BreakdownGrid* grid() const { return m_grid; }
    QToolButton* lookupButton() const { return m_lookup; }

    // "..." on the current line: the search dialog over the items sold before; the taken
    // item's text and price go into the line (not yet written).
    void lookup();

  protected:
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

  private:
    void ulozit();
    void storno();
    void deleteCurrentLine();
    void currentCellChanged(const QModelIndex& current, const QModelIndex& previous);
    void placeLookupButton();
    bool guarded(const std::function<void()>& action);

    Till& m_till;
    Prompt& m_prompt;
    Breakdown m_data;
    BreakdownModel* m_model = nullptr;
    BreakdownGrid* m_grid = nullptr;
    QToolButton* m_lookup = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_cancel = nullptr;
};
