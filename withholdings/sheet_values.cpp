#include "withholdings/sheet_values.h"

#include "common/codepage.h"

#include <QDate>

namespace {
constexpr qsizetype NameWidth = 60;
constexpr qsizetype WholeDigits = 9;
constexpr qsizetype ReceiptDigits = 13;

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool allDigits(QStringView text)
{
    for (const QChar c : text)
        if (!isDigit(c))
            return false;
    return true;
}

// The amount without its currency sign and blanks; the sign of a negative amount
// ("-", or parentheses as accountants write it) is noted and dropped.
QString bareAmount(QStringView cell, bool *negative = nullptr)
{
    QString bare;
    bare.reserve(cell.size());
    for (const QChar c : cell) {
        if (c.isSpace() || c == QLatin1Char('$'))
            continue;
        if (c == QLatin1Char('-') || c == QLatin1Char('(') || c == QLatin1Char(')')) {
            if (negative)
                *negative = true;
            continue;
        }
        bare += c;
    }
    return bare;
}

// Whole digits grouped by thousands: 1 to 3 digits, then groups of exactly three.
bool validGroups(QStringView whole, QChar group)
{
    qsizetype run = 0;
    bool first = true;
    for (const QChar c : whole) {
        if (c == group) {
            if (run == 0 || run > 3 || (!first && run != 3))
                return false;
            first = false;
            run = 0;
        } else if (isDigit(c)) {
            ++run;
        } else {
            return false;
        }
    }
    return first ? run > 0 : run == 3;
}

} // namespace

NumberFormat decideNumberFormat(const QList<QStringView> &amounts)
{
    int commaVotes = 0, dotVotes = 0, lonelyCommas = 0, lonelyDots = 0;
    for (const QStringView cell : amounts) {
        // Separators and the digits after the last one; blanks and signs tell nothing.
        int commas = 0, dots = 0, digitsAfter = 0;
        QChar last;
        for (const QChar c : cell) {
            if (c == QLatin1Char(',') || c == QLatin1Char('.')) {
                (c == QLatin1Char(',') ? commas : dots)++;
                last = c;
                digitsAfter = 0;
            } else if (isDigit(c)) {
                ++digitsAfter;
            }
        }
        if (commas > 0 && dots > 0)
            (last == QLatin1Char(',') ? commaVotes : dotVotes)++;
        else if (commas > 1)
            ++dotVotes;
        else if (dots > 1)
            ++commaVotes;
        else if (commas == 1)
            (digitsAfter == 3 ? lonelyCommas : commaVotes)++;
        else if (dots == 1)
            (digitsAfter == 3 ? lonelyDots : dotVotes)++;
    }
    if (commaVotes != dotVotes)
        return commaVotes > dotVotes ? NumberFormat::CommaDecimal : NumberFormat::DotDecimal;
    return lonelyCommas > lonelyDots ? NumberFormat::DotDecimal : NumberFormat::CommaDecimal;
}

SheetAmount sheetAmount(QStringView cell, NumberFormat format)
{
    bool negative = false;
    const QString bare = bareAmount(cell, &negative);
    if (bare.isEmpty())
        return {{}, QStringLiteral("en blanco")};
    if (negative)
        return {{}, QStringLiteral("%1 negativo").arg(quotedCell(cell))};
    const QChar decimal = format == NumberFormat::CommaDecimal ? QLatin1Char(',') : QLatin1Char('.');
    const QChar group = format == NumberFormat::CommaDecimal ? QLatin1Char('.') : QLatin1Char(',');
    const qsizetype point = bare.indexOf(decimal);
    if (point >= 0 && bare.indexOf(decimal, point + 1) >= 0)
        return {{}, QStringLiteral("%1 no válido").arg(quotedCell(cell))};
    const QStringView whole = QStringView(bare).first(point < 0 ? bare.size() : point);
    const QStringView fraction = point < 0 ? QStringView() : QStringView(bare).sliced(point + 1);
    if ((whole.isEmpty() && fraction.isEmpty()) || !allDigits(fraction) ||
        !(whole.isEmpty() || allDigits(whole) || validGroups(whole, group)))
        return {{}, QStringLiteral("%1 no válido").arg(quotedCell(cell))};
    if (fraction.size() > 2)
        return {{}, QStringLiteral("%1 con más de dos decimales").arg(quotedCell(cell))};
    // The whole digits without their groups and leading zeros, a point, two decimals.
    QString text(whole.size() + 4, Qt::Uninitialized);
    qsizetype length = 0;
    for (const QChar c : whole) {
        if (c == group || (length == 0 && c == QLatin1Char('0')))
            continue;
        text[length++] = c;
    }
    if (length > WholeDigits)
        return {{}, QStringLiteral("%1 demasiado grande").arg(quotedCell(cell))};
    if (length == 0)
        text[length++] = QLatin1Char('0');
    text[length++] = QLatin1Char('.');
    text[length++] = fraction.size() > 0 ? fraction[0] : QLatin1Char('0');
    text[length++] = fraction.size() > 1 ? fraction[1] : QLatin1Char('0');
    text.truncate(length);
    return {text, {}};
}

QString sheetDate(QStringView cell)
{
    QStringView date = cell.trimmed();
    // A time after the date ("05/03/2017 00:00", "2017-03-05T00:00:00") is not part of it.
    for (const QChar end : {QLatin1Char(' '), QLatin1Char('T')}) {
        const qsizetype at = date.indexOf(end);
        if (at >= 0)
            date = date.first(at);
    }
    // Three runs of digits between two separators of one kind.
    int parts[3] = {0, 0, 0};
    qsizetype widths[3] = {0, 0, 0};
    int part = 0;
    QChar separator;
    for (const QChar c : date) {
        if (isDigit(c)) {
            if (++widths[part] > 4)
                return {};
            parts[part] = parts[part] * 10 + (c.unicode() - '0');
        } else if ((c == QLatin1Char('/') || c == QLatin1Char('-') || c == QLatin1Char('.')) &&
                   (separator.isNull() || c == separator) && part < 2) {
            separator = c;
            ++part;
        } else {
            return {};
        }
    }
    if (part != 2 || widths[0] == 0 || widths[1] == 0 || widths[2] == 0)
        return {};
    int year, month, day;
    if (widths[0] == 4) {
        if (widths[1] > 2 || widths[2] > 2)
            return {};
        year = parts[0];
        month = parts[1];
        day = parts[2];
    } else {
        if (widths[0] > 2 || widths[1] > 2 || (widths[2] != 2 && widths[2] != 4))
            return {};
        day = parts[0];
        month = parts[1];
        year = widths[2] == 2 ? 2000 + parts[2] : parts[2];
    }
    if (!QDate::isValid(year, month, day) || year < 1000 || year > 9999)
        return {};
    QString text(10, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    const auto put = [&out](int value, int width) {
        for (int i = width - 1; i >= 0; --i, value /= 10)
            out[i] = u'0' + value % 10;
        out += width;
    };
    put(day, 2);
    *out++ = u'/';
    put(month, 2);
    *out++ = u'/';
    put(year, 4);
    return text;
}

QString sheetCuit(QStringView cell)
{
    // Built in place: every row of a large sheet comes through here.
    char16_t digits[11];
    int count = 0;
    for (const QChar c : cell) {
        if (isDigit(c)) {
            if (count == 11)
                return {};
            digits[count++] = c.unicode();
        } else if (!(c.isSpace() || c == QLatin1Char('-') || c == QLatin1Char('.') ||
                     c == QLatin1Char('/'))) {
            return {};
        }
    }
    if (count != 11)
        return {};
    QString cuit(13, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(cuit.data());
    std::copy(digits, digits + 2, out);
    out[2] = u'-';
    std::copy(digits + 2, digits + 10, out + 3);
    out[11] = u'-';
    out[12] = digits[10];
    return cuit;
}

QString sheetReceipt(QStringView cell)
{
    QString digits(std::min<qsizetype>(cell.size(), ReceiptDigits), Qt::Uninitialized);
    qsizetype count = 0;
    bool nonZero = false;
    for (const QChar c : cell) {
        if (isDigit(c)) {
            if (count == ReceiptDigits)
                return {};
            digits[count++] = c;
            nonZero = nonZero || c != QLatin1Char('0');
        } else if (!(c.isSpace() || c == QLatin1Char('-'))) {
            return {};
        }
    }
    if (!nonZero)
        return {};
    digits.truncate(count);
    return digits;
}

SheetName sheetName(QStringView cell)
{
    QString text = cell.toString();
    for (QChar &c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c.category() == QChar::Separator_Line ||
            c.category() == QChar::Separator_Paragraph)
            c = QLatin1Char(' ');
    SheetName name;
    // Printable Latin-1 is the same in Windows-1252; anything else goes there and back.
    bool latin1 = true;
    for (const QChar c : text)
        latin1 = latin1 && ((c.unicode() >= 0x20 && c.unicode() < 0x7f) ||
                            (c.unicode() >= 0xa0 && c.unicode() <= 0xff));
    name.text = latin1 ? text : FromSystemCodePage(ToSystemCodePage(text));
    name.replaced = name.text != text;
    if (name.text.size() > NameWidth) {
        name.text.truncate(NameWidth);
        name.cut = true;
    }
    name.text = name.text.trimmed();
    return name;
}

QString quotedCell(QStringView cell)
{
    constexpr qsizetype Shown = 30;
    return QLatin1Char('"') +
           (cell.size() > Shown ? cell.first(Shown).toString() + QStringLiteral("...") : cell.toString()) +
           QLatin1Char('"');
}
