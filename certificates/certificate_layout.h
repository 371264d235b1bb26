#pragma once

#include "report/report_definition.h"

#include <QString>
#include <QStringList>

// The withholding certificate the agent gives each supplier: one A4 page per withholding,
// drawn as one detail band that fills the page, so the report engine starts a new page for
// every row. The band's data fields read these columns of the row source:
//   NROCOM, FECHA, PERIODO          the certificate number, date of the withholding, MM/YYYY
//   AGENTE, AGENTECUIT, LEGAJO      the withholding agent
//   PROVEEDOR, PROVEEDORCUIT        the supplier (a name of 60 capitals fits its line)
//   IMPORTE, RETENIDO               invoice amount and amount withheld, "12400.00"
//   LETRAS1 to LETRAS3              "SON PESOS ..." in words, in lines that fit the page
//   LUGARFECHA                      "Lugar y fecha: ..."
//   FIRMA1, FIRMA2                  the agent's name under the signature line
ReportDefinition CertificateReport();

// The column names above, in the order the row source lists them.
QStringList certificateColumns();

enum class CertificateText { Words, Signer };

// The text broken at blanks into the lines its place on the page holds (three for the amount in
// words, two for the name under the signature line), each no wider than that place in its font, as far as a
// word allows; the last line takes what is left. Always as many lines as the place has, the unused ones
// empty.
QStringList wrapCertificateText(const QString &text, CertificateText where);
