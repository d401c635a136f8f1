#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVector>

class Till;

// One line of the breakdown as the grid shows it: the stored values and the edits not yet
// written. `polozka` holds the stored bytes (UTF-8, shown through zutf).
struct BreakdownLine {
    struct Values {
        QByteArray polozka;
        bool polozkaNull = false;
        QVariant cena;
        QVariant ks;
    };
    qint64 id = 0;
    Values stored;
    Values shown;
    bool polozkaDirty = false;
    bool cenaDirty = false;
    bool ksDirty = false;
    bool dirty() const { return polozkaDirty || cenaDirty || ksDirty; }
};

// One entry of the item lookup: an item sold before with its price.
struct LookupItem {
    QString hledam;     // "item, price Kč" as shown
    QByteArray polozka; // the stored item text, unconverted
    QVariant cena;
};

// The data of the breakdown dialog "Rozpis položek": the lines of the receipt in the panel
// (selected by the number label), the snapshot that "storno" restores, the item lookup.
// Every database failure throws VornixError.
class Breakdown
{
  public:
    enum Column { Polozka = 0, Cena = 1, Ks = 2 };
    static constexpr int ColumnCount = 3;

    explicit Breakdown(Till& till);

    // The opening: blank lines up to 16 for a numbered receipt, 15 blank lines for the
    // receipt being entered when it has none, the snapshot rozpis_ul, the line list. All of
    // it in one transaction.
    void open();
    bool isOpen() const { return m_open; }
    // Lines cannot be edited once the receipt has been signed for EET (it has a PKP).
    bool readOnly() const { return m_readOnly; }

    int count() const { return static_cast<int>(m_lines.size()); }
    const BreakdownLine& line(int row) const { return m_lines.at(row); }

    // What a cell shows ("## ##0.00" for cena, "# ##0.00" for ks) and what its editor starts with.
    QString displayText(int row, int column) const;
    QString editText(int row, int column) const;

    // Sets a cell from typed text. Returns false (nothing changes) when the text is not a
    // number or the list is read-only.
    bool setText(int row, int column, const QString& text);
    // The lookup's taken item into a line: stored text as it is, and its price. Not posted.
    bool take(int row, const LookupItem& item);

    void post(int row);    // writes the line's pending edits
    void discard(int row); // drops them
    void deleteLine(int row);

    // One entry per item text among the lines of numbered receipts with a non-zero amount,
    // ordered by item text; the price is the one of the latest such line.
    QVector<LookupItem> lookupItems();

    // "uložit": posts pending edits and closes the list.
    void save();
    // "storno": drops pending edits and puts the snapshot back in one transaction, so a
    // failure between the delete and the insert loses no line.
    void cancel();
    // The title bar's close: drops pending edits, restores nothing.
    void close();

    // The line condition the dialog was opened with (" uctenka_cislo ISNULL" or "= ?").
    QString condition(QVariantList* values) const;

  private:
    void load();

    Till& m_till;
    QString m_number; // the number label when the dialog opened
    bool m_open = false;
    bool m_readOnly = false;
    QVector<BreakdownLine> m_lines;
};

// Numbers of the grid: display with a group blank ("1 234,50"), edit without ("1234,50").
QString formatLineNumber(const QVariant& value, bool grouped);
// Typed text with a decimal comma or point, blanks ignored. An empty text is 0.
bool parseLineNumber(const QString& text, double* out);
