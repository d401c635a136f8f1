#pragma once

#include <QDateTime>
#include <QFont>
#include <QHash>
#include <QMap>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>

class QPainter;
class QPagedPaintDevice;
class QSqlQuery;
class QImage;

// The rows a template's data band runs over: column names (as the query gave them, "id:1"
// included) and the values of each row.
struct Dataset {
    QStringList columns;
    QVector<QVariantList> rows;

    int column(const QString& name) const { return columns.indexOf(name); }
    QVariant value(int row, const QString& name) const;
    static Dataset fromQuery(QSqlQuery& q);
};

// A template object the program addresses by name: a text object (<memo>) or a line (<line>).
struct ReportObject {
    enum Kind { Memo, Line };
    Kind kind = Memo;
    QString name;
    QString text;       // template source of a memo: may hold [expressions]
    QString attributes; // the remaining attributes of the element, kept for the output
    bool visible = true;
};

// One band of the template, as written.
struct ReportBand {
    enum Type { Title, PageHeader, PageFooter, GroupHeader, Data, GroupFooter, Summary };
    Type type = Data;
    QString name; // data band name for COUNT(); dataset for a data band in `dataset`
    QString dataset;
    QString groupExpression;
    QString source; // the band's lines, directives included
};

// Page geometry in millimetres. A roll page has a fixed width and a height that grows with
// the content.
struct ReportPage {
    bool roll = false;
    QSizeF sizeMm{210, 297};
    bool landscape = false;
    double marginLeft = 10, marginTop = 10, marginRight = 10, marginBottom = 10;

    QSizeF orientedSize() const
    {
        return landscape && !roll ? QSizeF(sizeMm.height(), sizeMm.width()) : sizeMm;
    }
};

// One laid-out piece of a prepared page: a band instance as rich text at a position.
struct PreparedItem {
    double y = 0; // layout pixels from the top of the content area
    double height = 0;
    QString html; // may hold the page-number markers until the page is finished
};

struct PreparedPage {
    QSizeF sizeMm;
    double marginLeftMm = 0, marginTopMm = 0;
    double contentWidthPx = 0;
    QFont font;
    QVector<PreparedItem> items;
};

// The report engine: a template (bands of an HTML subset with [expressions]), named
// variables, one or more named datasets, named objects, paper, and the pages prepared from
// them. Pages are laid out in "layout pixels" (96 per inch) and rendered to any paint device.
//
// Values of variables and fields are inserted as text: markup, quotes and brackets in them
// are printed as typed and never read as template source.
class Report
{
  public:
    static constexpr double layoutDpi = 96.0;

    Report();
    ~Report();

    // Forgets the template, variables, datasets, functions and printer. Prepared pages stay
    // until the next prepare(), so they can still be printed.
    void clear();

    // Loads a template file. Returns false (and loads nothing) when it cannot be read.
    bool loadFromFile(const QString& file);
    // Reads a template from its source text; always succeeds (errors show in warnings()).
    void loadFromText(const QString& source);
    QString fileName() const { return m_fileName; }
    QString source() const { return m_source; }
    bool isLoaded() const { return m_loaded; }

    void setVariable(const QString& name, const QVariant& value);
    QVariant variable(const QString& name) const { return m_variables.value(name); }
    bool hasVariable(const QString& name) const { return m_variables.contains(name); }

    void setDataset(const QString& name, const Dataset& rows);
    const Dataset* dataset(const QString& name) const;

    // A report function callable from the template as Name(arguments).
    using Function = std::function<QVariant(const QVariantList&)>;
    void registerFunction(const QString& name, Function f);

    ReportObject* findObject(const QString& name);

    ReportPage& page() { return m_page; }
    const ReportPage& page() const { return m_page; }
    void setA4(bool landscape = false);

    QString printerName() const { return m_printerName; }
    void setPrinterName(const QString& name) { m_printerName = name; }

    // The moment [DATE] and [TIME] show.
    void setNow(const QDateTime& now) { m_now = now; }

    // Lays the bands out into pages, replacing pages prepared before.
    void prepare();
    const QVector<PreparedPage>& pages() const { return m_pages; }
    int pageCount() const { return int(m_pages.size()); }

    // Problems met while loading or preparing (unknown names, bad directives); for the designer.
    QStringList warnings() const { return m_warnings; }

    // Draws one prepared page with its top-left corner at the painter's origin, at `scale`
    // device pixels per layout pixel.
    static void paintPage(QPainter& p, const PreparedPage& page, double scale);
    static QSizeF pageSizePx(const PreparedPage& page);
    // Renders prepared pages to a paged device (PDF writer, printer), one device page each.
    static bool renderPages(const QVector<PreparedPage>& pages, QPagedPaintDevice& device);
    // Writes prepared pages to a PDF file.
    static bool exportPdf(const QVector<PreparedPage>& pages, const QString& file, const QString& title = {});
    static QImage pageImage(const PreparedPage& page, double zoom);

  private:
    struct Context;
    QString expandBand(const ReportBand& band, Context& ctx);
    QString processLines(const QString& source, Context& ctx);
    QString substituteObjects(const QString& text);
    QString substituteExpressions(const QString& text, Context& ctx);
    QVariant evaluate(const QString& expression, Context& ctx, bool* ok);
    QString formatValue(const QVariant& v, const QString& format) const;
    bool condition(const QString& expression, Context& ctx);
    void parse();

    QString m_fileName;
    QString m_source;
    bool m_loaded = false;
    QVector<ReportBand> m_bands;
    QMap<QString, ReportObject> m_objects;
    QHash<QString, QVariant> m_variables;
    QHash<QString, Dataset> m_datasets;
    QHash<QString, Function> m_functions;
    ReportPage m_page;
    QFont m_font;
    QString m_printerName;
    QDateTime m_now;
    QVector<PreparedPage> m_pages;
    QStringList m_warnings;
};
