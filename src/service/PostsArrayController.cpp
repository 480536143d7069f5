#include "service/PostsArrayController.h"

#include "service/PostPictures.h"
#include "text/RelativeDate.h"

#include <algorithm>
#include <numeric>
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
    if (records.isEmpty() || m_records.isEmpty()) {
        setRecords(std::move(records));
        return;
    }
    QString oldest = sortableDate(records.first().createdAt());
    for (const PostRecord &record : std::as_const(records))
        oldest = std::min(oldest, sortableDate(record.createdAt()));
    QString newestShown;
    for (const PostRecord &record : std::as_const(m_records))
        newestShown = std::max(newestShown, sortableDate(record.createdAt()));
    // A page that does not reach the posts shown leaves a gap between them:
    // it replaces the list rather than sitting above posts long past.
    if (newestShown < oldest) {
        setRecords(std::move(records));
        return;
    }

    QHash<QString, qsizetype> incoming;
    for (qsizetype i = 0; i < records.size(); ++i)
        incoming.insert(records.at(i).id(), i);
    // Shown posts in the page's span that it no longer holds were deleted on
    // the service; the posts older than the page stay where they are.
    for (qsizetype row = m_records.size() - 1; row >= 0; --row) {
        const PostRecord &shown = m_records.at(row);
        if (incoming.contains(shown.id()) || sortableDate(shown.createdAt()) < oldest)
            continue;
        qsizetype first = row;
        while (first > 0 && !incoming.contains(m_records.at(first - 1).id())
            && sortableDate(m_records.at(first - 1).createdAt()) >= oldest)
            --first;
        beginRemoveRows({}, int(first), int(row));
        m_records.remove(first, row - first + 1);
        endRemoveRows();
        row = first;
    }
    // The posts already shown change only where the service changed them,
    // so their rows are not laid out and painted anew.
    QList<bool> taken(records.size(), false);
    for (int row = 0; row < m_records.size(); ++row) {
        PostRecord &shown = m_records[row];
        const auto found = incoming.constFind(shown.id());
        if (found == incoming.cend())
            continue;
        taken[*found] = true;
        PostRecord &fresh = records[*found];
        if (fresh.theAvatarImage.isNull() && fresh.avatarUrl() == shown.avatarUrl())
            fresh.theAvatarImage = shown.theAvatarImage;
        if (fresh.post == shown.post && fresh.attributedString == shown.attributedString
            && fresh.theAvatarImage.cacheKey() == shown.theAvatarImage.cacheKey())
            continue;
        shown = std::move(fresh);
        const QModelIndex changed = index(row);
        Q_EMIT dataChanged(changed, changed);
    }
    // New posts go in at once; the sorting proxy puts them above.
    QList<PostRecord> added;
    for (qsizetype i = 0; i < records.size(); ++i)
        if (!taken.at(i))
            added.append(std::move(records[i]));
    if (added.isEmpty())
        return;
    const qsizetype before = m_records.size();
    beginInsertRows({}, int(m_records.size()), int(m_records.size() + added.size() - 1));
    m_records.append(std::move(added));
    endInsertRows();
    // A window left open all day would otherwise gather every post of it.
    dropOldestBeyond(std::max(before, maximumRefreshedRows));
}

void PostsModel::dropOldestBeyond(qsizetype rows)
{
    if (m_records.size() <= rows)
        return;
    QList<qsizetype> order(m_records.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [this](qsizetype a, qsizetype b) {
        return sortableDate(m_records.at(a).createdAt())
            > sortableDate(m_records.at(b).createdAt());
    });
    QList<bool> dropped(m_records.size(), false);
    for (qsizetype i = rows; i < order.size(); ++i)
        dropped[order.at(i)] = true;
    for (qsizetype row = m_records.size() - 1; row >= 0; --row) {
        if (!dropped.at(row))
            continue;
        qsizetype first = row;
        while (first > 0 && dropped.at(first - 1))
            --first;
        beginRemoveRows({}, int(first), int(row));
        m_records.remove(first, row - first + 1);
        endRemoveRows();
        row = first;
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
