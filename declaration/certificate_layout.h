#pragma once

#include "report/report_definition.h"

#include <QString>
#include <QStringList>

// The withholding certificate the agent gives each supplier: one A4 page per withholding,
// drawn as one detail band that fills the page, so the report engine starts a new page for
// every row. The band's data fields read these columns of the row source:
//   NROCOM, FECHA, PERIODO          the certificate number, date of the withholding, MM/YYYY
//   AGENTE, AGENTECUIT, LEGAJO      the withholding agent
//   PROVEEDOR, PROVEEDORCUIT        the supplier
//   IMPORTE, RETENIDO               invoice amount and amount withheld, "12400.00"
//   LETRAS1 to LETRAS3              "SON PESOS ..." in words, broken into lines that fit
//   LUGARFECHA                      "Lugar y fecha: ..."
ReportDefinition CertificateReport();

// The column names above, in the order the row source lists them.
QStringList certificateColumns();

// The text broken at blanks into lines no wider than the amount-in-words line of the page,
// in the font that line uses; at most three lines (the longest amount takes two).
QStringList wrapAmountWords(const QString &text);
