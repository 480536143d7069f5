#include "app/UserPanel.h"

#include "text/JsonAccess.h"
#include "text/ReadableColors.h"
#include "views/URLImageView.h"
#include "views/UserListModel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const QColor unfollowColour = QColor::fromRgbF(0.398f, 0.147f, 0.274f);
const QColor followColour = QColor::fromRgbF(0.169f, 0.335f, 0.496f);

// 1 means yes; a service that sends true means the same.
bool isOne(const QVariantMap &user, const char *key)
{
    const QVariant value = user.value(QString::fromLatin1(key));
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    return value.toString().toInt() == 1;
}

// What the service writes about a user is text, never markup.
QLabel *plainLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

constexpr int longestDescription = 1000;

} // namespace

UserPanel::UserPanel(QWidget *mainWindow)
    : QDialog(mainWindow)
{
    setWindowTitle(QStringLiteral("User"));
    setWindowModality(Qt::WindowModal);
    setAccessibleName(QStringLiteral("User"));

    m_avatar = new AvatarImageView(this);
    m_avatar->setFixedSize(64, 64);
    m_name = plainLabel(this);
    QFont big = m_name->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.25);
    m_name->setFont(big);
    m_username = plainLabel(this);
    m_description = plainLabel(this);
    m_description->setWordWrap(true);
    m_description->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_counts = plainLabel(this);
    m_followLine = plainLabel(this);
    m_follow = new QPushButton(this);
    auto *posts = new QPushButton(QStringLiteral("Posts"), this);
    auto *close = new QPushButton(QStringLiteral("Close"), this);

    auto *names = new QVBoxLayout();
    names->addWidget(m_name);
    names->addWidget(m_username);
    names->addWidget(m_counts);
    names->addWidget(m_followLine);
    auto *top = new QHBoxLayout();
    top->addWidget(m_avatar, 0, Qt::AlignTop);
    top->addLayout(names, 1);

    m_followers = new UserListModel(this);
    m_following = new UserListModel(this);
    m_followersView = makeList(m_followers);
    m_followingView = makeList(m_following);
    m_tabs = new QTabWidget(this);
    m_tabs->addTab(m_followersView, QStringLiteral("Followers"));
    m_tabs->addTab(m_followingView, QStringLiteral("Following"));

    auto *buttons = new QHBoxLayout();
    buttons->addWidget(m_follow);
    buttons->addWidget(posts);
    buttons->addStretch();
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_description);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(buttons);

    connect(
        m_follow, &QPushButton::clicked, this, [this] { Q_EMIT followClicked(followButtonTag()); });
    connect(posts, &QPushButton::clicked, this, &UserPanel::postsClicked);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    close->setDefault(false);
    close->setAutoDefault(false);
    m_follow->setAutoDefault(false);
    posts->setAutoDefault(false);
}

QListView *UserPanel::makeList(UserListModel *model)
{
    auto *view = new QListView(this);
    view->setModel(model);
    view->setUniformItemSizes(true);
    // Thousands of rows are laid out a batch at a time.
    view->setLayoutMode(QListView::Batched);
    view->setBatchSize(200);
    view->setIconSize(QSize(UserListModel::avatarSize, UserListModel::avatarSize));
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAccessibleName(
        model == m_followers ? QStringLiteral("Followers") : QStringLiteral("Following"));
    // A click or Return on a row; under a style that activates on a single
    // click the two are one event, and only one is taken.
    const auto choose = [this](const QModelIndex &index) {
        Q_EMIT userChosen(index.data(UserListModel::UserIdRole).toString());
    };
    connect(view, &QListView::activated, this, choose);
    if (!view->style()->styleHint(QStyle::SH_ItemView_ActivateItemOnSingleClick, nullptr, view))
        connect(view, &QListView::clicked, this, choose);
    return view;
}

void UserPanel::showUser(const QVariantMap &user, const QString &meID)
{
    m_user = user;
    m_followers->clear();
    m_following->clear();
    m_tabs->setCurrentIndex(0);
    if (parentWidget())
        resize(parentWidget()->width(), std::max(420, parentWidget()->height() * 3 / 4));

    const QString username = JsonAccess::textForKeyPath(user, u"username");
    m_name->setText(JsonAccess::textForKeyPath(user, u"name"));
    m_username->setText(u'@' + username);
    QString description = JsonAccess::textForKeyPath(user, u"description.text");
    if (description.size() > longestDescription) {
        // A description longer than any page would push the lists away.
        qsizetype cut = longestDescription;
        if (description.at(cut - 1).isHighSurrogate())
            --cut;
        description = description.left(cut) + u'…';
    }
    m_description->setText(description);
    m_description->setVisible(!m_description->text().isEmpty());
    const QVariantMap counts = user.value(QStringLiteral("counts")).toMap();
    m_counts->setText(counts.isEmpty()
            ? QString()
            : QStringLiteral("%1 posts · %2 followers · %3 following")
                  .arg(counts.value(QStringLiteral("posts")).toLongLong())
                  .arg(counts.value(QStringLiteral("followers")).toLongLong())
                  .arg(counts.value(QStringLiteral("following")).toLongLong()));
    m_avatar->setImage(QImage());
    const QString avatar = JsonAccess::textForKeyPath(user, u"avatar_image.url");
    if (!avatar.isEmpty())
        m_avatar->loadRequest(URLImageLoader::imageRequest(QUrl(avatar)));

    if (JsonAccess::textForKeyPath(user, u"id") == meID) {
        m_followLine->setText(QStringLiteral("YES, its me!"));
        m_follow->hide();
        return;
    }
    m_follow->show();
    m_followLine->setText(
        (isOne(user, "follows_you") ? QStringLiteral("@%1 is currently following you")
                                    : QStringLiteral("@%1 is currently not following you"))
            .arg(username));
    setYouFollow(isOne(user, "you_follow"));
}

void UserPanel::setYouFollow(bool follow)
{
    m_user.insert(QStringLiteral("you_follow"), follow ? 1 : 0);
    m_follow->setProperty("tag", follow ? 1 : 0);
    m_follow->setText(follow ? QStringLiteral("Unfollow") : QStringLiteral("Follow"));
    colourFollowButton();
}

void UserPanel::colourFollowButton()
{
    // The button's own colours, moved where the palette's button would not
    // let them read. The panel's palette is the one already changed when the
    // desktop's changes.
    const QColor own = followButtonTag() == 1 ? unfollowColour : followColour;
    QPalette colours = m_follow->palette();
    colours.setColor(
        QPalette::ButtonText, ReadableColors::readableOn(own, palette().color(QPalette::Button)));
    m_follow->setPalette(colours);
}

void UserPanel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        colourFollowButton();
    QDialog::changeEvent(event);
}

int UserPanel::followButtonTag() const
{
    return m_follow->property("tag").toInt();
}

QString UserPanel::followLine() const
{
    return m_followLine->text();
}
