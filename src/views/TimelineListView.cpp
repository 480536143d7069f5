#include "views/TimelineListView.h"

#include <algorithm>

#include "core/NotificationBus.h"
#include "core/NotificationNames.h"
#include "core/Preferences.h"
#include "service/Network.h"
#include "service/PostPictures.h"
#include "service/PostsArrayController.h"
#include "service/ThumbnailLoader.h"
#include "text/LinkOpener.h"
#include "text/ReadableColors.h"
#include "text/TextClick.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>

namespace {

bool isRowButton(TimelineRowLayout::Part part)
{
    using Part = TimelineRowLayout::Part;
    return part == Part::Reply || part == Part::Quote || part == Part::Conversation
        || part == Part::Action;
}

} // namespace

TimelineListView::TimelineListView(QWidget *parent)
    : QListView(parent)
{
    m_delegate = new TimelineDelegate(this);
    setItemDelegate(m_delegate);
    m_links = new LinkOpener(this);
    m_links->setNetworkAccessManager(&Network::manager());
    const QSizeF tile(TimelineRowMetrics::pictureWidth, TimelineRowMetrics::pictureHeight);
    m_thumbnails
        = new ThumbnailLoader((tile * devicePixelRatioF()).toSize(), &Network::manager(), this);
    m_delegate->setThumbnails(m_thumbnails);
    m_delegate->setOtherSitePictures(PostPictures::otherSitesAllowed());
    // A thumbnail takes the place kept for it: the row is only painted again.
    connect(m_thumbnails, &ThumbnailLoader::thumbnailChanged, viewport(),
        qOverload<>(&QWidget::update));
    connect(&Preferences::standard(), &Preferences::changed, this, [this](const QString &key) {
        if (key == prefs::prefsHideOtherSitePictures.key())
            showOtherSitePictures(PostPictures::otherSitesAllowed());
    });
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setViewMode(QListView::ListMode);
    setFlow(QListView::TopToBottom);
    setWrapping(false);
    setUniformItemSizes(false);
    setResizeMode(QListView::Adjust);
    // Rows are laid out a few at a time between events, so a page of many
    // long posts never holds the window still while their heights are found.
    setLayoutMode(QListView::Batched);
    setBatchSize(batchOfRows);
    // The reader's own scrolling wins over a row still waiting to be shown.
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this] {
        m_pendingScroll = QPersistentModelIndex();
        m_pendingPlace = {};
    });
    // Heights follow the width: with wrapping text the list lays its rows
    // out again after every resize (once the resizing pauses for 100 ms).
    setWordWrap(true);
    setMinimumWidth(minimumListWidth);
    setSpacing(0);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Row heights depend on the width: a scroll bar that came and went with
    // the content would change the width and so the content, back and forth.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(true);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAutoFillBackground(true);
    applyBase();
}

void TimelineListView::showOtherSitePictures(bool shown)
{
    if (m_delegate->otherSitePictures() == shown)
        return;
    m_delegate->setOtherSitePictures(shown);
    if (!shown)
        m_thumbnails->dropWaiting();
    // Rows gain or lose their picture strips: measured again, with the
    // reader's place kept.
    const ReadingPlace place = readingPlace();
    scheduleDelayedItemsLayout();
    if (!place.postID.isEmpty())
        restoreReadingPlace(place);
    viewport()->update();
}

bool TimelineListView::openSelectedPicture()
{
    const std::optional<int> row = selectedRow();
    if (!row || !model())
        return false;
    const QList<QUrl> pictures
        = m_delegate->picturesOf(TimelineDelegate::recordFor(model()->index(*row, 0)));
    if (pictures.isEmpty())
        return false;
    m_links->generateImageViewWithURL(pictures.first());
    return true;
}

void TimelineListView::applyBase()
{
    const QPalette around
        = parentWidget() ? parentWidget()->palette() : QApplication::palette(this);
    const QColor base = around.color(QPalette::Base);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, ReadableColors::isDark(base) ? base : QColor(Qt::white));
    if (colours == palette())
        return;
    m_applyingBase = true;
    setPalette(colours);
    m_applyingBase = false;
}

void TimelineListView::changeEvent(QEvent *event)
{
    // A new parent or a desktop turning dark or light changes the palette.
    const bool paletteMayDiffer
        = event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange;
    if (paletteMayDiffer && !m_applyingBase)
        applyBase();
    QListView::changeEvent(event);
}

TimelineListView::~TimelineListView() = default;

void TimelineListView::setPostsController(PostsArrayController *posts)
{
    m_posts = posts;
    setPressed({}, Part::None);
    QItemSelectionModel *before = selectionModel();
    setModel(posts ? posts->arranged() : nullptr);
    QItemSelectionModel *made = selectionModel();
    if (posts)
        setSelectionModel(posts->selectionModel());
    // The list makes a selection model of its own with every model; the
    // controller's replaces it, so it is of no further use.
    for (QItemSelectionModel *spare : { before, made }) {
        if (spare && spare != selectionModel() && spare->parent() == this)
            spare->deleteLater();
    }
    // New content is no longer the place that was asked for.
    if (model())
        connect(model(), &QAbstractItemModel::modelAboutToBeReset, this,
            [this] { m_pendingPlace = {}; });
    m_delegate->setControlsHidden(false);
}

std::optional<int> TimelineListView::selectedRow() const
{
    const QItemSelectionModel *selection = selectionModel();
    if (!selection || !model())
        return std::nullopt;
    const QModelIndex current = selection->currentIndex();
    if (current.isValid() && selection->isSelected(current))
        return current.row();
    const QModelIndexList rows = selection->selectedIndexes();
    if (rows.isEmpty())
        return std::nullopt;
    int first = rows.first().row();
    for (const QModelIndex &index : rows)
        first = std::min(first, index.row());
    return first;
}

QStyleOptionViewItem TimelineListView::optionFor(const QModelIndex &index) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    if (selectionModel() && selectionModel()->isSelected(index))
        option.state |= QStyle::State_Selected;
    else
        option.state &= ~QStyle::State_Selected;
    return option;
}

TimelineRowLayout TimelineListView::rowLayout(int row) const
{
    if (!model() || row < 0 || row >= model()->rowCount())
        return {};
    const QModelIndex index = model()->index(row, 0);
    return m_delegate->rowLayout(optionFor(index), index);
}

TimelineDelegate::Hit TimelineListView::hitAt(const QModelIndex &index, QPoint point) const
{
    if (!index.isValid())
        return {};
    return m_delegate->hitTest(optionFor(index), index, point);
}

void TimelineListView::selectAlone(const QModelIndex &index)
{
    if (!index.isValid() || !selectionModel())
        return;
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TimelineListView::setPressed(const QModelIndex &index, Part part)
{
    const QModelIndex before = m_pressedIndex;
    m_pressedIndex = index;
    m_pressedPart = index.isValid() ? part : Part::None;
    m_pressedInside = m_pressedPart != Part::None;
    m_delegate->setPressedButton(index, m_pressedPart);
    if (before.isValid())
        update(before);
    if (index.isValid())
        update(index);
}

void TimelineListView::setContentOpacity(qreal opacity)
{
    opacity = std::clamp(opacity, 0.0, 1.0);
    if (qFuzzyCompare(opacity, m_delegate->contentOpacity()))
        return;
    m_delegate->setContentOpacity(opacity);
    viewport()->update();
}

void TimelineListView::resetVisibleRows()
{
    clearTextSelection();
    m_delegate->setControlsHidden(true);
    setPressed({}, Part::None);
    viewport()->update();
}

void TimelineListView::showRowControls()
{
    m_delegate->setControlsHidden(false);
    viewport()->update();
}

void TimelineListView::reloadTableView()
{
    resetVisibleRows();
    const std::optional<int> row = selectedRow();
    // Heights are asked for again; changed posts are measured anew.
    doItemsLayout();
    m_delegate->setControlsHidden(false);
    if (row && model() && *row < model()->rowCount()) {
        const QModelIndex index = model()->index(*row, 0);
        selectAlone(index);
        scrollTo(index);
    }
    viewport()->update();
}

void TimelineListView::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    m_pendingPlace = {};
    QListView::scrollTo(index, hint);
    // Rows are laid out in batches, and the scroll range grows only when the
    // last batch is done: a row not reached yet is shown once it can be.
    const QRect place = index.isValid() ? visualRect(index) : QRect();
    const bool shown
        = !index.isValid() || (place.isValid() && viewport()->rect().intersects(place));
    m_pendingScroll = shown ? QPersistentModelIndex() : QPersistentModelIndex(index);
    m_pendingScrollHint = hint;
}

TimelineListView::ReadingPlace TimelineListView::readingPlace() const
{
    if (!m_posts || !model())
        return {};
    const QModelIndex top = indexAt(QPoint(viewport()->width() / 2, 0));
    const PostRecord *record = top.isValid() ? m_posts->arrangedObject(top.row()) : nullptr;
    if (!record)
        return {};
    return { record->id(), -visualRect(top).top() };
}

TimelineListView::ReadingPlace TimelineListView::placeToKeep() const
{
    return m_pendingPlace.postID.isEmpty() ? readingPlace() : m_pendingPlace;
}

void TimelineListView::restoreReadingPlace(const ReadingPlace &place)
{
    m_pendingPlace = place;
    if (place.postID.isEmpty())
        return;
    // The place wins over showing the selection, which was in it or was
    // scrolled away from by the reader.
    m_pendingScroll = QPersistentModelIndex();
    applyPendingPlace();
}

void TimelineListView::applyPendingPlace()
{
    if (m_pendingPlace.postID.isEmpty() || !m_posts)
        return;
    const std::optional<int> row = m_posts->rowOfId(m_pendingPlace.postID);
    if (!row) {
        m_pendingPlace = {};
        return;
    }
    const QRect place = visualRect(model()->index(*row, 0));
    if (!place.isValid())
        return;
    QScrollBar *bar = verticalScrollBar();
    const int target = bar->value() + place.top() + m_pendingPlace.offset;
    // The range grows batch by batch; until it reaches the target the list
    // goes as far as it can and tries again after the next batch.
    bar->setValue(std::min(target, bar->maximum()));
    if (bar->value() != target && !lastRowLaidOut())
        return;
    // Once every row is laid out the range is final: a place past its end
    // (the page grew shorter) is as near as the list gets.
    m_pendingPlace = {};
}

bool TimelineListView::lastRowLaidOut() const
{
    const int rows = model() ? model()->rowCount() : 0;
    return rows == 0 || visualRect(model()->index(rows - 1, 0)).isValid();
}

void TimelineListView::scrollToFirstRow()
{
    m_pendingPlace = {};
    m_pendingScroll = QPersistentModelIndex();
    scrollToTop();
}

void TimelineListView::timerEvent(QTimerEvent *event)
{
    QListView::timerEvent(event);
    if (!m_pendingPlace.postID.isEmpty()) {
        applyPendingPlace();
        return;
    }
    if (m_pendingScroll.isValid() && visualRect(m_pendingScroll).isValid())
        scrollTo(QModelIndex(m_pendingScroll), m_pendingScrollHint);
}

void TimelineListView::selectionChanged(
    const QItemSelection &selected, const QItemSelection &deselected)
{
    m_delegate->setControlsHidden(false);
    clearTextSelection();
    m_textPress.reset();
    if (m_pressedIndex.isValid() && isRowButton(m_pressedPart) && selectionModel()
        && !selectionModel()->isSelected(m_pressedIndex))
        setPressed({}, Part::None);
    QListView::selectionChanged(selected, deselected);
    // The buttons of a row that stayed selected through a reset come back.
    viewport()->update();
}

void TimelineListView::performButton(Part part)
{
    const std::optional<int> row = selectedRow();
    if (!row)
        return;
    const TimelineRowLayout layout = rowLayout(*row);
    if (part == Part::Avatar) {
        NotificationBus::defaultCenter().post(nf::userInfo);
        return;
    }
    if (!layout.isEnabled(part))
        return;
    switch (part) {
    case Part::Reply:
        NotificationBus::defaultCenter().post(nf::reply);
        break;
    case Part::Quote:
        NotificationBus::defaultCenter().post(nf::quote);
        break;
    case Part::Conversation:
        NotificationBus::defaultCenter().post(nf::conversation);
        break;
    case Part::Action:
        showItemMenu();
        break;
    default:
        break;
    }
}

void TimelineListView::showItemMenu()
{
    const std::optional<int> row = selectedRow();
    if (!m_itemMenu || !row)
        return;
    const QRect button = rowLayout(*row).action.toAlignedRect();
    // Above the button, its left edges in line; a menu with no room above
    // is moved on screen by the menu itself.
    const QSize size = m_itemMenu->sizeHint();
    const QPoint at = viewport()->mapToGlobal(QPoint(button.left(), button.top() - size.height()));
    m_itemMenu->popup(at);
}

void TimelineListView::mousePressEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    const QModelIndex index = indexAt(point);

    if (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton) {
        // Selects the row under the pointer, dropping any other selection.
        if (index.isValid())
            selectAlone(index);
        event->accept();
        return;
    }
    if (event->button() != Qt::LeftButton) {
        QListView::mousePressEvent(event);
        return;
    }

    if (index.isValid()) {
        const TimelineDelegate::Hit hit = hitAt(index, point);
        if (isRowButton(hit.part)) {
            // A button of the selected row: the row stays as it is.
            if (hit.enabled)
                setPressed(index, hit.part);
            event->accept();
            return;
        }
        if (pressSelectedRowText(index, point, hit)) {
            event->accept();
            return;
        }
    }
    clearTextSelection();

    QPointer<TimelineListView> self(this);
    const QPersistentModelIndex pressed = index;
    QListView::mousePressEvent(event); // selects the row
    if (!self || !pressed.isValid() || indexAt(point) != pressed)
        return;

    const TimelineDelegate::Hit hit = hitAt(pressed, point);
    if (hit.part == Part::Avatar) {
        setPressed(pressed, Part::Avatar);
    } else if (hit.part == Part::Picture && !hit.picture.isEmpty()) {
        m_links->generateImageViewWithURL(hit.picture);
    } else if (hit.part == Part::Text && hit.characterIndex >= 0) {
        const PostRecord record = TimelineDelegate::recordFor(pressed);
        m_links->performPostTextClick(
            TextClick::actionsAt(record.attributedString, hit.characterIndex));
    }
}

void TimelineListView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    if (event->buttons().testFlag(Qt::LeftButton) && dragSelectedRowText(point)) {
        event->accept();
        return;
    }
    if (m_pressedPart != Part::None) {
        const bool inside = m_pressedIndex.isValid() && indexAt(point) == m_pressedIndex
            && hitAt(m_pressedIndex, point).part == m_pressedPart;
        if (inside != m_pressedInside) {
            m_pressedInside = inside;
            m_delegate->setPressedButton(m_pressedIndex, inside ? m_pressedPart : Part::None);
            update(m_pressedIndex);
        }
        if (m_pressedPart == Part::Avatar)
            QListView::mouseMoveEvent(event);
        event->accept();
        return;
    }
    updateCursor(point);
    QListView::mouseMoveEvent(event);
}

void TimelineListView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && releaseSelectedRowText()) {
        event->accept();
        return;
    }
    if (m_pressedPart == Part::None || event->button() != Qt::LeftButton) {
        QListView::mouseReleaseEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    const Part part = m_pressedPart;
    const QPersistentModelIndex index = m_pressedIndex;
    const bool over
        = index.isValid() && indexAt(point) == index && hitAt(index, point).part == part;
    setPressed({}, Part::None);

    QPointer<TimelineListView> self(this);
    if (part == Part::Avatar)
        QListView::mouseReleaseEvent(event); // its press went to the list too
    else
        event->accept();
    if (!self || !over)
        return;
    if (part == Part::Avatar) {
        // The handlers read the selected post: the press selected this row.
        if (selectionModel() && selectionModel()->isSelected(index))
            performButton(part);
        return;
    }
    if (selectedRow() == index.row())
        performButton(part);
}

void TimelineListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    const QModelIndex index = indexAt(point);
    if (event->button() != Qt::LeftButton) {
        mousePressEvent(event);
        return;
    }
    if (index.isValid()) {
        const Part part = hitAt(index, point).part;
        // A quick second click on a button is another click of it.
        if (isRowButton(part) || part == Part::Avatar) {
            mousePressEvent(event);
            return;
        }
        // The first click opened the picture; the second is not a reply.
        if (part == Part::Picture) {
            event->accept();
            return;
        }
        if (selectWordInSelectedRow(index, point)) {
            event->accept();
            return;
        }
    }
    QPointer<TimelineListView> self(this);
    const QPersistentModelIndex clicked = index;
    QListView::mouseDoubleClickEvent(event);
    if (self && clicked.isValid())
        Q_EMIT rowDoubleClicked(clicked.row());
}

void TimelineListView::contextMenuEvent(QContextMenuEvent *event)
{
    QModelIndex index;
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        index = indexAt(event->pos());
    } else if (const std::optional<int> row = selectedRow()) {
        index = model()->index(*row, 0);
        at = viewport()->mapToGlobal(visualRect(index).center());
    }
    event->accept();
    // Post commands need a post: below the last row there is no menu.
    if (!index.isValid())
        return;
    const bool onSelectedText = !selectedText().isEmpty() && m_textSelection.row() == index;
    selectAlone(index);
    if (onSelectedText) {
        // The selected text can be copied from the menu too.
        auto *menu = new QMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->addAction(QStringLiteral("Copy"), this, &TimelineListView::copySelectedText);
        if (m_contextMenu) {
            menu->addSeparator();
            menu->addActions(m_contextMenu->actions());
        }
        menu->popup(at);
        return;
    }
    if (m_contextMenu)
        m_contextMenu->popup(at);
}

std::optional<int> TimelineListView::rowAPageAway(int row, int direction) const
{
    const int rows = model() ? model()->rowCount() : 0;
    if (rows == 0)
        return std::nullopt;
    const int last = rows - 1;
    if (row < 0 || row > last)
        return direction > 0 ? 0 : last;
    const int step = direction > 0 ? 1 : -1;
    const int page = std::max(1, viewport()->height());
    // Rows not laid out yet are measured by their delegate.
    auto heightOf = [this](int r) {
        const QModelIndex index = model()->index(r, 0);
        const QRect place = visualRect(index);
        return place.isValid() ? place.height() : sizeHintForIndex(index).height();
    };
    int target = row;
    int travelled = 0;
    for (int next = row + step; next >= 0 && next <= last; next += step) {
        travelled += std::max(1, heightOf(next));
        if (travelled > page && target != row)
            break;
        target = next;
    }
    return target;
}

void TimelineListView::keyPressEvent(QKeyEvent *event)
{
    // Written out as well: a platform theme without key bindings has no Copy.
    const bool copy = event->matches(QKeySequence::Copy)
        || (event->key() == Qt::Key_C && event->modifiers() == Qt::ControlModifier);
    if (copy && !selectedText().isEmpty()) {
        copySelectedText();
        event->accept();
        return;
    }
    const bool opens
        = event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    if (opens
        && (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return
            || event->key() == Qt::Key_Enter)
        && openSelectedPicture()) {
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

void TimelineListView::updateCursor(QPoint point)
{
    const QModelIndex index = indexAt(point);
    bool hand = false;
    if (index.isValid()) {
        const TimelineDelegate::Hit hit = hitAt(index, point);
        if (hit.part == Part::Text && hit.characterIndex >= 0)
            hand = TimelineDelegate::recordFor(index)
                       .attributedString.attributesAt(hit.characterIndex)
                       .pointingHand;
        else
            hand = hit.part == Part::Avatar || hit.part == Part::Picture
                || (isRowButton(hit.part) && hit.enabled);
    }
    if (hand)
        viewport()->setCursor(Qt::PointingHandCursor);
    else
        viewport()->unsetCursor();
}

void TimelineListView::leaveEvent(QEvent *event)
{
    viewport()->unsetCursor();
    QListView::leaveEvent(event);
}
