#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVarLengthArray>

// A sheet saved as CSV by a spreadsheet or an accounting program: a line of column titles (the
// first, or one of the first few below a caption: the first with two titles the import knows),
// then one record per line. The separator (";", "," or tab) is the one the first lines use most; fields may
// be quoted, with the separator, line breaks or doubled quotes inside; lines end in CR LF, LF or CR. The text
// is UTF-8 (with or without a byte-order mark) when the bytes are valid UTF-8, Windows-1252 otherwise.

enum class SheetEncoding { Utf8, Utf8WithBom, Windows1252 };

// One record after the titles: its fields trimmed of the blanks around them, and the line of
// the file it starts on (1-based, as an editor numbers them). A blank line is a record without
// fields. The fields are kept one after the other in one text, so that a large sheet costs few
// allocations.
struct SheetRecord {
    int lineNumber = 0;
    QString text;
    // Where each field ends in the text; a field starts where the one before it ends. Held in
    // place for the usual handful of columns.
    QVarLengthArray<qsizetype, 8> ends;

    qsizetype fieldCount() const { return ends.size(); }
    bool isBlank() const { return ends.isEmpty(); }
    // Empty for a field the record does not have.
    QStringView field(qsizetype i) const
    {
        if (i < 0 || i >= ends.size())
            return {};
        const qsizetype start = i == 0 ? 0 : ends[i - 1];
        return QStringView(text).sliced(start, ends[i] - start);
    }
    QStringList fields() const
    {
        QStringList all;
        for (qsizetype i = 0; i < ends.size(); ++i)
            all << field(i).toString();
        return all;
    }
};

struct Sheet {
    char separator = ';';
    SheetEncoding encoding = SheetEncoding::Utf8;
    QStringList titles;
    int titleLine = 1;
    QList<SheetRecord> records;
};

// The separator the first lines of the text use most, outside quotes; ";" when they have none.
char sheetSeparator(QByteArrayView bytes);

// How the bytes are encoded.
SheetEncoding sheetEncoding(QByteArrayView bytes);

// Reads the whole text. Lines before the titles (blank ones, a caption) are passed over. A quote left open
// runs to the end of the text, as spreadsheets read it; only a text too large for memory is refused, with an
// AppError, never read in part.
Sheet readSheet(QByteArrayView bytes);

// Only the title line, for telling a sheet from a declaration file without reading it all.
QStringList sheetTitles(QByteArrayView bytes);
