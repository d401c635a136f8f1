#pragma once

#include "receipts/loading.h"

#include <QAbstractListModel>
#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class Prompt;

// The entries of the search that match the searched text. Filtering rebuilds only an index
// vector whose capacity is kept, so typing stays fluid with hundreds of thousands of rows.
class SearchModel : public QAbstractListModel
{
    Q_OBJECT
  public:
    void setEntries(QVector<SearchEntry> entries);
    void filter(const QString& text, bool parts);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    const SearchEntry& entry(int row) const { return m_entries.at(m_visible.at(row)); }
    int entryCount() const { return static_cast<int>(m_entries.size()); }
    // The first entry whose whole text equals `text`, ignoring letter case; -1 when none.
    int findExact(const QString& text);

  private:
    void ensureUpper();
    QVector<SearchEntry> m_entries;
    QVector<QString> m_upper;
    QVector<int> m_visible;
};

// "Hledat": a searchable list over one text column. Returns the chosen entry's id.
class SearchDialog : public QDialog
{
    Q_OBJECT
  public:
    SearchDialog(Prompt& prompt, QWidget* parent = nullptr);
    void setEntries(QVector<SearchEntry> entries);
    qint64 chosenId() const { return m_chosen; }
    SearchModel& model() { return m_model; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void refill();
    void confirm();

    Prompt& m_prompt;
    SearchModel m_model;
    QLineEdit* m_edit = nullptr;
    QListView* m_list = nullptr;
    QCheckBox* m_show = nullptr;
    QCheckBox* m_parts = nullptr;
    qint64 m_chosen = -1;
};
