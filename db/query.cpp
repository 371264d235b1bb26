#include "db/query.h"

#include "db/connection.h"
#include "db/fb_api.h"
#include "db/named_parameters.h"
#include "db/transaction.h"

#include "common/codepage.h"
#include "common/errors.h"

#include <QList>
#include <QLocale>

#include <cstring>

using namespace Firebird;

namespace {

// The longest text a parameter message can carry.
constexpr qsizetype MaxTextBytes = 32765;

constexpr unsigned CharsetNone = 0;
constexpr unsigned CharsetUnicodeFss = 3;
constexpr unsigned CharsetUtf8 = 4;

struct Value {
    enum Kind { Null, Text, Double } kind = Null;
    QByteArray bytes;
    bool unicode = false; // bytes in UTF-8, else in the system code page
    double number = 0;
};

struct Column {
    QString name;
    unsigned type = 0;
    int scale = 0;
    unsigned length = 0;
    unsigned charset = 0;
    unsigned offset = 0;
    unsigned nullOffset = 0;
};

// Names match without regard to case. Case folding keeps a text's length, so a name of another
// length never matches, and most are told apart without folding a character: names are
// written in ASCII, whose letters fold here; any other character is left to Qt's folding.
bool sameName(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t x = a.at(i).unicode();
        const char16_t y = b.at(i).unicode();
        if (x == y)
            continue;
        if (x >= 0x80 || y >= 0x80)
            return a.compare(b, Qt::CaseInsensitive) == 0;
        const char16_t lower = x | 0x20;
        if (lower != (y | 0x20) || lower < u'a' || lower > u'z')
            return false;
    }
    return true;
}

bool isTextType(unsigned type)
{
    return type == SQL_TEXT || type == SQL_VARYING;
}

QString scaledText(qint64 value, int scale)
{
    if (scale >= 0)
        return QString::number(value) + QString(scale, QLatin1Char('0'));
    const bool negative = value < 0;
    // Through the unsigned type so that the smallest value keeps its digits.
    QString digits = QString::number(negative ? 0 - quint64(value) : quint64(value));
    const int decimals = -scale;
    if (digits.size() <= decimals)
        digits = QString(decimals + 1 - digits.size(), QLatin1Char('0')) + digits;
    digits.insert(digits.size() - decimals, QLatin1Char('.'));
    return negative ? QLatin1Char('-') + digits : digits;
}

double scaledNumber(qint64 value, int scale)
{
    long double factor = 1;
    for (int i = 0; i < (scale < 0 ? -scale : scale); ++i)
        factor *= 10;
    return double(scale < 0 ? value / factor : value * factor);
}

template <class T> T readAt(const QByteArray &buffer, unsigned offset)
{
    T value;
    std::memcpy(&value, buffer.constData() + offset, sizeof value);
    return value;
}

template <class T> void writeAt(QByteArray &buffer, unsigned offset, const T &value)
{
    std::memcpy(buffer.data() + offset, &value, sizeof value);
}

} // namespace

struct Query::Private {
    explicit Private(Transaction &t) : transaction(t) {}

    Transaction &transaction;
    NamedParameters parameters;
    QList<Value> values;

    FbApi::Ref<IStatement> statement;
    unsigned preparedGeneration = 0;

    // What the prepared statement is asked once: its type, its parameters as described, the
    // parameter message last built (each parameter's kind, code page and room for text) and
    // its output columns. A statement run row after row builds its messages once.
    struct Slot {
        Value::Kind kind = Value::Null;
        bool unicode = false;
        unsigned room = 0;
        bool exact = false; // room is this text's length, not the parameter's own
    };
    struct Place {
        unsigned offset = 0;
        unsigned nullOffset = 0;
    };
    bool described = false;
    unsigned statementType = 0;
    bool hasOutput = false;
    FbApi::Ref<IMessageMetadata> describedInput;
    FbApi::Ref<IMessageMetadata> inputMetadata;
    QList<Slot> slots;
    QList<Place> places;
    unsigned inputLength = 0;

    FbApi::Ref<IMessageMetadata> outputMetadata;
    QList<Column> columns;
    QByteArray row;
    FbApi::Ref<IResultSet> cursor;
    bool active = false;
    bool pendingRow = false; // a statement that returned its one row while running
    bool onRow = false;
    bool atEnd = false; // the engine refuses a fetch after the last row
    quint64 affected = 0;
    // The count is asked of the statement only when someone wants it: most statements run row
    // after row never need it.
    bool affectedAsked = true;

    void askAffected() noexcept
    {
        if (affectedAsked)
            return;
        affectedAsked = true;
        if (!statement || transaction.connection().generation() != preparedGeneration ||
            !transaction.connection().isOpen())
            return;
        try {
            FbApi::Status status;
            affected = statement->getAffectedRecords(status.get());
        } catch (const FbException &) {
            affected = 0;
        }
    }

    // A cursor outlives nothing of its attachment: once the connection was closed the
    // client must not be asked anything about it, only given its reference back.
    bool cursorOrphaned() const
    {
        const Connection &connection = transaction.connection();
        return !connection.isOpen() || connection.generation() != preparedGeneration;
    }

    void assign(const QString &name, Value value)
    {
        bool found = false;
        for (qsizetype i = 0; i < parameters.names.size(); ++i) {
            if (sameName(parameters.names.at(i), name)) {
                values[i] = value;
                found = true;
            }
        }
        if (!found)
            throw DatabaseError(QStringLiteral("Parameter \"%1\" not found").arg(name));
    }

    void forgetStatement()
    {
        askAffected();
        inputMetadata.reset();
        describedInput.reset();
        outputMetadata.reset();
        slots.clear();
        places.clear();
        described = false;
        statement.reset();
    }

    void prepare(ThrowStatusWrapper *status)
    {
        const Connection &connection = transaction.connection();
        if (statement && preparedGeneration == connection.generation())
            return;
        forgetStatement();
        const QByteArray text = ToSystemCodePage(parameters.sql);
        statement.reset(connection.attachment()->prepare(status, transaction.handle(), text.size(),
                                                         text.constData(), SQL_DIALECT_V6,
                                                         IStatement::PREPARE_PREFETCH_METADATA));
        preparedGeneration = connection.generation();
    }

    void describe(ThrowStatusWrapper *status)
    {
        if (described)
            return;
        statementType = statement->getType(status);
        describedInput.reset(statement->getInputMetadata(status));
        hasOutput = prepareOutput(status);
        described = true;
    }

    // Whether the message last built carries these values: the same kinds and code pages, and
    // room for every text as the message was built for it.
    bool messageFits() const
    {
        if (!inputMetadata || slots.size() != values.size())
            return false;
        for (qsizetype i = 0; i < values.size(); ++i) {
            const Value &v = values.at(i);
            const Slot &slot = slots.at(i);
            if (slot.kind != v.kind || slot.unicode != v.unicode)
                return false;
            const auto length = unsigned(qMax<qsizetype>(v.bytes.size(), 1));
            if (v.kind == Value::Text && (slot.exact ? length != slot.room : length > slot.room))
                return false;
        }
        return true;
    }

    // The parameter message: texts as single-byte varying text, numbers as doubles, each
    // converted by the database to what the statement expects. A text that fits the parameter
    // as described gets the parameter's length, so that rows of texts of other lengths use the
    // same message; a longer one gets exactly its own: the database, not the message, decides
    // whether it fits its column, and its refusal names the length the message gives.
    void buildInputMessage(ThrowStatusWrapper *status)
    {
        IMessageMetadata *described = describedInput.get();
        const unsigned count = described->getCount(status);
        if (count != unsigned(values.size()))
            throw DatabaseError(
                QStringLiteral("The statement has %1 parameters, not %2").arg(count).arg(values.size()));
        QList<Slot> wanted(values.size());
        FbApi::Ref<IMetadataBuilder> builder(described->getBuilder(status));
        for (unsigned i = 0; i < count; ++i) {
            const Value &v = values.at(i);
            Slot &slot = wanted[i];
            slot.kind = v.kind;
            slot.unicode = v.unicode;
            if (v.kind == Value::Text) {
                const auto length = unsigned(qMax<qsizetype>(v.bytes.size(), 1));
                const unsigned describedLength = isTextType(described->getType(status, i)) && !v.unicode
                                                     ? described->getLength(status, i)
                                                     : 0;
                slot.exact = length > describedLength;
                slot.room = slot.exact ? length : describedLength;
                const unsigned type = described->getType(status, i);
                builder->setType(status, i, SQL_VARYING);
                builder->setLength(status, i, slot.room);
                builder->setCharSet(status, i,
                                    v.unicode          ? CharsetUtf8
                                    : isTextType(type) ? described->getCharSet(status, i)
                                                       : CharsetNone);
                builder->setSubType(status, i, 0);
                builder->setScale(status, i, 0);
            } else if (v.kind == Value::Double) {
                builder->setType(status, i, SQL_DOUBLE);
                builder->setLength(status, i, sizeof(double));
                builder->setSubType(status, i, 0);
                builder->setScale(status, i, 0);
            }
        }
        FbApi::Ref<IMessageMetadata> metadata(builder->getMetadata(status));
        QList<Place> wantedPlaces(values.size());
        for (unsigned i = 0; i < count; ++i)
            wantedPlaces[i] = {metadata->getOffset(status, i), metadata->getNullOffset(status, i)};
        inputLength = metadata->getMessageLength(status);
        inputMetadata = std::move(metadata);
        slots = std::move(wanted);
        places = std::move(wantedPlaces);
    }

    IMessageMetadata *inputMessage(ThrowStatusWrapper *status, QByteArray &buffer)
    {
        if (!messageFits())
            buildInputMessage(status);
        buffer = QByteArray(int(inputLength), '\0');
        for (qsizetype i = 0; i < values.size(); ++i) {
            const Value &v = values.at(i);
            const Place &place = places.at(i);
            writeAt<short>(buffer, place.nullOffset, v.kind == Value::Null ? -1 : 0);
            if (v.kind == Value::Text) {
                writeAt<quint16>(buffer, place.offset, quint16(v.bytes.size()));
                std::memcpy(buffer.data() + place.offset + sizeof(quint16), v.bytes.constData(),
                            v.bytes.size());
            } else if (v.kind == Value::Double) {
                writeAt<double>(buffer, place.offset, v.number);
            }
        }
        return inputMetadata.get();
    }

    bool prepareOutput(ThrowStatusWrapper *status)
    {
        outputMetadata.reset(statement->getOutputMetadata(status));
        const unsigned count = outputMetadata->getCount(status);
        columns.clear();
        for (unsigned i = 0; i < count; ++i) {
            Column c;
            c.name = QString::fromUtf8(outputMetadata->getAlias(status, i));
            if (c.name.isEmpty())
                c.name = QString::fromUtf8(outputMetadata->getField(status, i));
            c.type = outputMetadata->getType(status, i);
            c.scale = outputMetadata->getScale(status, i);
            c.length = outputMetadata->getLength(status, i);
            c.charset = outputMetadata->getCharSet(status, i);
            c.offset = outputMetadata->getOffset(status, i);
            c.nullOffset = outputMetadata->getNullOffset(status, i);
            columns.append(c);
        }
        row = QByteArray(int(outputMetadata->getMessageLength(status)), '\0');
        return count > 0;
    }

    const Column &current(int field) const
    {
        if (!onRow)
            throw DatabaseError(QStringLiteral("No current row"));
        if (field < 0 || field >= columns.size())
            throw DatabaseError(QStringLiteral("Field index %1 out of range").arg(field));
        return columns.at(field);
    }

    bool isNull(const Column &c) const { return c.type == SQL_NULL || readAt<short>(row, c.nullOffset) != 0; }
};

Query::Query(Transaction &transaction) : d_(std::make_unique<Private>(transaction)) {}

Query::~Query()
{
    close();
}

void Query::setSql(const QString &sql)
{
    close();
    if (sql != sql_ || !d_->statement) {
        sql_ = sql;
        d_->parameters = parseNamedParameters(sql);
        d_->forgetStatement();
    }
    d_->values = QList<Value>(d_->parameters.names.size());
}

void Query::setText(const QString &name, const QString &value)
{
    Value v;
    v.kind = Value::Text;
    v.bytes = ToSystemCodePage(value);
    if (v.bytes.size() > MaxTextBytes)
        throw DatabaseError(
            QStringLiteral("Parameter \"%1\": a text of %2 characters is longer than any column")
                .arg(name)
                .arg(value.size()));
    d_->assign(name, v);
}

void Query::setUnicodeText(const QString &name, const QString &value)
{
    Value v;
    v.kind = Value::Text;
    v.unicode = true;
    v.bytes = value.toUtf8();
    if (v.bytes.size() > MaxTextBytes)
        throw DatabaseError(
            QStringLiteral("Parameter \"%1\": a text of %2 characters is longer than any column")
                .arg(name)
                .arg(value.size()));
    d_->assign(name, v);
}

void Query::setDouble(const QString &name, double value)
{
    Value v;
    v.kind = Value::Double;
    v.number = value;
    d_->assign(name, v);
}

void Query::setNull(const QString &name)
{
    d_->assign(name, Value());
}

void Query::execute()
{
    open();
    close();
}

void Query::open()
{
    close();
    d_->affected = 0;
    d_->affectedAsked = true;
    d_->transaction.start();
    try {
        FbApi::Status status;
        d_->prepare(status.get());
        d_->describe(status.get());
        QByteArray input;
        IMessageMetadata *inputMetadata = d_->inputMessage(status.get(), input);
        const unsigned type = d_->statementType;
        const bool hasOutput = d_->hasOutput;
        if (type == isc_info_sql_stmt_select || type == isc_info_sql_stmt_select_for_upd) {
            d_->cursor.reset(d_->statement->openCursor(status.get(), d_->transaction.handle(), inputMetadata,
                                                       input.data(), d_->outputMetadata.get(), 0));
        } else {
            d_->statement->execute(status.get(), d_->transaction.handle(), inputMetadata, input.data(),
                                   hasOutput ? d_->outputMetadata.get() : nullptr,
                                   hasOutput ? d_->row.data() : nullptr);
            d_->pendingRow = hasOutput;
            d_->affectedAsked = false;
        }
        d_->active = true;
    } catch (const FbException &e) {
        d_->transaction.connection().checkAlive();
        FbApi::throwDatabaseError(e);
    }
}

quint64 Query::rowsAffected() const
{
    d_->askAffected();
    return d_->affected;
}

bool Query::isActive() const
{
    return d_->active;
}

void Query::close() noexcept
{
    d_->active = false;
    d_->pendingRow = false;
    d_->onRow = false;
    d_->atEnd = false;
    if (!d_->cursor)
        return;
    if (d_->cursorOrphaned()) {
        d_->cursor.reset();
        return;
    }
    try {
        FbApi::Status status;
        d_->cursor->close(status.get());
        d_->cursor.take(); // released by the client on success
    } catch (const FbException &) {
        d_->cursor.reset();
    }
}

bool Query::next()
{
    if (!d_->active)
        return false;
    if (d_->pendingRow) {
        d_->pendingRow = false;
        d_->onRow = true;
        return true;
    }
    d_->onRow = false;
    if (!d_->cursor || d_->atEnd)
        return false;
    if (d_->cursorOrphaned()) {
        d_->cursor.reset();
        return false;
    }
    try {
        FbApi::Status status;
        d_->onRow = d_->cursor->fetchNext(status.get(), d_->row.data()) == IStatus::RESULT_OK;
        d_->atEnd = !d_->onRow;
    } catch (const FbException &e) {
        d_->transaction.connection().checkAlive();
        FbApi::throwDatabaseError(e);
    }
    return d_->onRow;
}

int Query::fieldCount() const
{
    return int(d_->columns.size());
}

QString Query::fieldName(int field) const
{
    return field >= 0 && field < d_->columns.size() ? d_->columns.at(field).name : QString();
}

int Query::fieldIndex(const QString &name) const
{
    for (qsizetype i = 0; i < d_->columns.size(); ++i) {
        if (sameName(d_->columns.at(i).name, name))
            return int(i);
    }
    return -1;
}

QByteArray Query::rowBytes() const
{
    if (!d_->onRow)
        throw DatabaseError(QStringLiteral("No current row"));
    // Shared, not copied: the next row the engine writes goes to a buffer of its own.
    return d_->row;
}

void Query::showRow(const QByteArray &row)
{
    if (d_->columns.isEmpty() || row.size() != d_->row.size())
        throw DatabaseError(QStringLiteral("The row is not one of this statement's"));
    d_->row = row;
    d_->pendingRow = false;
    d_->onRow = true;
}

bool Query::isNull(int field) const
{
    return d_->isNull(d_->current(field));
}

QByteArrayView Query::textBytes(int field) const
{
    const Column &c = d_->current(field);
    if (d_->isNull(c))
        return {};
    const char *data = d_->row.constData() + c.offset;
    if (c.type == SQL_TEXT)
        return QByteArrayView(data, c.length);
    if (c.type == SQL_VARYING)
        return QByteArrayView(data + sizeof(quint16), readAt<quint16>(d_->row, c.offset));
    throw DatabaseError(QStringLiteral("Field %1 is not a text").arg(field));
}

QString Query::text(int field) const
{
    const Column &c = d_->current(field);
    if (d_->isNull(c))
        return QString();
    const QByteArray &row = d_->row;
    switch (c.type) {
    case SQL_TEXT:
    case SQL_VARYING: {
        const QByteArrayView bytes = textBytes(field);
        if (c.charset == CharsetUtf8 || c.charset == CharsetUnicodeFss)
            return QString::fromUtf8(bytes);
        QString text;
        AppendFromSystemCodePage(text, bytes);
        return text;
    }
    case SQL_SHORT:
        return scaledText(readAt<qint16>(row, c.offset), c.scale);
    case SQL_LONG:
        return scaledText(readAt<qint32>(row, c.offset), c.scale);
    case SQL_INT64:
        return scaledText(readAt<qint64>(row, c.offset), c.scale);
    case SQL_DOUBLE:
        return QString::number(readAt<double>(row, c.offset), 'g', QLocale::FloatingPointShortest);
    default:
        throw DatabaseError(QStringLiteral("Field \"%1\" cannot be read as text").arg(c.name));
    }
}

double Query::number(int field) const
{
    const Column &c = d_->current(field);
    if (d_->isNull(c))
        return 0;
    const QByteArray &row = d_->row;
    switch (c.type) {
    case SQL_SHORT:
        return scaledNumber(readAt<qint16>(row, c.offset), c.scale);
    case SQL_LONG:
        return scaledNumber(readAt<qint32>(row, c.offset), c.scale);
    case SQL_INT64:
        return scaledNumber(readAt<qint64>(row, c.offset), c.scale);
    case SQL_DOUBLE:
        return readAt<double>(row, c.offset);
    default: {
        const QString t = text(field).trimmed();
        bool ok = false;
        const double value = t.toDouble(&ok);
        if (!ok)
            throw ConversionError(QStringLiteral("'%1' is not a valid floating point value").arg(t));
        return value;
    }
    }
}
