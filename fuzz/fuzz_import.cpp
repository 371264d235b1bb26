// Imports arbitrary bytes as a declaration-format file: the import either returns rows that
// hold together or raises one of the program's own errors, and the file is closed either way.
#include "declaration_import.h"
#include "errors.h"
#include "numbers.h"
#include "text_file.h"
#include "text_helpers.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "import invariant broken: %s\n", what);
    std::abort();
}

// One file for the whole run, removed when the fuzzer exits.
struct ScratchFile {
    ScratchFile()
    {
        char pattern[] = "/tmp/fuzz_import_XXXXXX";
        const int fd = ::mkstemp(pattern);
        if (fd < 0)
            fail("no scratch file");
        ::close(fd);
        name = QFile::decodeName(pattern);
    }
    ~ScratchFile() { QFile::remove(name); }
    QString name;
};

const QString &scratchFile()
{
    static const ScratchFile file;
    return file.name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    {
        QFile out(scratchFile());
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size())
            fail("cannot write the scratch file");
    }

    TextFile ff;
    try {
        const ImportedFile imported = importDeclarationFile(ff, scratchFile());
        if (ff.isOpen())
            fail("the file stays open after an import");
        // Each row comes from a line of its own, and no line has more bytes than the file.
        if (imported.rows.size() > bytes.count('\n') + 1)
            fail("more rows than lines");
        if (imported.mismatches.size() > imported.rows.size())
            fail("more mismatches than rows");
        for (const GridModel::RowCells &row : imported.rows) {
            if (TrimBlanks(row[0]).isEmpty())
                fail("a row without a receipt number would be a gap");
            bool whole = false;
            row[3].toLongLong(&whole);
            if (!whole)
                fail("the withheld amount is no whole number");
            // The grid's total parses it; it must take it.
            try {
                ParseDecimal(row[3]);
            } catch (const AppError &) {
                fail("the total refuses the withheld amount");
            }
        }
        int previous = 0;
        for (const AmountMismatch &m : imported.mismatches) {
            if (m.lineNumber <= previous)
                fail("mismatches out of line order");
            previous = m.lineNumber;
        }
        if (imported.amountsDisagree() && mismatchDetails(imported.mismatches).isEmpty())
            fail("a mismatch without details");
    } catch (const AppError &) {
        if (ff.isOpen())
            fail("the file stays open after an error");
        TakeIoError();
    }
    return 0;
}
