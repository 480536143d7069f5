#include "signin/AuthWindow.h"

#include "service/SignIn.h"

#include <QCloseEvent>
#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QTimer>
#include <QUrlQuery>
#include <QVBoxLayout>
#include <QWebEngineLoadingInfo>
#include <QWebEngineView>

namespace {

constexpr std::chrono::milliseconds defaultLoadTimeout { 30000 };

const QString notReachedText = QStringLiteral(
    "The sign-in page could not be reached. Check your network connection, then try again.");
const QString timedOutText = QStringLiteral(
    "The sign-in page did not load in time. Check your network connection, then try again.");
const QString serviceFailedText = QStringLiteral(
    "The service could not show its sign-in page (it answered %1). Try again in a moment.");
const QString refusedText = QStringLiteral(
    "Velto was not given access to your account. To use Velto, sign in and allow access.");
const QString notCompletedText
    = QStringLiteral("The sign-in did not complete. Please sign in again.");

QWidget *failurePanel(QLabel *message, QPushButton *retry, QPushButton *quit, QWidget *parent)
{
    auto *panel = new QWidget(parent);
    auto *title = new QLabel(QStringLiteral("Cannot Sign In"), panel);
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    title->setFont(bold);
    message->setWordWrap(true);
    message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *buttons = new QHBoxLayout();
    buttons->addStretch();
    buttons->addWidget(quit);
    buttons->addWidget(retry);
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(32, 32, 32, 32);
    layout->addStretch();
    layout->addWidget(title);
    layout->addWidget(message);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    layout->addStretch();
    return panel;
}

} // namespace

AuthWindow::AuthWindow(QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Sign In"));
    resize(480, 620);

    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 100);
    m_progress->setTextVisible(false);
    m_progress->setMaximumHeight(4);
    m_progress->hide();

    m_view = new QWebEngineView(this);
    m_page = new SignInPage(m_view);
    m_view->setPage(m_page);

    m_failure = new QLabel(this);
    m_retry = new QPushButton(QStringLiteral("Retry"), this);
    m_retry->setDefault(true);
    auto *quit = new QPushButton(QStringLiteral("Quit"), this);

    m_pages = new QStackedWidget(this);
    m_pages->addWidget(m_view);
    m_pages->addWidget(failurePanel(m_failure, m_retry, quit, this));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_progress);
    layout->addWidget(m_pages);

    m_stallTimer = new QTimer(this);
    m_stallTimer->setSingleShot(true);
    m_stallTimer->setInterval(defaultLoadTimeout);
    connect(m_stallTimer, &QTimer::timeout, this, &AuthWindow::timedOut);

    connect(m_page, &QWebEnginePage::loadingChanged, this, &AuthWindow::loadingChanged);
    connect(m_page, &QWebEnginePage::loadProgress, this, &AuthWindow::progressed);
    connect(m_retry, &QPushButton::clicked, this, &AuthWindow::retry);
    connect(quit, &QPushButton::clicked, this, &AuthWindow::quitRequested);

    // The page has the keyboard most of the time; these work there too. Written
    // out, since a platform theme without key bindings has no standard Quit.
    auto *quitShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    connect(quitShortcut, &QShortcut::activated, this, &AuthWindow::quitRequested);
    auto *closeShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this);
    connect(closeShortcut, &QShortcut::activated, this, &QWidget::close);
}

AuthWindow::~AuthWindow()
{
    // The page goes before the view that shows it.
    m_view->setPage(nullptr);
    delete m_page;
}

void AuthWindow::load(const QUrl &address)
{
    m_address = address;
    m_pages->setCurrentWidget(m_view);
    m_page->load(address);
}

void AuthWindow::setNavigationFilter(SignInPage::NavigationFilter filter)
{
    m_page->setNavigationFilter(std::move(filter));
}

void AuthWindow::setLoadTimeout(std::chrono::milliseconds timeout)
{
    m_stallTimer->setInterval(timeout);
}

bool AuthWindow::isShowingFailure() const
{
    return m_pages->currentWidget() != m_view;
}

QString AuthWindow::failureMessage() const
{
    return isShowingFailure() ? m_failure->text() : QString();
}

bool AuthWindow::isShowingProgress() const
{
    return m_progress->isVisible();
}

void AuthWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    Q_EMIT quitRequested();
}

void AuthWindow::loadingChanged(const QWebEngineLoadingInfo &info)
{
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        m_progress->setValue(0);
        m_progress->show();
        m_stallTimer->start();
        break;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        m_progress->hide();
        m_stallTimer->stop();
        break;
    case QWebEngineLoadingInfo::LoadFailedStatus:
        m_progress->hide();
        m_stallTimer->stop();
        loadFailed(info);
        break;
    }
}

void AuthWindow::loadFailed(const QWebEngineLoadingInfo &info)
{
    if (m_ignoreErrors)
        return;
    qWarning().noquote() << "Sign-in page:" << info.errorString() << info.errorCode()
                         << SignIn::addressForLog(info.url());
    if (SignIn::isRedirect(info.url().toString())) {
        // The service sent the user back without a token: refused or broken.
        const QUrlQuery answer(info.url().fragment());
        showFailure(answer.queryItemValue(QStringLiteral("error")) == u"access_denied"
                ? refusedText
                : notCompletedText);
        return;
    }
    if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain) {
        // A 4xx page is the service's own word (a wrong password, say): shown as it is.
        if (info.errorCode() >= 500)
            showFailure(serviceFailedText.arg(info.errorCode()));
        return;
    }
    showFailure(notReachedText);
}

void AuthWindow::progressed(int percent)
{
    m_progress->setValue(percent);
    if (m_stallTimer->isActive())
        m_stallTimer->start();
}

void AuthWindow::timedOut()
{
    m_page->triggerAction(QWebEnginePage::Stop);
    if (m_ignoreErrors)
        return;
    qWarning().noquote() << "Sign-in page: no progress for" << m_stallTimer->interval() << "ms"
                         << SignIn::addressForLog(m_page->requestedUrl());
    showFailure(timedOutText);
}

void AuthWindow::showFailure(const QString &message)
{
    m_progress->hide();
    m_failure->setText(message);
    m_pages->setCurrentIndex(1);
    m_retry->setFocus();
}

void AuthWindow::retry()
{
    if (m_address.isValid())
        load(m_address);
}
