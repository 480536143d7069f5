#include "app/UserPanelController.h"

#include "app/MainWindow.h"
#include "app/UserPanel.h"
#include "core/NotificationBus.h"
#include "core/NotificationNames.h"
#include "core/Preferences.h"
#include "platform/AlertPresenter.h"
#include "service/Account.h"
#include "service/SelectedPost.h"
#include "service/StreamLoader.h"
#include "service/UserLookup.h"
#include "text/JsonAccess.h"
#include "views/UserListModel.h"

#include <QInputDialog>
#include <QJsonArray>
#include <QPushButton>

UserPanelController::UserPanelController(MainWindow *window, const SelectedPost *selection,
    Account *account, StreamLoader *streams, UserLookup *users, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_selection(selection)
    , m_account(account)
    , m_streams(streams)
    , m_users(users)
{
    connect(m_users, &UserLookup::userLoaded, this,
        &UserPanelController::showUserInfoPanelForDictionary);
    // A hashtag's posts coming on screen end the sheet (the user's own posts
    // end it from the sheet's button).
    connect(m_streams, &StreamLoader::shownStreamChanged, this, [this] {
        const QString label = m_streams->backBarLabel();
        const bool newHashtag
            = m_streams->currentStreamKind() == StreamKind::Hashtag && label != m_shownLabel;
        m_shownLabel = label;
        if (newHashtag)
            closeSheet();
    });
}

UserPanel *UserPanelController::ensurePanel()
{
    if (!m_panel) {
        m_panel = new UserPanel(m_window);
        connect(m_panel, &UserPanel::followClicked, this, &UserPanelController::unFollowAction);
        connect(m_panel, &UserPanel::postsClicked, this, &UserPanelController::loadUserPosts);
        connect(m_panel, &UserPanel::userChosen, this, &UserPanelController::loadModalUserInfo);
        // Escape and Close forget the user and the lists.
        connect(m_panel, &QDialog::rejected, this, &UserPanelController::closeSheet);
    }
    return m_panel;
}

UserPanel *UserPanelController::panel() const
{
    return m_panel;
}

bool UserPanelController::isPanelVisible() const
{
    return m_panel && m_panel->isVisible();
}

void UserPanelController::showUserInfoPanel()
{
    const QVariantMap user = m_selection->currentDictionary().value(QStringLiteral("user")).toMap();
    if (JsonAccess::textForKeyPath(user, u"id").isEmpty())
        return;
    showUserInfoPanelForDictionary(user);
}

void UserPanelController::showUserInfoPanelForDictionary(const QVariantMap &user)
{
    UserPanel *panel = ensurePanel();
    ++m_generation;
    Preferences::standard().setValue(prefs::selectedUserTabViewIndex, 0);
    panel->showUser(user,
        m_account->meID().isEmpty() ? Preferences::standard().value(prefs::meID).value_or(QString())
                                    : m_account->meID());
    if (!panel->isVisible()) {
        panel->move(m_window->geometry().topLeft());
        panel->open();
    }
    loadFollowers(JsonAccess::textForKeyPath(user, u"id"));
}

void UserPanelController::loadModalUserInfo(const QString &userId)
{
    if (userId.isEmpty())
        return;
    Preferences::standard().setValue(prefs::modalUserID, userId);
    m_users->requestUserDictionaryFromID(userId);
}

void UserPanelController::loadFollowers(const QString &userId)
{
    m_window->startProgress();
    const quint64 generation = m_generation;
    m_account->api().send(ApiCall(Endpoint::Followers, userId), this,
        [this, userId, generation](const ApiResult &result) {
            if (generation != m_generation || !m_panel) {
                m_window->stopProgress();
                return;
            }
            if (!result.succeeded()) {
                m_window->stopProgress();
                return; // the alert is the request layer's
            }
            m_panel->followers()->setUsers(result.jsonArray().toVariantList());
            loadFollowing(userId);
        });
}

void UserPanelController::loadFollowing(const QString &userId)
{
    const quint64 generation = m_generation;
    m_account->api().send(
        ApiCall(Endpoint::Following, userId), this, [this, generation](const ApiResult &result) {
            m_window->stopProgress();
            if (generation != m_generation || !m_panel || !result.succeeded())
                return;
            m_panel->following()->setUsers(result.jsonArray().toVariantList());
        });
}

void UserPanelController::unFollowAction(int tag)
{
    if (!m_panel)
        return;
    const QVariantMap user = m_panel->user();
    const QString id = JsonAccess::textForKeyPath(user, u"id");
    const QString username = JsonAccess::textForKeyPath(user, u"username");
    if (id.isEmpty())
        return;
    const bool unfollow = tag != 0;
    m_window->startProgress();
    m_panel->followButton()->setEnabled(false);
    const quint64 generation = m_generation;
    m_account->api().send(ApiCall(unfollow ? Endpoint::UnfollowUser : Endpoint::FollowUser, id),
        this, [this, unfollow, username, generation](const ApiResult &result) {
            m_window->stopProgress();
            if (m_panel)
                m_panel->followButton()->setEnabled(true);
            if (!result.succeeded())
                return; // the alert is the request layer's; the button keeps its state
            // The button says what the service now holds.
            if (m_panel && generation == m_generation)
                m_panel->setYouFollow(!unfollow);
            alerts::success((unfollow ? QStringLiteral("You are no longer following: @%1.")
                                      : QStringLiteral("You are now following: @%1."))
                                .arg(username));
        });
}

void UserPanelController::muteUser()
{
    const QVariantMap post = m_selection->currentDictionary();
    const QString id = JsonAccess::textForKeyPath(post, u"user.id");
    const QString username = JsonAccess::textForKeyPath(post, u"user.username");
    if (id.isEmpty())
        return;
    const int answer = alerts::show(QStringLiteral("Mute User"),
        QStringLiteral("Do you really want to mute this user?"),
        { QStringLiteral("Mute"), QStringLiteral("Cancel") });
    if (answer != 0)
        return;
    m_window->startProgress();
    m_account->api().send(
        ApiCall(Endpoint::MuteUser, id), this, [this, username](const ApiResult &result) {
            m_window->stopProgress();
            if (result.succeeded())
                alerts::success(QStringLiteral("You've muted user: @%1.").arg(username));
        });
}

void UserPanelController::loadUserPosts()
{
    if (!m_panel)
        return;
    // The panel's user becomes the stream's only here; closing the panel
    // changes nothing of what is shown.
    const QVariantMap user = m_panel->user();
    closeSheet();
    m_streams->showUserPosts(user);
}

void UserPanelController::closeSheet()
{
    ++m_generation;
    if (!m_panel)
        return;
    m_panel->followers()->clear();
    m_panel->following()->clear();
    if (m_panel->isVisible())
        m_panel->hide();
}

void UserPanelController::openSearchWindow()
{
    openSearch(QStringLiteral("Search For Tag"), searchHashtag);
}

void UserPanelController::openUserSearchWindow()
{
    openSearch(QStringLiteral("Search For User"), searchUser);
}

void UserPanelController::openSearch(const QString &title, int scope)
{
    Preferences::standard().setValue(prefs::searchTitle, title);
    Preferences::standard().setValue(prefs::searchScope, scope);
    auto *sheet = new QInputDialog(m_window);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->setWindowTitle(title);
    sheet->setLabelText(title);
    sheet->setOkButtonText(QStringLiteral("Search"));
    sheet->resize(m_window->width(), sheet->sizeHint().height());
    connect(sheet, &QInputDialog::textValueSelected, this,
        [this, scope](const QString &text) { performSearch(scope, text); });
    sheet->open();
}

void UserPanelController::performSearch(int scope, const QString &typed)
{
    // The "#" or "@" is put in front here; one the user typed is not doubled.
    const QChar sign = scope == searchHashtag ? u'#' : u'@';
    const QString text = typed.startsWith(sign) ? typed.mid(1) : typed;
    if (text.isEmpty())
        return;
    if (scope == searchHashtag) {
        Preferences::standard().setValue(prefs::currentHashtag, sign + text);
        NotificationBus::defaultCenter().post(nf::loadHash, QString(sign + text));
        return;
    }
    m_window->startProgress();
    m_account->api().send(
        ApiCall(Endpoint::UserSearch, text), this, [this](const ApiResult &result) {
            m_window->stopProgress();
            if (result.succeeded() && result.json.isObject())
                showUserInfoPanelForDictionary(result.jsonObject().toVariantMap());
        });
}
