#include "app/PostActions.h"

#include "app/MainWindow.h"
#include "core/OutsideAddresses.h"
#include "platform/AlertPresenter.h"
#include "platform/UrlOpener.h"
#include "service/ApiClient.h"
#include "service/PostsArrayController.h"
#include "service/SelectedPost.h"
#include "service/StreamLoader.h"
#include "text/JsonAccess.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPointer>

namespace {

const QString deleteTitle = QStringLiteral("Delete Post");
const QString deleteText = QStringLiteral("Do you really want to delete this post?");

// The clipboard holds this one plain string and nothing else.
void putOnClipboard(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
}

} // namespace

PostActions::PostActions(SelectedPost *selection, PostsArrayController *posts,
    StreamLoader *streams, const ApiClient *api, MainWindow *window, QObject *parent)
    : QObject(parent)
    , m_selection(selection)
    , m_posts(posts)
    , m_streams(streams)
    , m_api(api)
    , m_window(window)
{
    connect(m_selection, &SelectedPost::changed, this, &PostActions::stateChanged);
}

QString PostActions::starItemTitle() const
{
    return m_selection->isPostStarred() ? QStringLiteral("Unstar Post")
                                        : QStringLiteral("Star Post");
}

bool PostActions::canDelete() const
{
    return m_selection->isMe() && !m_selection->replyOrQuoteID().isEmpty();
}

QUrl PostActions::permalink() const
{
    const QString username
        = JsonAccess::textForKeyPath(m_selection->currentDictionary(), u"user.username");
    const QString id = m_selection->replyOrQuoteID();
    if (username.isEmpty() || id.isEmpty())
        return {};
    QString base = OutsideAddresses::current().siteBase;
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    // Each part is one path segment, whatever it holds.
    return QUrl(base + QLatin1Char('/') + QString::fromUtf8(QUrl::toPercentEncoding(username))
        + QStringLiteral("/post/") + QString::fromUtf8(QUrl::toPercentEncoding(id)));
}

void PostActions::starOrUnstarPost()
{
    const QString id = m_selection->replyOrQuoteID();
    if (m_busy || id.isEmpty())
        return;
    const bool star = !m_selection->isPostStarred();
    m_busy = true;
    m_window->startProgress();
    QPointer<MainWindow> window(m_window);
    m_api->send(ApiCall(star ? Endpoint::StarPost : Endpoint::UnstarPost, id), this,
        [this, window, id, star](const ApiResult &result) {
            m_busy = false;
            if (window)
                window->stopProgress();
            // A failure has its alert from the request layer; nothing changes.
            if (result.succeeded())
                starSucceeded(id, star);
        });
}

void PostActions::starSucceeded(const QString &postId, bool starred)
{
    // The post the request was for, wherever the list has it now.
    PostsModel *model = m_posts->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const PostRecord *record = model->recordAt(row);
        if (!record || record->id() != postId)
            continue;
        PostRecord changed = *record;
        changed.post.insert(QStringLiteral("you_starred"), starred);
        model->replaceRecord(row, changed);
        break;
    }
    m_posts->rearrangeObjects();
    // The menu title follows the post's new state at once, so the next
    // command is the right one.
    m_selection->selectionChanged(m_streams->currentStreamKind());
    Q_EMIT stateChanged();
    if (!starred && m_streams->currentStreamKind() == StreamKind::Starred)
        m_streams->doTheRefreshVoid();
}

void PostActions::deletePost()
{
    const QString id = m_selection->replyOrQuoteID();
    if (m_busy || !canDelete())
        return;
    const int answer = alerts::show(alerts::localized(deleteTitle), alerts::localized(deleteText),
        { QStringLiteral("Do this"), QStringLiteral("Cancel") });
    if (answer != 0)
        return;
    m_busy = true;
    m_window->startProgress();
    QPointer<MainWindow> window(m_window);
    m_api->send(ApiCall(Endpoint::DeletePost, id), this, [this, window](const ApiResult &result) {
        m_busy = false;
        if (window)
            window->stopProgress();
        // The row stays until the stream is next loaded.
        if (result.succeeded())
            alerts::success(QStringLiteral("Post deleted."));
    });
}

void PostActions::copyLinkToPost()
{
    const QUrl link = permalink();
    if (link.isValid())
        putOnClipboard(link.toString(QUrl::FullyEncoded));
}

void PostActions::openPostInBrowser()
{
    const QUrl link = permalink();
    if (link.isValid())
        UrlOpener::openOrTell(link);
}

void PostActions::openSource()
{
    const QUrl source(JsonAccess::textForKeyPath(m_selection->currentDictionary(), u"source.link"));
    if (source.isValid() && !source.isEmpty())
        UrlOpener::openFromService(source);
}

void PostActions::copyPostToClipboard()
{
    const QVariant text = m_selection->currentDictionary().value(QStringLiteral("text"));
    if (text.isValid())
        putOnClipboard(text.toString());
}
