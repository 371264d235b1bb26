#include "withholdings/sheet_reader.h"

#include "common/codepage.h"
#include "common/errors.h"
#include "withholdings/sheet_columns.h"

#include <QStringDecoder>
#include <csv.h>

namespace {
constexpr QByteArrayView ByteOrderMark("\xEF\xBB\xBF");

// A line break inside a quoted field moves the next record down as one outside does: CR LF,
// LF and a lone CR count one each.
int lineBreaks(const char *bytes, size_t size)
{
    int breaks = 0;
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] == '\n')
            ++breaks;
        else if (bytes[i] == '\r' && (i + 1 == size || bytes[i + 1] != '\n'))
            ++breaks;
    }
    return breaks;
}

// Collects libcsv's fields and record ends into records numbered by the line they start on.
class Collector {
public:
    Collector(SheetEncoding encoding, qsizetype wanted)
        : utf8_(encoding != SheetEncoding::Windows1252), wanted_(wanted)
    {
    }

    static void field(void *bytes, size_t size, void *self)
    {
        static_cast<Collector *>(self)->addField(static_cast<const char *>(bytes), size);
    }
    static void recordEnd(int terminator, void *self)
    {
        static_cast<Collector *>(self)->endRecord(terminator);
    }

    bool enough() const { return wanted_ >= 0 && filled_ >= wanted_; }

    // libcsv passes over blanks outside fields without a word; its test for a blank tells.
    static int isBlank(unsigned char c)
    {
        const bool blank = c == ' ' || c == '\t';
        if (blank && current)
            current->blanksSeen = true;
        return blank;
    }
    static thread_local Collector *current;
    bool blanksSeen = false;

    QList<SheetRecord> records;

private:
    void addField(const char *bytes, size_t size)
    {
        if (enough())
            return;
        const qsizetype start = record_.text.size();
        const qsizetype length = static_cast<qsizetype>(size);
        if (utf8_ &&
            std::all_of(bytes, bytes + size, [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
            record_.text.append(QLatin1String(bytes, length));
        else if (utf8_)
            record_.text.append(QString::fromUtf8(bytes, length));
        else
            AppendFromSystemCodePage(record_.text, QByteArrayView(bytes, length));
        // Quoted fields keep their blanks; libcsv has taken them off the others.
        qsizetype end = record_.text.size();
        qsizetype first = start;
        while (first < end && record_.text[first].isSpace())
            ++first;
        while (end > first && record_.text[end - 1].isSpace())
            --end;
        if (first > start)
            record_.text.remove(start, first - start);
        end -= first - start;
        record_.text.truncate(end);
        record_.ends.append(end);
        breaksInRecord_ += lineBreaks(bytes, size);
    }

    void endRecord(int terminator)
    {
        if (enough())
            return;
        // Every line end outside quotes is reported; the LF of a CR LF pair comes as an empty
        // record of its own right after the CR's. Blanks between them make them two line ends.
        const bool pairedLineFeed =
            record_.ends.isEmpty() && terminator == '\n' && previous_ == '\r' && !blanksSeen;
        previous_ = pairedLineFeed ? 0 : terminator;
        blanksSeen = false;
        if (pairedLineFeed)
            return;
        record_.lineNumber = line_;
        if (record_.text.isEmpty())
            record_.ends.clear();
        else
            ++filled_;
        records.append(std::move(record_));
        record_ = SheetRecord();
        line_ += 1 + breaksInRecord_;
        breaksInRecord_ = 0;
    }

    bool utf8_;
    qsizetype wanted_;
    qsizetype filled_ = 0;
    SheetRecord record_;
    int line_ = 1;
    int breaksInRecord_ = 0;
    int previous_ = 0;
};

thread_local Collector *Collector::current = nullptr;

// The titles are looked for among the first lines with something in them: a sheet may have a
// caption above them ("Retenciones marzo 2017").
constexpr int TitleSearch = 10;

// The record of the titles: the first, among the first few that are not blank, with two titles
// the import knows; else the first that is not blank. records.size() when all are blank.
qsizetype titleRecord(const QList<SheetRecord> &records)
{
    qsizetype first = records.size();
    int looked = 0;
    for (qsizetype i = 0; i < records.size() && looked < TitleSearch; ++i) {
        if (records[i].isBlank())
            continue;
        ++looked;
        if (first == records.size())
            first = i;
        int known = 0;
        for (qsizetype f = 0; f < records[i].fieldCount() && known < 2; ++f)
            known += fieldOfTitle(records[i].field(f).toString()).has_value();
        if (known >= 2)
            return i;
    }
    return first;
}

// Reads records until the text ends or `wanted` records with something in them have been read
// (all of them when wanted is negative).
QList<SheetRecord> parse(QByteArrayView bytes, SheetEncoding encoding, char separator, qsizetype wanted)
{
    if (encoding == SheetEncoding::Utf8WithBom)
        bytes = bytes.sliced(ByteOrderMark.size());
    // libcsv fails only for want of memory (a field larger than memory, a quote never closed in
    // a huge file): the sheet is then refused whole rather than imported in part.
    const auto refuse = [] {
        throw AppError(QStringLiteral("La planilla es demasiado grande para leerla entera."));
    };
    struct Parser {
        csv_parser p;
        bool ready = csv_init(&p, CSV_REPALL_NL) == CSV_SUCCESS;
        ~Parser()
        {
            if (ready)
                csv_free(&p);
            Collector::current = nullptr;
        }
    } parser;
    if (!parser.ready)
        refuse();
    csv_set_delim(&parser.p, static_cast<unsigned char>(separator));
    csv_set_space_func(&parser.p, Collector::isBlank);
    Collector collector(encoding, wanted);
    Collector::current = &collector;
    // In pieces, so that the title line of a large file is found without reading it all.
    constexpr qsizetype Piece = 64 * 1024;
    for (qsizetype at = 0; at < bytes.size() && !collector.enough(); at += Piece) {
        const QByteArrayView piece = bytes.sliced(at, std::min(Piece, bytes.size() - at));
        const size_t used = csv_parse(&parser.p, piece.data(), static_cast<size_t>(piece.size()),
                                      Collector::field, Collector::recordEnd, &collector);
        if (used != static_cast<size_t>(piece.size()))
            refuse();
    }
    if (!collector.enough() &&
        csv_fini(&parser.p, Collector::field, Collector::recordEnd, &collector) != CSV_SUCCESS)
        refuse();
    return std::move(collector.records);
}
} // namespace

SheetEncoding sheetEncoding(QByteArrayView bytes)
{
    if (bytes.startsWith(ByteOrderMark))
        return SheetEncoding::Utf8WithBom;
    // Runs of ASCII pass untouched; what follows a byte of 0x80 or more is decoded a little at a
    // time, so that a large file is looked at without a copy of it.
    const char *data = bytes.data();
    const qsizetype size = bytes.size();
    qsizetype at = 0;
    while (at < size) {
        if (static_cast<unsigned char>(data[at]) < 0x80) {
            ++at;
            continue;
        }
        // A piece that ends inside a character would look wrong: it ends after an ASCII byte.
        qsizetype end = std::min(size, at + 4096);
        while (end < size && static_cast<unsigned char>(data[end - 1]) >= 0x80)
            ++end;
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString piece = decoder.decode(QByteArrayView(data + at, end - at));
        if (decoder.hasError())
            return SheetEncoding::Windows1252;
        at = end;
    }
    return SheetEncoding::Utf8;
}

char sheetSeparator(QByteArrayView bytes)
{
    // Over the first lines, not the first alone: a caption above the titles may have none.
    int semicolons = 0, commas = 0, tabs = 0;
    bool quoted = false;
    bool started = false;
    int lines = 0;
    for (const char c : bytes) {
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == '\r' || c == '\n')) {
            if (started && ++lines == TitleSearch)
                break;
            started = false;
            continue;
        } else if (!quoted && c == ';') {
            ++semicolons;
        } else if (!quoted && c == ',') {
            ++commas;
        } else if (!quoted && c == '\t') {
            ++tabs;
        }
        started = true;
    }
    if (semicolons >= commas && semicolons >= tabs)
        return ';';
    return tabs >= commas ? '\t' : ',';
}

Sheet readSheet(QByteArrayView bytes)
{
    Sheet sheet;
    sheet.encoding = sheetEncoding(bytes);
    sheet.separator = sheetSeparator(bytes);
    QList<SheetRecord> records = parse(bytes, sheet.encoding, sheet.separator, -1);
    const qsizetype title = titleRecord(records);
    if (title < records.size()) {
        sheet.titles = records[title].fields();
        sheet.titleLine = records[title].lineNumber;
        records.remove(0, title + 1);
        sheet.records = std::move(records);
    }
    return sheet;
}

QStringList sheetTitles(QByteArrayView bytes)
{
    const SheetEncoding encoding = sheetEncoding(bytes);
    const QList<SheetRecord> records = parse(bytes, encoding, sheetSeparator(bytes), TitleSearch);
    const qsizetype title = titleRecord(records);
    return title < records.size() ? records[title].fields() : QStringList();
}
