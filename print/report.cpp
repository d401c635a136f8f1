#include "print/report.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QImage>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringDecoder>
#include <QTextDocument>
#include <cmath>

namespace
{

constexpr double mmPerInch = 25.4;

double mmToPx(double mm)
{
    return mm / mmPerInch * Report::layoutDpi;
}
double pxToMm(double px)
{
    return px / Report::layoutDpi * mmPerInch;
}

// The device every band is laid out on: 96 dots per inch whatever the screen, so a template
// measures the same in tests, previews, printouts and PDF files.
QPaintDevice* layoutDevice()
{
    static QImage image = [] {
        QImage i(1, 1, QImage::Format_ARGB32);
        i.setDotsPerMeterX(qRound(Report::layoutDpi / 0.0254));
        i.setDotsPerMeterY(qRound(Report::layoutDpi / 0.0254));
        return i;
    }();
    return &image;
}

void setupDocument(QTextDocument& doc, const QFont& font, double width, const QString& html)
{
    doc.documentLayout()->setPaintDevice(layoutDevice());
    // No ligatures: a fiscal code must print letter by letter ("ff" stays two letters).
    QFont f = font;
    f.setStyleStrategy(QFont::PreferNoShaping);
    doc.setDefaultFont(f);
    doc.setDocumentMargin(0);
    doc.setTextWidth(width);
    doc.setHtml(html);
}

// Markers for the page numbers. Inserted values are escaped, so a "<" never comes from data
// and these cannot be forged by a text the operator typed.
const QString pageMarker = QStringLiteral("<vxpage/>");
const QString totalMarker = QStringLiteral("<vxtotal/>");

bool isIdentChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'#';
}

QString attributeValue(const QString& attributes, const QString& name)
{
    static const QRegularExpression re(QStringLiteral("\\b([A-Za-z_]+)\\s*=\\s*\"([^\"]*)\""));
    auto it = re.globalMatch(attributes);
    while (it.hasNext()) {
        const auto m = it.next();
        if (m.captured(1).compare(name, Qt::CaseInsensitive) == 0)
            return m.captured(2);
    }
    return {};
}

QString removeAttributes(QString attributes, const QStringList& names)
{
    for (const QString& n : names)
        attributes.remove(QRegularExpression(QStringLiteral("\\b%1\\s*=\\s*\"[^\"]*\"").arg(n),
                                             QRegularExpression::CaseInsensitiveOption));
    return attributes.trimmed();
}

bool toNumber(const QVariant& v, double* out)
{
    if (!v.isValid() || v.isNull())
        return false;
    bool ok = false;
    const double d = v.toString().trimmed().toDouble(&ok);
    if (ok)
        *out = d;
    return ok;
}

QString plainText(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return {};
    if (v.typeId() == QMetaType::Double) {
        const double d = v.toDouble();
        if (std::isfinite(d) && d == std::floor(d) && std::abs(d) < 1e15)
            return QString::number(qint64(d));
        return QString::number(d, 'g', 15);
    }
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().toString(QStringLiteral("dd.MM.yyyy"));
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
    return v.toString();
}

// "### ###", "## ### ##0", "###0.00", "# ##0.00": digits after "." are the decimals; a
// space or comma in the whole part asks for thousands groups. Czech output: decimal comma,
// groups separated by a no-break space.
QString formatNumber(double value, const QString& pattern)
{
    const int dot = pattern.indexOf(u'.');
    const QString whole = dot < 0 ? pattern : pattern.left(dot);
    const int decimals = dot < 0 ? 0 : int(pattern.size() - dot - 1);
    const bool groups = whole.contains(u' ') || whole.contains(u',');
    QString text = QString::number(std::abs(value), 'f', decimals);
    QString intPart = text.section(u'.', 0, 0);
    const QString frac = decimals > 0 ? text.section(u'.', 1, 1) : QString();
    if (groups) {
        for (int i = int(intPart.size()) - 3; i > 0; i -= 3)
            intPart.insert(i, QChar(0x00A0));
    }
    // "#" alone leaves out a zero whole part ("###" of 0 is empty in the reference engine's
    // manner), "0" keeps it; a bare zero amount reads better as "0", so keep it always.
    QString out = intPart;
    if (decimals > 0)
        out += u',' + frac;
    const bool negative =
        value < 0 && QString(out).remove(QRegularExpression(QStringLiteral("[0,\\x{00A0}]"))).size() > 0;
    return negative ? u'-' + out : out;
}

QDateTime parseStamp(const QVariant& v)
{
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime();
    if (v.typeId() == QMetaType::QDate)
        return QDateTime(v.toDate(), QTime(0, 0));
    const QString s = v.toString().trimmed();
    QDateTime t = QDateTime::fromString(s, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    if (!t.isValid())
        t = QDateTime(QDate::fromString(s, QStringLiteral("yyyy-MM-dd")), QTime(0, 0));
    if (!t.isValid())
        t = QDateTime::fromString(s, QStringLiteral("dd.MM.yyyy hh:mm:ss"));
    if (!t.isValid())
        t = QDateTime(QDate::fromString(s, QStringLiteral("dd.MM.yyyy")), QTime(0, 0));
    return t;
}

// Splits "a, b" at top-level commas, respecting quotes and brackets.
QStringList splitArguments(const QString& s)
{
    QStringList out;
    int depth = 0;
    QChar quote;
    QString cur;
    for (QChar c : s) {
        if (!quote.isNull()) {
            cur += c;
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'(' || c == u'<') {
            ++depth;
        } else if (c == u')' || c == u'>') {
            --depth;
        } else if (c == u',' && depth == 0) {
            out << cur.trimmed();
            cur.clear();
            continue;
        }
        cur += c;
    }
    out << cur.trimmed();
    return out;
}

} // namespace

QVariant Dataset::value(int row, const QString& name) const
{
    const int c = column(name);
    if (c < 0 || row < 0 || row >= rows.size())
        return {};
    return rows[row].value(c);
}

Dataset Dataset::fromQuery(QSqlQuery& q)
{
    Dataset d;
    const QSqlRecord r = q.record();
    for (int i = 0; i < r.count(); ++i)
        d.columns << r.fieldName(i);
    while (q.next()) {
        QVariantList row;
        row.reserve(d.columns.size());
        for (int i = 0; i < d.columns.size(); ++i)
            row << q.value(i);
        d.rows << row;
    }
    return d;
}

struct Report::Context {
    const Dataset* dataset = nullptr;
    QString datasetName;
    QString bandName;
    int row = -1;
    int rangeBegin = 0;
    int rangeEnd = 0;
};

Report::Report()
{
    clear();
}
Report::~Report() = default;

void Report::clear()
{
    m_fileName.clear();
    m_source.clear();
    m_loaded = false;
    m_bands.clear();
    m_objects.clear();
    m_variables.clear();
    m_datasets.clear();
    m_functions.clear();
    m_page = ReportPage();
    m_font = QFont(QStringLiteral("DejaVu Sans"), 9);
    m_printerName.clear();
    m_warnings.clear();
    m_now = QDateTime();
}

bool Report::loadFromFile(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = f.readAll();
    auto decode = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    loadFromText(decode(bytes));
    m_fileName = file;
    return true;
}

void Report::loadFromText(const QString& source)
{
    m_source = source;
    if (m_source.startsWith(QChar(0xFEFF)))
        m_source.remove(0, 1);
    m_loaded = true;
    m_bands.clear();
    m_objects.clear();
    m_warnings.clear();
    parse();
}

void Report::parse()
{
    const QStringList lines = m_source.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
    ReportBand* band = nullptr;
    int lineNo = 0;
    for (const QString& raw : lines) {
        ++lineNo;
        const QString line = raw.trimmed();
        if (line.startsWith(QStringLiteral("##")))
            continue;
        if (line.startsWith(QStringLiteral("#page "))) {
            const QStringList w = line.mid(6).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            ReportPage p;
            int i = 0;
            if (i < w.size() && w[i].compare(QStringLiteral("roll"), Qt::CaseInsensitive) == 0) {
                p.roll = true;
                ++i;
                p.sizeMm = QSizeF(i < w.size() ? w[i++].toDouble() : 80.0, 0);
                p.marginLeft = p.marginRight = 3;
                p.marginTop = p.marginBottom = 4;
            } else if (i < w.size() && w[i].compare(QStringLiteral("A4"), Qt::CaseInsensitive) == 0) {
                ++i;
                p.sizeMm = QSizeF(210, 297);
            } else if (i + 1 < w.size()) {
                p.sizeMm = QSizeF(w[i].toDouble(), w[i + 1].toDouble());
                i += 2;
            }
            for (; i < w.size(); ++i) {
                if (w[i] == QStringLiteral("landscape"))
                    p.landscape = true;
                else if (w[i] == QStringLiteral("portrait"))
                    p.landscape = false;
                else if (w[i] == QStringLiteral("margins") && i + 4 < w.size()) {
                    p.marginLeft = w[i + 1].toDouble();
                    p.marginTop = w[i + 2].toDouble();
                    p.marginRight = w[i + 3].toDouble();
                    p.marginBottom = w[i + 4].toDouble();
                    i += 4;
                }
            }
            if (p.sizeMm.width() <= p.marginLeft + p.marginRight) {
                m_warnings << QStringLiteral("řádek %1: neplatný rozměr stránky").arg(lineNo);
                p = ReportPage();
            }
            m_page = p;
            continue;
        }
        if (line.startsWith(QStringLiteral("#font "))) {
            // "#font <family> <size in points>"
            const QString fontLine = line.mid(6).trimmed();
            const int sp = int(fontLine.lastIndexOf(u' '));
            bool ok = false;
            const double size = sp > 0 ? fontLine.mid(sp + 1).toDouble(&ok) : 0;
            if (ok && size > 0) {
                m_font = QFont(fontLine.left(sp).trimmed(), 9);
                m_font.setPointSizeF(size);
            } else {
                m_warnings << QStringLiteral("řádek %1: #font chce název a velikost").arg(lineNo);
            }
            continue;
        }
        if (line.startsWith(QStringLiteral("#band "))) {
            const QString rest = line.mid(6).trimmed();
            const QString kind = rest.section(u' ', 0, 0).toLower();
            const QString args = rest.section(u' ', 1).trimmed();
            ReportBand b;
            if (kind == QStringLiteral("title"))
                b.type = ReportBand::Title;
            else if (kind == QStringLiteral("pageheader"))
                b.type = ReportBand::PageHeader;
            else if (kind == QStringLiteral("pagefooter"))
                b.type = ReportBand::PageFooter;
            else if (kind == QStringLiteral("summary"))
                b.type = ReportBand::Summary;
            else if (kind == QStringLiteral("groupheader")) {
                b.type = ReportBand::GroupHeader;
                b.groupExpression = args;
            } else if (kind == QStringLiteral("groupfooter"))
                b.type = ReportBand::GroupFooter;
            else if (kind == QStringLiteral("data")) {
                b.type = ReportBand::Data;
                b.dataset = args.section(u' ', 0, 0);
                b.name = args.section(u' ', 1, 1);
                if (b.name.isEmpty())
                    b.name = QStringLiteral("MasterData1");
            } else {
                m_warnings << QStringLiteral("řádek %1: neznámý druh pásu „%2“").arg(lineNo).arg(kind);
                band = nullptr;
                continue;
            }
            m_bands << b;
            band = &m_bands.last();
            continue;
        }
        if (band)
            band->source += raw + u'\n';
        else if (!line.isEmpty())
            m_warnings << QStringLiteral("řádek %1: text mimo pás se netiskne").arg(lineNo);
    }

    static const QRegularExpression memo(QStringLiteral("<memo\\b([^>]*)>(.*?)</memo>"),
                                         QRegularExpression::DotMatchesEverythingOption |
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression lineRe(QStringLiteral("<line\\b([^>]*?)/?>"),
                                           QRegularExpression::CaseInsensitiveOption);
    for (const ReportBand& b : m_bands) {
        for (auto it = memo.globalMatch(b.source); it.hasNext();) {
            const auto m = it.next();
            ReportObject o;
            o.kind = ReportObject::Memo;
            o.name = attributeValue(m.captured(1), QStringLiteral("name"));
            o.visible =
                attributeValue(m.captured(1), QStringLiteral("visible")).toLower() != QStringLiteral("false");
            o.attributes =
                removeAttributes(m.captured(1), {QStringLiteral("name"), QStringLiteral("visible")});
            o.text = m.captured(2);
            if (!o.name.isEmpty())
                m_objects.insert(o.name, o);
        }
        for (auto it = lineRe.globalMatch(b.source); it.hasNext();) {
            const auto m = it.next();
            ReportObject o;
            o.kind = ReportObject::Line;
            o.name = attributeValue(m.captured(1), QStringLiteral("name"));
            o.visible =
                attributeValue(m.captured(1), QStringLiteral("visible")).toLower() != QStringLiteral("false");
            o.attributes = m.captured(1);
            if (!o.name.isEmpty())
                m_objects.insert(o.name, o);
        }
    }
}

void Report::setVariable(const QString& name, const QVariant& value)
{
    m_variables.insert(name, value);
}

void Report::setDataset(const QString& name, const Dataset& rows)
{
    m_datasets.insert(name, rows);
}

const Dataset* Report::dataset(const QString& name) const
{
    auto it = m_datasets.constFind(name);
    return it == m_datasets.constEnd() ? nullptr : &it.value();
}

void Report::registerFunction(const QString& name, Function f)
{
    m_functions.insert(name.toUpper(), std::move(f));
}

ReportObject* Report::findObject(const QString& name)
{
    auto it = m_objects.find(name);
    return it == m_objects.end() ? nullptr : &it.value();
}

void Report::setA4(bool landscape)
{
    const ReportPage old = m_page;
    m_page.roll = false;
    m_page.sizeMm = QSizeF(210, 297);
    m_page.landscape = landscape;
    if (old.roll) {
        m_page.marginLeft = m_page.marginRight = 10;
        m_page.marginTop = m_page.marginBottom = 10;
    }
}

// ---- expressions ----------------------------------------------------------------------

namespace
{

// Position of the bracket that closes the one at `from` (nesting counted, quoted text
// skipped); -1 when it is never closed.
int closingBracket(const QString& s, int from, QChar open, QChar close)
{
    int depth = 0;
    QChar quote;
    for (int i = from; i < s.size(); ++i) {
        const QChar d = s[i];
        if (!quote.isNull()) {
            if (d == quote)
                quote = QChar();
        } else if (d == u'"' || d == u'\'') {
            quote = d;
        } else if (d == open) {
            ++depth;
        } else if (d == close && --depth == 0) {
            return i;
        }
    }
    return -1;
}

struct ExprParser {
    const QString& s;
    int pos = 0;
    explicit ExprParser(const QString& text) : s(text) {}
    void skip()
    {
        while (pos < s.size() && s[pos].isSpace())
            ++pos;
    }
    bool atEnd()
    {
        skip();
        return pos >= s.size();
    }
    QChar peek()
    {
        skip();
        return pos < s.size() ? s[pos] : QChar();
    }
};

} // namespace

QVariant Report::evaluate(const QString& expression, Context& ctx, bool* ok)
{
    *ok = true;
    ExprParser p(expression);

    std::function<QVariant()> primary;
    std::function<QVariant()> sum = [&]() -> QVariant {
        QVariant v = primary();
        while (*ok && p.peek() == u'+') {
            ++p.pos;
            const QVariant r = primary();
            double a = 0, b = 0;
            if (toNumber(v, &a) && toNumber(r, &b) && v.typeId() != QMetaType::QString &&
                r.typeId() != QMetaType::QString)
                v = a + b;
            else
                v = plainText(v) + plainText(r);
        }
        return v;
    };

    auto fieldValue = [&](const QString& dsName, const QString& column) -> QVariant {
        const Dataset* d = dataset(dsName);
        if (!d) {
            m_warnings << QStringLiteral("neznámá datová sada „%1“").arg(dsName);
            return {};
        }
        if (d->column(column) < 0) {
            m_warnings << QStringLiteral("datová sada „%1“ nemá sloupec „%2“").arg(dsName, column);
            return {};
        }
        const int row = (d == ctx.dataset) ? ctx.row : 0;
        return d->value(row, column);
    };

    primary = [&]() -> QVariant {
        p.skip();
        if (p.pos >= p.s.size()) {
            *ok = false;
            return {};
        }
        const QChar c = p.s[p.pos];
        if (c == u'\'') {
            QString out;
            ++p.pos;
            while (p.pos < p.s.size()) {
                if (p.s[p.pos] == u'\'') {
                    if (p.pos + 1 < p.s.size() && p.s[p.pos + 1] == u'\'') {
                        out += u'\'';
                        p.pos += 2;
                        continue;
                    }
                    ++p.pos;
                    return out;
                }
                out += p.s[p.pos++];
            }
            *ok = false;
            return out;
        }
        if (c == u'<') {
            // <dataset."column"> or <expression>: the brackets only mark an expression.
            const int start = p.pos + 1;
            p.pos = closingBracket(p.s, p.pos, u'<', u'>');
            if (p.pos < 0) {
                *ok = false;
                return {};
            }
            const QString inner = p.s.mid(start, p.pos - start);
            ++p.pos;
            return evaluate(inner, ctx, ok);
        }
        if (c.isDigit() || (c == u'-' && p.pos + 1 < p.s.size() && p.s[p.pos + 1].isDigit())) {
            const int start = p.pos++;
            while (p.pos < p.s.size() && (p.s[p.pos].isDigit() || p.s[p.pos] == u'.'))
                ++p.pos;
            return p.s.mid(start, p.pos - start).toDouble();
        }
        if (!isIdentChar(c)) {
            *ok = false;
            return {};
        }
        const int start = p.pos;
        while (p.pos < p.s.size() && isIdentChar(p.s[p.pos]))
            ++p.pos;
        const QString ident = p.s.mid(start, p.pos - start);
        // dataset."column"
        if (p.pos + 1 < p.s.size() && p.s[p.pos] == u'.' && p.s[p.pos + 1] == u'"') {
            const int close = int(p.s.indexOf(u'"', p.pos + 2));
            if (close < 0) {
                *ok = false;
                return {};
            }
            const QString column = p.s.mid(p.pos + 2, close - p.pos - 2);
            p.pos = close + 1;
            return fieldValue(ident, column);
        }
        if (p.peek() == u'(') {
            const int open = p.pos;
            p.pos = closingBracket(p.s, p.pos, u'(', u')');
            if (p.pos < 0) {
                *ok = false;
                return {};
            }
            const QStringList args = splitArguments(p.s.mid(open + 1, p.pos - open - 1));
            ++p.pos;
            const QString fn = ident.toUpper();
            if (fn == QStringLiteral("SUM") || fn == QStringLiteral("MIN") || fn == QStringLiteral("MAX") ||
                fn == QStringLiteral("AVG") || fn == QStringLiteral("COUNT")) {
                // Aggregates run over the rows of the current range: all rows in the summary,
                // the group's rows in a group footer.
                Context row = ctx;
                double total = 0;
                int n = 0;
                bool any = false;
                double best = 0;
                for (int r = ctx.rangeBegin; r < ctx.rangeEnd; ++r) {
                    row.row = r;
                    if (fn == QStringLiteral("COUNT")) {
                        ++n;
                        continue;
                    }
                    bool argOk = true;
                    double v = 0;
                    if (!toNumber(evaluate(args.value(0), row, &argOk), &v) || !argOk)
                        continue;
                    total += v;
                    ++n;
                    if (!any || (fn == QStringLiteral("MIN") ? v < best : v > best))
                        best = v;
                    any = true;
                }
                if (fn == QStringLiteral("COUNT"))
                    return n;
                if (fn == QStringLiteral("SUM"))
                    return total;
                if (fn == QStringLiteral("AVG"))
                    return n ? total / n : 0.0;
                return any ? QVariant(best) : QVariant();
            }
            auto f = m_functions.constFind(fn);
            if (f == m_functions.constEnd()) {
                m_warnings << QStringLiteral("neznámá funkce „%1“").arg(ident);
                return {};
            }
            QVariantList values;
            for (const QString& a : args) {
                if (a.isEmpty())
                    continue;
                bool argOk = true;
                values << evaluate(a, ctx, &argOk);
            }
            return f.value()(values);
        }
        if (ident == QStringLiteral("DATE"))
            return (m_now.isValid() ? m_now : QDateTime::currentDateTime()).date();
        if (ident == QStringLiteral("TIME"))
            return (m_now.isValid() ? m_now : QDateTime::currentDateTime())
                .time()
                .toString(QStringLiteral("hh:mm:ss"));
        if (ident == QStringLiteral("LINE#"))
            return ctx.row - ctx.rangeBegin + 1;
        auto v = m_variables.constFind(ident);
        if (v != m_variables.constEnd())
            return v.value();
        m_warnings << QStringLiteral("neznámá proměnná „%1“").arg(ident);
        return {};
    };

    const QVariant result = sum();
    if (!p.atEnd())
        *ok = false;
    return result;
}

QString Report::formatValue(const QVariant& v, const QString& format) const
{
    if (format.isEmpty())
        return plainText(v);
    if (!v.isValid() || v.isNull())
        return {};
    if (format.startsWith(QStringLiteral("n:"))) {
        double d = 0;
        if (!toNumber(v, &d))
            return plainText(v);
        return formatNumber(d, format.mid(2));
    }
    if (format.startsWith(QStringLiteral("d:"))) {
        if (v.typeId() == QMetaType::QDate)
            return v.toDate().toString(format.mid(2));
        const QDateTime t = parseStamp(v);
        return t.isValid() ? t.toString(format.mid(2)) : plainText(v);
    }
    return plainText(v);
}

bool Report::condition(const QString& expression, Context& ctx)
{
    // "<left> <op> <right>" with ==, !=, <=, >=, <, > outside quotes and field brackets, or a
    // single expression that is true when it is neither empty nor zero.
    static const QStringList ops = {QStringLiteral("=="), QStringLiteral("!="), QStringLiteral("<="),
                                    QStringLiteral(">="), QStringLiteral("<"),  QStringLiteral(">")};
    QChar quote;
    int depth = 0;
    for (int i = 0; i < expression.size(); ++i) {
        const QChar c = expression[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'"' || c == u'\'') {
            quote = c;
            continue;
        }
        if (c == u'(') {
            ++depth;
            continue;
        }
        if (c == u')') {
            --depth;
            continue;
        }
        if (depth != 0)
            continue;
        for (const QString& op : ops) {
            if (!expression.mid(i).startsWith(op))
                continue;
            // "<" followed by a field reference opens a bracketed expression, not a comparison.
            if (op == QStringLiteral("<") || op == QStringLiteral(">")) {
                const QString left = expression.left(i).trimmed();
                const QString right = expression.mid(i + 1).trimmed();
                if (left.isEmpty() || right.isEmpty() ||
                    (op == QStringLiteral(">") && left.startsWith(u'<') &&
                     left.count(u'<') > left.count(u'>')))
                    continue;
            }
            bool ok1 = true, ok2 = true;
            const QVariant a = evaluate(expression.left(i), ctx, &ok1);
            const QVariant b = evaluate(expression.mid(i + op.size()), ctx, &ok2);
            if (!ok1 || !ok2)
                continue;
            double x = 0, y = 0;
            int cmp = 0;
            if (toNumber(a, &x) && toNumber(b, &y))
                cmp = x < y ? -1 : (x > y ? 1 : 0);
            else
                cmp = QString::compare(plainText(a), plainText(b));
            if (op == QStringLiteral("=="))
                return cmp == 0;
            if (op == QStringLiteral("!="))
                return cmp != 0;
            if (op == QStringLiteral("<="))
                return cmp <= 0;
            if (op == QStringLiteral(">="))
                return cmp >= 0;
            if (op == QStringLiteral("<"))
                return cmp < 0;
            return cmp > 0;
        }
    }
    bool ok = true;
    const QVariant v = evaluate(expression, ctx, &ok);
    if (!ok) {
        m_warnings << QStringLiteral("nesrozumitelná podmínka „%1“").arg(expression);
        return false;
    }
    double d = 0;
    if (toNumber(v, &d))
        return d != 0;
    return !plainText(v).isEmpty();
}

QString Report::processLines(const QString& source, Context& ctx)
{
    // #if / #else / #endif directives, nested; lines of a false branch are left out.
    QString out;
    QVector<std::pair<bool, bool>> stack; // (this branch active, parent active)
    bool active = true;
    const QStringList lines = source.split(u'\n');
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(QStringLiteral("#if "))) {
            const bool parent = active;
            stack.push_back({active, parent});
            active = parent && condition(line.mid(4).trimmed(), ctx);
            stack.last().first = active;
            continue;
        }
        if (line == QStringLiteral("#else")) {
            if (!stack.isEmpty()) {
                const bool parent = stack.last().second;
                active = parent && !stack.last().first;
                stack.last().first = true; // no further else applies
            }
            continue;
        }
        if (line == QStringLiteral("#endif")) {
            if (!stack.isEmpty()) {
                active = stack.last().second;
                stack.pop_back();
            }
            continue;
        }
        if (!active)
            continue;
        // A line ending in a backslash continues on the next printed line without a space.
        if (out.endsWith(QStringLiteral("\\\n")))
            out.chop(2);
        out += raw + u'\n';
    }
    if (out.endsWith(QStringLiteral("\\\n")))
        out.chop(2);
    return out;
}

QString Report::substituteObjects(const QString& text)
{
    static const QRegularExpression memo(QStringLiteral("<memo\\b([^>]*)>(.*?)</memo>"),
                                         QRegularExpression::DotMatchesEverythingOption |
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression lineRe(QStringLiteral("<line\\b([^>]*?)/?>(</line>)?"),
                                           QRegularExpression::CaseInsensitiveOption);
    QString out;
    int last = 0;
    for (auto it = memo.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        out += text.mid(last, m.capturedStart() - last);
        last = int(m.capturedEnd());
        const QString name = attributeValue(m.captured(1), QStringLiteral("name"));
        const ReportObject* o = name.isEmpty() ? nullptr : findObject(name);
        const bool visible =
            o ? o->visible
              : attributeValue(m.captured(1), QStringLiteral("visible")).toLower() != QStringLiteral("false");
        if (!visible)
            continue;
        const QString attrs =
            o ? o->attributes
              : removeAttributes(m.captured(1), {QStringLiteral("name"), QStringLiteral("visible")});
        out += QStringLiteral("<p %1>").arg(attrs) + (o ? o->text : m.captured(2)) + QStringLiteral("</p>");
    }
    out += text.mid(last);

    QString result;
    last = 0;
    for (auto it = lineRe.globalMatch(out); it.hasNext();) {
        const auto m = it.next();
        result += out.mid(last, m.capturedStart() - last);
        last = int(m.capturedEnd());
        const QString name = attributeValue(m.captured(1), QStringLiteral("name"));
        const ReportObject* o = name.isEmpty() ? nullptr : findObject(name);
        const bool visible =
            o ? o->visible
              : attributeValue(m.captured(1), QStringLiteral("visible")).toLower() != QStringLiteral("false");
        if (!visible)
            continue;
        QString color = attributeValue(m.captured(1), QStringLiteral("color"));
        if (color.isEmpty())
            color = QStringLiteral("#000000");
        // A one-row table with a coloured cell of a tiny font: a thin rule across the width.
        result += QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"0\" "
                                 "style=\"margin-top:3px; margin-bottom:3px;\"><tr><td bgcolor=\"%1\" "
                                 "style=\"font-size:1px;\">&nbsp;</td></tr></table>")
                      .arg(color.toHtmlEscaped());
    }
    result += out.mid(last);
    return result;
}

QString Report::substituteExpressions(const QString& text, Context& ctx)
{
    QString out;
    out.reserve(text.size());
    int i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c == u'[' && i + 1 < text.size() && text[i + 1] == u'[') {
            out += u'[';
            i += 2;
            continue;
        }
        if (c == u']' && i + 1 < text.size() && text[i + 1] == u']') {
            out += u']';
            i += 2;
            continue;
        }
        if (c != u'[') {
            out += c;
            ++i;
            continue;
        }
        // Find the closing bracket outside quotes.
        QChar quote;
        int j = i + 1;
        for (; j < text.size(); ++j) {
            const QChar d = text[j];
            if (!quote.isNull()) {
                if (d == quote)
                    quote = QChar();
            } else if (d == u'"' || d == u'\'') {
                quote = d;
            } else if (d == u']') {
                break;
            }
        }
        if (j >= text.size()) {
            out += text.mid(i);
            break;
        }
        QString expr = text.mid(i + 1, j - i - 1);
        i = j + 1;
        // Entities that an HTML editor may have put into the expression.
        expr.replace(QStringLiteral("&quot;"), QStringLiteral("\""))
            .replace(QStringLiteral("&lt;"), QStringLiteral("<"))
            .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
            .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        QString format;
        {
            QChar q;
            for (int k = int(expr.size()) - 1; k >= 0; --k) {
                const QChar d = expr[k];
                if (d == u'"' || d == u'\'') {
                    // scanning backwards: skip over a quoted run
                    q = d;
                    for (--k; k >= 0 && expr[k] != q; --k) {
                    }
                    continue;
                }
                if (d == u'|') {
                    format = expr.mid(k + 1).trimmed();
                    expr = expr.left(k);
                    break;
                }
            }
        }
        const QString trimmed = expr.trimmed();
        if (trimmed == QStringLiteral("PAGE#")) {
            out += pageMarker;
            continue;
        }
        if (trimmed == QStringLiteral("TOTALPAGES#")) {
            out += totalMarker;
            continue;
        }
        bool ok = true;
        const QVariant v = evaluate(trimmed, ctx, &ok);
        if (!ok) {
            m_warnings << QStringLiteral("nesrozumitelný výraz „[%1]“").arg(expr);
            out += QStringLiteral("[") + expr.toHtmlEscaped() + QStringLiteral("]");
            continue;
        }
        out += formatValue(v, format).toHtmlEscaped();
    }
    return out;
}

QString Report::expandBand(const ReportBand& band, Context& ctx)
{
    return substituteExpressions(substituteObjects(processLines(band.source, ctx)), ctx);
}

void Report::prepare()
{
    m_pages.clear();
    if (!m_loaded)
        return;

    const ReportPage page = m_page;
    const QSizeF size = page.orientedSize();
    const double contentWidth = mmToPx(size.width() - page.marginLeft - page.marginRight);
    const double contentHeight =
        page.roll ? 1e12 : mmToPx(size.height() - page.marginTop - page.marginBottom);

    auto bandOf = [&](ReportBand::Type t) -> const ReportBand* {
        for (const ReportBand& b : m_bands)
            if (b.type == t)
                return &b;
        return nullptr;
    };
    const ReportBand* title = bandOf(ReportBand::Title);
    const ReportBand* pageHeader = bandOf(ReportBand::PageHeader);
    const ReportBand* pageFooter = bandOf(ReportBand::PageFooter);
    const ReportBand* groupHeader = bandOf(ReportBand::GroupHeader);
    const ReportBand* groupFooter = bandOf(ReportBand::GroupFooter);
    const ReportBand* data = bandOf(ReportBand::Data);
    const ReportBand* summary = bandOf(ReportBand::Summary);

    Context ctx;
    static const Dataset empty;
    if (data) {
        ctx.dataset = dataset(data->dataset);
        ctx.datasetName = data->dataset;
        ctx.bandName = data->name;
        if (!ctx.dataset) {
            m_warnings << QStringLiteral("datová sada „%1“ není připojena").arg(data->dataset);
            ctx.dataset = &empty;
        }
    } else {
        ctx.dataset = &empty;
    }
    const int rowCount = int(ctx.dataset->rows.size());
    ctx.rangeBegin = 0;
    ctx.rangeEnd = rowCount;
    ctx.row = rowCount > 0 ? 0 : -1;

    QTextDocument measure;
    auto heightOf = [&](const QString& html) {
        setupDocument(measure, m_font, contentWidth, html);
        return measure.size().height();
    };

    PreparedPage current;
    double y = 0;
    double footerHeight = 0;
    QString footerHtml;
    auto startPage = [&]() {
        current = PreparedPage();
        current.sizeMm = size;
        current.marginLeftMm = page.marginLeft;
        current.marginTopMm = page.marginTop;
        current.contentWidthPx = contentWidth;
        current.font = m_font;
        y = 0;
        if (pageHeader) {
            const QString html = expandBand(*pageHeader, ctx);
            const double h = heightOf(html);
            current.items << PreparedItem{y, h, html};
            y += h;
        }
    };
    const int headerItems = pageHeader ? 1 : 0;
    auto finishPage = [&]() {
        if (pageFooter) {
            const QString html = expandBand(*pageFooter, ctx);
            const double h = heightOf(html);
            const double at = page.roll ? y : contentHeight - h;
            current.items << PreparedItem{at, h, html};
            if (page.roll)
                y += h;
        }
        if (page.roll)
            current.sizeMm.setHeight(std::max(40.0, pxToMm(y) + page.marginTop + page.marginBottom));
        m_pages << current;
    };
    auto place = [&](const QString& html) {
        const double h = heightOf(html);
        if (!page.roll && y + h > contentHeight - footerHeight && current.items.size() > headerItems) {
            finishPage();
            startPage();
        }
        current.items << PreparedItem{y, h, html};
        y += h;
    };

    if (pageFooter) {
        footerHtml = expandBand(*pageFooter, ctx);
        footerHeight = heightOf(footerHtml);
    }

    startPage();
    if (title)
        place(expandBand(*title, ctx));

    if (data) {
        QString groupValue;
        int groupStart = 0;
        for (int r = 0; r < rowCount; ++r) {
            ctx.row = r;
            if (groupHeader) {
                bool ok = true;
                const QString value = plainText(evaluate(groupHeader->groupExpression, ctx, &ok));
                if (r == 0 || value != groupValue) {
                    groupValue = value;
                    groupStart = r;
                    // The group's rows, for aggregates in its header and footer.
                    int end = r + 1;
                    Context probe = ctx;
                    for (; end < rowCount; ++end) {
                        probe.row = end;
                        if (plainText(evaluate(groupHeader->groupExpression, probe, &ok)) != groupValue)
                            break;
                    }
                    ctx.rangeBegin = groupStart;
                    ctx.rangeEnd = end;
                    place(expandBand(*groupHeader, ctx));
                }
            }
            if (!groupHeader) {
                ctx.rangeBegin = 0;
                ctx.rangeEnd = rowCount;
            }
            place(expandBand(*data, ctx));
            if (groupHeader && groupFooter) {
                bool ok = true;
                Context next = ctx;
                next.row = r + 1;
                const bool last = r + 1 >= rowCount ||
                                  plainText(evaluate(groupHeader->groupExpression, next, &ok)) != groupValue;
                if (last)
                    place(expandBand(*groupFooter, ctx));
            }
        }
    }

    ctx.rangeBegin = 0;
    ctx.rangeEnd = rowCount;
    ctx.row = rowCount > 0 ? rowCount - 1 : -1;
    if (summary)
        place(expandBand(*summary, ctx));
    finishPage();

    const QString total = QString::number(m_pages.size());
    for (int i = 0; i < m_pages.size(); ++i) {
        for (PreparedItem& item : m_pages[i].items) {
            item.html.replace(pageMarker, QString::number(i + 1));
            item.html.replace(totalMarker, total);
        }
    }
}

QSizeF Report::pageSizePx(const PreparedPage& page)
{
    return QSizeF(mmToPx(page.sizeMm.width()), mmToPx(page.sizeMm.height()));
}

void Report::paintPage(QPainter& p, const PreparedPage& page, double scale)
{
    p.save();
    p.scale(scale, scale);
    p.fillRect(QRectF(QPointF(0, 0), pageSizePx(page)), Qt::white);
    const double left = mmToPx(page.marginLeftMm);
    const double top = mmToPx(page.marginTopMm);
    for (const PreparedItem& item : page.items) {
        QTextDocument doc;
        setupDocument(doc, page.font, page.contentWidthPx, item.html);
        p.save();
        p.translate(left, top + item.y);
        QAbstractTextDocumentLayout::PaintContext ctx;
        ctx.palette.setColor(QPalette::Text, Qt::black);
        ctx.clip = QRectF(0, 0, page.contentWidthPx, item.height + 1);
        doc.documentLayout()->draw(&p, ctx);
        p.restore();
    }
    p.restore();
}

bool Report::renderPages(const QVector<PreparedPage>& pages, QPagedPaintDevice& device)
{
    if (pages.isEmpty())
        return false;
    auto layoutFor = [](const PreparedPage& page) {
        return QPageLayout(QPageSize(page.sizeMm, QPageSize::Millimeter), QPageLayout::Portrait,
                           QMarginsF(0, 0, 0, 0));
    };
    device.setPageLayout(layoutFor(pages.first()));
    QPainter p;
    if (!p.begin(&device))
        return false;
    for (int i = 0; i < pages.size(); ++i) {
        if (i > 0) {
            device.setPageLayout(layoutFor(pages[i]));
            if (!device.newPage())
                return false;
        }
        // Device pixels per layout pixel; the full-page rectangle starts at the paper's edge.
        const double scale = device.logicalDpiX() / Report::layoutDpi;
        paintPage(p, pages[i], scale);
    }
    return p.end();
}

bool Report::exportPdf(const QVector<PreparedPage>& pages, const QString& file, const QString& title)
{
    QPdfWriter writer(file);
    writer.setResolution(600);
    writer.setCreator(QStringLiteral("Vornix"));
    if (!title.isEmpty())
        writer.setTitle(title);
    return renderPages(pages, writer);
}

QImage Report::pageImage(const PreparedPage& page, double zoom)
{
    const QSizeF px = pageSizePx(page) * zoom;
    QImage image(std::max(1, qCeil(px.width())), std::max(1, qCeil(px.height())),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    paintPage(p, page, zoom);
    p.end();
    return image;
}
