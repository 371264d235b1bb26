#pragma once

#include "report/report_definition.h"
#include "report/row_source.h"

#include <QImage>

// A layout shaped like the declaration listing: logos, title, period line, column titles,
// five detail fields, the statement, the total label and the right-aligned total.
ReportDefinition listingLikeReport(const QImage &leftLogo, const QImage &rightLogo);

// A picture whose every pixel differs from its neighbours, so a wrong cut shows.
QImage patternImage(int width, int height);

// n rows of NROCOM, FECHA, CUIT, IMPORTE, RAZON; receipt numbers count from 1.
TableRowSource listingRows(int n);
