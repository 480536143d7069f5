#include "service/PostsArrayController.h"

#include "service/PostPictures.h"
#include "text/RelativeDate.h"

#include <algorithm>
#include <utility>

namespace {

// Dates are ISO 8601 texts, which sort as they read; anything else sorts
// below every real date rather than above it.
QString sortableDate(const QString &date)
{
    const bool looksIso = date.size() >= 19 && date.at(0).isDigit() && date.at(4) == u'-'
        && date.at(7) == u'-' && date.at(10) == u'T';
    return looksIso ? date : QString();
}

} // namespace

int PostsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_records.size());
}

QString PostsModel::accessibleText(const PostRecord &record)
{
    // What a screen reader speaks for a row: who, when, what, and a word
    // for each picture the row shows.
    static const StringDateToRelativeDateStringTransformer dates;
    QString author = QStringLiteral("@") + record.username();
    if (!record.name().isEmpty())
        author = QStringLiteral("%1 (%2)").arg(record.name(), author);
    const QString when = dates.transformedValue(record.createdAt());
    const QString pictures
        = QStringLiteral(", picture")
              .repeated(PostPictures::pictureLinks(record.attributedString).size());
    return (when.isEmpty() ? QStringLiteral("%1: %2").arg(author, record.text())
                           : QStringLiteral("%1, %2: %3").arg(author, when, record.text()))
        + pictures;
}

QVariant PostsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const PostRecord &record = m_records.at(index.row());
    switch (role) {
    case RecordRole:
        return QVariant::fromValue(record);
    case IdRole:
        return record.id();
    case CreatedAtRole:
        return sortableDate(record.createdAt());
    case Qt::DisplayRole:
        return record.text();
    case Qt::AccessibleTextRole:
        return accessibleText(record);
    default:
        return {};
    }
}

QHash<int, QByteArray> PostsModel::roleNames() const
{
    return { { RecordRole, "record" }, { IdRole, "id" }, { CreatedAtRole, "created_at" },
        { Qt::DisplayRole, "text" } };
}

const PostRecord *PostsModel::recordAt(int row) const
{
    if (row < 0 || row >= m_records.size())
        return nullptr;
    return &m_records.at(row);
}

void PostsModel::setRecords(QList<PostRecord> records)
{
    beginResetModel();
    m_records = std::move(records);
    endResetModel();
}

void PostsModel::refreshRecords(QList<PostRecord> records)
{
    const bool samePosts = !records.isEmpty() && records.size() == m_records.size()
        && std::equal(records.cbegin(), records.cend(), m_records.cbegin(),
            [](const PostRecord &a, const PostRecord &b) { return a.id() == b.id(); });
    if (!samePosts) {
        setRecords(std::move(records));
        return;
    }
    // The posts already shown: only the rows whose post did change are
    // changed, and the list is not laid out and painted anew.
    for (int row = 0; row < records.size(); ++row) {
        PostRecord &shown = m_records[row];
        PostRecord &incoming = records[row];
        if (incoming.theAvatarImage.isNull() && incoming.avatarUrl() == shown.avatarUrl())
            incoming.theAvatarImage = shown.theAvatarImage;
        if (incoming.post == shown.post && incoming.attributedString == shown.attributedString
            && incoming.theAvatarImage.cacheKey() == shown.theAvatarImage.cacheKey())
            continue;
        shown = std::move(incoming);
        const QModelIndex changed = index(row);
        Q_EMIT dataChanged(changed, changed);
    }
}

void PostsModel::replaceRecord(int row, const PostRecord &record)
{
    if (row < 0 || row >= m_records.size())
        return;
    const PostRecord before = std::exchange(m_records[row], record);
    const QModelIndex changed = index(row);
    Q_EMIT dataChanged(changed, changed);
    Q_EMIT recordReplaced(before, record);
}

void PostsModel::putAvatar(const QString &avatarUrl, const QImage &image)
{
    if (image.isNull() || avatarUrl.isEmpty())
        return;
    for (int row = 0; row < m_records.size(); ++row) {
        PostRecord &record = m_records[row];
        if (!record.theAvatarImage.isNull() || record.avatarUrl() != avatarUrl)
            continue;
        record.theAvatarImage = image;
        const QModelIndex changed = index(row);
        Q_EMIT dataChanged(changed, changed, { Qt::DecorationRole });
    }
}

PostsArrayController::PostsArrayController(QObject *parent)
    : QObject(parent)
    , m_selection(&m_sorted)
{
    m_sorted.setSourceModel(&m_model);
    m_sorted.setSortRole(PostsModel::CreatedAtRole);
    m_sorted.setDynamicSortFilter(true);
    m_sorted.sort(0, Qt::DescendingOrder);
    connect(&m_selection, &QItemSelectionModel::selectionChanged, this,
        &PostsArrayController::selectionIndexesChanged);
    connect(&m_sorted, &QAbstractItemModel::modelReset, this,
        &PostsArrayController::selectionIndexesChanged);
}

int PostsArrayController::count() const
{
    return m_sorted.rowCount();
}

const PostRecord *PostsArrayController::arrangedObject(int row) const
{
    if (row < 0 || row >= m_sorted.rowCount())
        return nullptr;
    return m_model.recordAt(m_sorted.mapToSource(m_sorted.index(row, 0)).row());
}

std::optional<int> PostsArrayController::selectionIndex() const
{
    const QModelIndexList rows = m_selection.selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    int first = rows.first().row();
    for (const QModelIndex &i : rows)
        first = qMin(first, i.row());
    return first;
}

const PostRecord *PostsArrayController::selectedObject() const
{
    const auto row = selectionIndex();
    return row ? arrangedObject(*row) : nullptr;
}

void PostsArrayController::setSelectionIndex(int row)
{
    if (row < 0 || row >= count()) {
        clearSelection();
        return;
    }
    const QModelIndex index = m_sorted.index(row, 0);
    m_selection.setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void PostsArrayController::clearSelection()
{
    m_selection.clear();
}

bool PostsArrayController::selectNext()
{
    const auto row = selectionIndex();
    if (!row || *row + 1 >= count())
        return false;
    setSelectionIndex(*row + 1);
    return true;
}

bool PostsArrayController::selectPrevious()
{
    const auto row = selectionIndex();
    if (!row || *row == 0)
        return false;
    setSelectionIndex(*row - 1);
    return true;
}

std::optional<int> PostsArrayController::rowOfId(const QString &id) const
{
    for (int row = 0; row < count(); ++row) {
        if (arrangedObject(row)->id() == id)
            return row;
    }
    return std::nullopt;
}

void PostsArrayController::setContent(QList<PostRecord> records)
{
    m_model.setRecords(std::move(records));
}

void PostsArrayController::refreshContent(QList<PostRecord> records)
{
    m_model.refreshRecords(std::move(records));
}

void PostsArrayController::removeAllObjects()
{
    m_model.setRecords({});
}

void PostsArrayController::rearrangeObjects()
{
    m_sorted.sort(0, Qt::DescendingOrder);
}
