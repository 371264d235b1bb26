#include "declaration/past_declarations_model.h"

#include <QColor>
#include <QDir>

PastDeclarationsModel::PastDeclarationsModel(QObject *parent) : QAbstractTableModel(parent) {}

void PastDeclarationsModel::setDeclarations(QList<FiledDeclaration> rows, const QString &machine)
{
    beginResetModel();
    rows_ = std::move(rows);
    source_ = nullptr;
    machine_ = machine;
    marks_.clear();
    endResetModel();
}

void PastDeclarationsModel::setSource(Source source, const QString &machine)
{
    setDeclarations({}, machine);
    source_ = std::move(source);
    fetchMore({});
}

bool PastDeclarationsModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && bool(source_);
}

void PastDeclarationsModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    QList<FiledDeclaration> more = source_(Batch);
    if (more.size() < Batch)
        source_ = nullptr;
    if (more.isEmpty())
        return;
    beginInsertRows({}, int(rows_.size()), int(rows_.size() + more.size() - 1));
    rows_ += std::move(more);
    endInsertRows();
}

FileMark PastDeclarationsModel::mark(int row) const
{
    auto found = marks_.constFind(row);
    if (found == marks_.cend())
        found = marks_.insert(row, checkFiledDeclaration(rows_.at(row), machine_));
    return *found;
}

int PastDeclarationsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int PastDeclarationsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : MarkColumn + 1;
}

QVariant PastDeclarationsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    const FiledDeclaration &d = declaration(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        if (column == MarkColumn)
            return fileMarkText(mark(index.row()), d);
        return pastDeclarationCells(d).value(column);
    case Qt::AccessibleTextRole: {
        // A reader reads a row cell after cell: each with its column's title.
        const QString text = data(index, Qt::DisplayRole).toString();
        return text.isEmpty() ? text : pastDeclarationTitles().value(column) + QLatin1Char(' ') + text;
    }
    case Qt::ToolTipRole:
        if (column == 6 || column == MarkColumn)
            return QDir::toNativeSeparators(d.file) + QStringLiteral("\nequipo: ") + d.host +
                   QStringLiteral("\nSHA-256: ") + QString::fromLatin1(d.sha256);
        return {};
    case Qt::TextAlignmentRole:
        if (column == 2 || column == 4 || column == 5)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::ForegroundRole:
        if (column == MarkColumn && mark(index.row()) != FileMark::Unchanged)
            return QColor(Qt::darkRed);
        return {};
    default:
        return {};
    }
}

QVariant PastDeclarationsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return pastDeclarationTitles().value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}
