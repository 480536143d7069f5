#pragma once

#include "service/PostRecord.h"

#include <QAbstractListModel>
#include <QItemSelectionModel>
#include <QList>
#include <QSortFilterProxyModel>

#include <optional>

// The records of the shown stream as a list model.
class PostsModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        RecordRole = Qt::UserRole + 1, // the PostRecord
        IdRole,
        CreatedAtRole,
    };

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    // The row as assistive technology reads it: author, relative date, text.
    static QString accessibleText(const PostRecord &record);
    QHash<int, QByteArray> roleNames() const override;

    const QList<PostRecord> &records() const { return m_records; }
    const PostRecord *recordAt(int row) const;
    void setRecords(QList<PostRecord> records);
    // A refresh's page, merged: new posts are added, posts in the page's
    // span of time that it no longer holds go, posts it holds change only
    // where they changed, and posts older than the page stay. A page that
    // does not reach the newest post shown replaces the list. Refreshes
    // never make the list longer than `maximumRefreshedRows` (or than it was
    // before, where older pages were loaded): past that the oldest posts go.
    void refreshRecords(QList<PostRecord> records);
    static constexpr qsizetype maximumRefreshedRows = 1000;
    // Replaces one record in place (starring changes "you_starred").
    void replaceRecord(int row, const PostRecord &record);
    // Gives the avatar that arrived after its page to every row that shows
    // it and has none yet; the rows keep their size.
    void putAvatar(const QString &avatarUrl, const QImage &image);

Q_SIGNALS:
    void recordReplaced(const PostRecord &before, const PostRecord &after);

private:
    void dropOldestBeyond(qsizetype rows);

    QList<PostRecord> m_records;
};

// The list's view of the records: sorted by "created_at" as text, newest
// first (the service's timestamps have one fixed form, so text order is time
// order), with one selection. Rows here are the arranged order.
class PostsArrayController : public QObject {
    Q_OBJECT
public:
    explicit PostsArrayController(QObject *parent = nullptr);

    PostsModel *model() { return &m_model; }
    QSortFilterProxyModel *arranged() { return &m_sorted; }
    QItemSelectionModel *selectionModel() { return &m_selection; }

    int count() const;
    const PostRecord *arrangedObject(int row) const;
    // The selected row of the arranged list, if any.
    std::optional<int> selectionIndex() const;
    const PostRecord *selectedObject() const;
    void setSelectionIndex(int row);
    void clearSelection();
    // Next / previous arranged row; false at the end (nothing changes).
    bool selectNext();
    bool selectPrevious();
    // The arranged row of the record with `id`, if it is shown.
    std::optional<int> rowOfId(const QString &id) const;

    void setContent(QList<PostRecord> records);
    void refreshContent(QList<PostRecord> records);
    void removeAllObjects();
    void rearrangeObjects();

Q_SIGNALS:
    // After every change of the selected row (also to none).
    void selectionIndexesChanged();

private:
    PostsModel m_model;
    QSortFilterProxyModel m_sorted;
    QItemSelectionModel m_selection;
};
