#pragma once

#include "report/report_definition.h"

#include <QImage>

// The PDF listing of a declaration, `Reporte`: page header with the two logos, the title,
// the period line `periodo` and the column titles; one detail line per row of RETEN
// (NROCOM, FECHA, CUIT, IMPORTE, RAZON); page footer with the sworn statement and the
// total `Qrtotal`. The generation sets the captions of `periodo` and `Qrtotal` before
// every export.
//
// leftLogo is the 232 x 107 picture of the window's top right, rightLogo the 213 x 107
// picture of its top left; each is cut, never scaled, to its item.
ReportDefinition ListingReport(const QImage &leftLogo, const QImage &rightLogo);
