#pragma once

#include <QDate>
#include <QString>

class Report;
class ReportOutput;
class Till;

// The statement that collects the overview's rows into the temporary table tt; the middle line
// is the receipt list's date condition as last applied.
QString overviewSql(const QString& listDateCondition);

// "Seznam vydaných účtenek": the receipts sent in the list's range, in the template chosen by the
// VAT-payer setting, with the trader's name and the pickers' dates, shown in the preview window
// (or the designer in report design mode). tt is dropped whatever happens. Returns false when
// the template is missing (the operator was told which file).
bool seznamUctenek(Till& till, Report& report, ReportOutput& output, const QString& listDateCondition,
                   const QDate& from, const QDate& to);

// "d. m. yyyy" without leading zeros.
QString overviewDate(const QDate& d);
