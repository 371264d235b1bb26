#pragma once

#include "common/text_file.h"
#include "withholdings/declaration_import.h"

#include <optional>

// The import as it was before it read the usual lines from their bytes: every line decoded as
// text, then converted by importLine. Kept as the reference the import is compared with.
inline ImportedFile lineByLineImport(TextFile &ff)
{
    CloseOnError guard(ff);
    ImportedFile result;
    int lineNumber = 0;
    while (!AtTextEnd(ff)) {
        CheckIo();
        const QString line = ReadLineText(ff);
        SkipPastLineEnd(ff);
        CheckIo();
        std::optional<ImportedLine> imported = importLine(line, ++lineNumber);
        if (!imported)
            continue;
        result.rows.append(imported->row);
        result.sources.append({lineNumber, line});
        if (imported->mismatch)
            result.mismatches.append(*imported->mismatch);
    }
    CheckIo();
    CloseTextFile(ff);
    CheckIo();
    return result;
}
