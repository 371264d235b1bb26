#pragma once

#include "report/report_definition.h"

#include <QImage>

// The PDF listing of a declaration, `Reporte`: page header with the two logos, the title,
// the period line `periodo` and the column titles; one detail line per row of RETEN
// (NROCOM, FECHA, CUIT, IMPORTE, RAZON); page footer with the sworn statement and the
// total `Qrtotal`, and on the last page the line `resumen` (rows, total and the declaration
// file's fingerprint). The generation sets the captions of `periodo`, `Qrtotal` and `resumen`
// before every export. A company name too long for the page ends in "..." at the right margin.
//
// leftLogo is the 232 x 107 picture of the window's top right, rightLogo the 213 x 107
// picture of its top left; each is cut, never scaled, to its item.
ReportDefinition ListingReport(const QImage &leftLogo, const QImage &rightLogo);
