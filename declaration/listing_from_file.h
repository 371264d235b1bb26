#pragma once

#include "declaration/filed_declaration.h"
#include "report/report_engine.h"

struct ReportDefinition;

// The listing of a recorded declaration made again from its declaration file, for when its PDF
// is gone: one line per record of the file, in file order (the receipt number as the file holds
// it), the period line from the record in DECLARACION, the total of the file's withheld amounts,
// and the last page's line with the file's rows and fingerprint. Written to `pdfPath` as every
// listing is. Raises the errors of reading the file and of the export.
ReportRun writeListingFromFile(ReportDefinition &report, const FiledDeclaration &d, const QString &pdfPath);

// The listing of a recorded declaration to open: its PDF where it was written, or, when that is
// gone, one made again from the declaration file at the same place, once the file is found to be
// the one recorded. Raises FileError with what the clerk reads when neither can be had (the file
// is on another machine, gone, changed or unreadable, or the listing cannot be written).
QString listingToOpen(const FiledDeclaration &d, ReportDefinition &report,
                      const QString &machine = thisMachine());

// The folder of a recorded declaration's file to open; FileError when it is on another machine
// or gone.
QString folderToOpen(const FiledDeclaration &d, const QString &machine = thisMachine());
