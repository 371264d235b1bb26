#include "withholdings/declaration_import.h"

#include "common/codepage.h"
#include "common/numbers.h"
#include "common/regional.h"
#include "common/text_file.h"
#include "common/text_helpers.h"
#include "withholdings/declaration_line.h"
#include "withholdings/declaration_record.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <cstring>

namespace {
// An amount kept as a double brought to a whole number: the fraction is dropped unless it is
// greater than one half. The same rule as manual entry's, on 64 bits so that an amount
// written with an exponent cannot wrap round into a plausible one.
qint64 wholeAmount(Decimal amount)
{
    const Decimal y = StoreAsDouble(amount);
    const qint64 t = TruncToInteger(y);
    const Decimal f = StoreAsDouble(DecimalDifference(y, static_cast<Decimal>(t)));
    return f > 0.5L ? t + 1 : t;
}

// A field's bytes of a line at least a record wide.
QByteArrayView rawField(QByteArrayView line, RecordField f)
{
    const RecordFieldLayout &layout = recordLayout(f);
    return line.sliced(layout.first - 1, layout.width);
}

bool onlyDigits(QByteArrayView bytes)
{
    for (const char c : bytes)
        if (c < '0' || c > '9')
            return false;
    return true;
}

qint64 digitsValue(QByteArrayView digits)
{
    qint64 n = 0;
    for (const char c : digits)
        n = n * 10 + (c - '0');
    return n;
}

// The amount text of an amount field of digits: 000012400.00.
QString amountText(QByteArrayView digits)
{
    QString text(digits.size() + 1, Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i == digits.size() - 2)
            *out++ = QLatin1Char('.');
        *out++ = QLatin1Char(digits[i]);
    }
    return text;
}

// The code page's characters for the bytes 128 to 255; the bytes below read as themselves.
struct HighCharacters {
    std::array<char16_t, 128> unicode{};
    bool lowIsAscii = true;
    HighCharacters()
    {
        QByteArray all(256, Qt::Uninitialized);
        for (int b = 0; b < 256; ++b)
            all[b] = static_cast<char>(b);
        const QString text = FromSystemCodePage(all);
        lowIsAscii = text.size() == 256;
        for (int b = 0; lowIsAscii && b < 128; ++b)
            lowIsAscii = text[b].unicode() == b;
        for (int b = 128; lowIsAscii && b < 256; ++b)
            unicode[b - 128] = text[b].unicode();
    }
};

const HighCharacters &highCharacters()
{
    static const HighCharacters table;
    return table;
}

// The bytes as the code page reads them, into text (its room is used again): Latin-1 widened
// at once, then the bytes above 127 mended, a word of eight at a time skipping those that have
// none.
void decodeLine(QByteArrayView bytes, QString &text)
{
    text.resize(0);
    text.append(QLatin1StringView(bytes));
    const std::array<char16_t, 128> &high = highCharacters().unicode;
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    const qsizetype size = bytes.size();
    for (qsizetype at = 0; at < size; at += 8) {
        const qsizetype stop = std::min<qsizetype>(at + 8, size);
        if (stop - at == 8) {
            quint64 word;
            std::memcpy(&word, bytes.data() + at, sizeof word);
            if ((word & 0x8080808080808080ULL) == 0)
                continue;
        }
        for (qsizetype i = at; i < stop; ++i) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            if (b >= 128)
                out[i] = high[b - 128];
        }
    }
}

QString trimmedField(const QString &line, RecordField f)
{
    return TrimBlanksView(recordFieldView(line, f)).toString();
}

// The usual line of a declaration, taken from its bytes: no CR or end-of-file mark within it,
// at least a whole record, the receipt and both amounts all digits, a date of eight printable
// characters (and, as the caller sees to, the decimal point as the separator). It converts as
// importLine converts its text, without the detours a text of any shape needs, and gives the
// line's text; false for any other line, which importLine converts.
bool importPlainLine(QByteArrayView bytes, int lineNumber, std::optional<ImportedLine> &result, QString &line)
{
    constexpr char EndOfFileMark = 26;
    if (bytes.size() < DeclarationRecordWidth || !highCharacters().lowIsAscii || bytes.contains('\r') ||
        bytes.contains(EndOfFileMark))
        return false;
    const QByteArrayView receipt = rawField(bytes, RecordField::Receipt);
    const QByteArrayView invoice = rawField(bytes, RecordField::InvoiceAmount);
    const QByteArrayView withheld = rawField(bytes, RecordField::WithheldAmount);
    const QByteArrayView date = rawField(bytes, RecordField::Date);
    if (!onlyDigits(receipt) || !onlyDigits(invoice) || !onlyDigits(withheld))
        return false;
    for (const char c : date)
        if (c <= ' ' || c > '~')
            return false;
    result.reset();
    if (digitsValue(receipt) <= 0)
        return true;

    decodeLine(bytes, line);
    const WithheldCheck check = checkWithheldHundredths(digitsValue(invoice), digitsValue(withheld));
    ImportedLine &imported = result.emplace();
    Withholding &row = imported.row;
    row.supplierCuit = trimmedField(line, RecordField::SupplierCuit);
    QString dateText(10, Qt::Uninitialized);
    QChar *out = dateText.data();
    for (int i = 0; i < 8; ++i) {
        if (i == 2 || i == 4)
            *out++ = QLatin1Char('/');
        *out++ = QLatin1Char(date[i]);
    }
    row.date = std::move(dateText);
    row.withheldAmount = Int64Text(check.declared);
    row.receipt = QString::fromLatin1(receipt);
    row.companyName = trimmedField(line, RecordField::CompanyName);
    row.invoiceAmount = amountText(invoice);
    if (!check.agrees) {
        imported.mismatch = AmountMismatch{lineNumber, row.receipt, row.invoiceAmount, amountText(withheld),
                                           Int64Text(check.expected)};
    }
    return true;
}
} // namespace

std::optional<ImportedLine> importLine(const QString &line, int lineNumber)
{
    // Receipts have up to 13 digits, as manual entry takes them.
    if (ParseInt64(recordFieldView(line, RecordField::Receipt)) <= 0)
        return std::nullopt;

    const QString invoiceText = amountTextFromField(recordFieldView(line, RecordField::InvoiceAmount));
    const Decimal invoice = ParseDecimal(invoiceText);
    // The reload's row: the date comes from the record's own date field, so a confirmed
    // import writes the withholding dates back unchanged.
    const DeclarationLine read = readDeclarationLine(line);
    const WithheldCheck check = checkWithheldAmount(invoice, read.withheldAmount);

    ImportedLine result;
    result.row = read.row;
    result.row.withheldAmount = QString::number(check.declared);
    if (!check.agrees) {
        result.mismatch = AmountMismatch{lineNumber, read.row.receipt, read.row.invoiceAmount,
                                         read.row.withheldAmount, QString::number(check.expected)};
    }
    return result;
}

WithheldCheck checkWithheldAmount(Decimal invoice, Decimal stored)
{
    const Decimal x = StoreAsDouble(DecimalQuotient(DecimalProduct(invoice, 5), 1000));
    // The amount that reaches the grid is the stored one rounded, so it is that amount, not
    // the stored whole part, that must be manual entry's: 62.51 would be declared as 63.
    // No rule gives a negative amount, whatever the other one says.
    WithheldCheck check;
    check.expected = wholeAmount(x);
    check.declared = wholeAmount(stored);
    check.agrees = invoice >= 0 && stored >= 0 &&
                   (IntegralPart(stored) == IntegralPart(x) || check.declared == check.expected);
    return check;
}

WithheldCheck checkWithheldHundredths(qint64 invoice, qint64 stored)
{
    // The rate gives invoice / 20000 units. Below 10^11 hundredths the extended and double
    // roundings of the amounts move them by far less than the 1/20000 between two results,
    // and a whole amount or one and a half comes out exact, so the whole parts and the
    // comparisons with one half are those of the exact fractions.
    WithheldCheck check;
    const qint64 rateWhole = invoice / 20000;
    check.expected = rateWhole + (invoice % 20000 > 10000 ? 1 : 0);
    check.declared = stored / 100 + (stored % 100 > 50 ? 1 : 0);
    check.agrees = stored / 100 == rateWhole || check.declared == check.expected;
    return check;
}

ImportedFile importDeclarationFile(TextFile &ff, const QString &path)
{
    CloseOnError guard(ff);
    BindTextFile(ff, path);
    LoadTextFile(ff);
    CheckIo();
    return importDeclarationText(ff);
}

QByteArray loadImportedFile(TextFile &ff, const QString &path)
{
    CloseOnError guard(ff);
    BindTextFile(ff, path);
    LoadTextFile(ff);
    CheckIo();
    return LoadedBytes(ff);
}

ImportedFile importDeclarationText(TextFile &ff, const LineReview *review)
{
    CloseOnError guard(ff);
    ImportedFile result;
    result.rows.reserve(expectedRecords(ff.bufferedBytes()));
    if (!review)
        result.sources.reserve(result.rows.capacity());
    // A reviewed file's lines are read one after the other into the same text.
    QString reviewed;
    const bool decimalPoint = DecimalSeparator() == QLatin1Char('.');
    int lineNumber = 0;
    while (!AtTextEnd(ff)) {
        CheckIo();
        ++lineNumber;
        // The usual line is converted from its bytes; any other is decoded and converted as
        // text. The CRs that end a line (the record's end mark, the line break's) are no
        // part of its text either way.
        QByteArrayView raw;
        std::optional<ImportedLine> imported;
        QString kept;
        QString &line = review ? reviewed : kept;
        const auto withoutEnd = [](QByteArrayView bytes) {
            while (bytes.endsWith('\r'))
                bytes.chop(1);
            return bytes;
        };
        if (decimalPoint && PeekLineBytes(ff, raw) &&
            importPlainLine(withoutEnd(raw), lineNumber, imported, line)) {
            SkipPastLineEnd(ff);
        } else {
            line = ReadLineText(ff);
            SkipPastLineEnd(ff);
            CheckIo();
            imported = importLine(line, lineNumber);
        }
        if (!imported)
            continue;
        result.rows.append(std::move(imported->row));
        if (review)
            review->review(lineNumber, line, result.toReview);
        else
            result.sources.append({lineNumber, std::move(line)});
        if (imported->mismatch)
            result.mismatches.append(*imported->mismatch);
    }
    CheckIo();
    CloseTextFile(ff);
    CheckIo();
    return result;
}

QString mismatchDetails(const QList<AmountMismatch> &mismatches)
{
    QStringList lines;
    for (const AmountMismatch &m : mismatches) {
        lines << QStringLiteral("Línea %1, Comprobante %2: Importe Comp. %3, Importe Ret. %4, "
                                "corresponde %5")
                     .arg(m.lineNumber)
                     .arg(m.receipt, m.invoiceAmount, m.storedAmount, m.expectedAmount);
    }
    return lines.join(QLatin1Char('\n'));
}
