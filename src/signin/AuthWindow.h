#pragma once

#include "signin/SignInPage.h"

#include <QUrl>
#include <QWidget>

#include <chrono>

class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTimer;
class QWebEngineLoadingInfo;
class QWebEngineView;

// The sign-in window shown while no account is signed in: the service's own
// sign-in page in a web view, a progress bar while it loads, and a plain
// message with Retry when it cannot be shown. Closing it or Quit ends the
// program, since there is nothing else to go back to.
class AuthWindow : public QWidget {
    Q_OBJECT
public:
    explicit AuthWindow(QWidget *parent = nullptr);
    ~AuthWindow() override;

    // Loads the page; Retry loads it again.
    void load(const QUrl &address);
    void setNavigationFilter(SignInPage::NavigationFilter filter);
    // Once the token is caught, the cancelled redirect's failure is expected
    // and neither logged nor shown.
    void setIgnoreErrors(bool ignore) { m_ignoreErrors = ignore; }
    bool ignoresErrors() const { return m_ignoreErrors; }
    // How long a load may go without progress before it counts as failed.
    void setLoadTimeout(std::chrono::milliseconds timeout);

    QWebEngineView *webView() const { return m_view; }
    bool isShowingFailure() const;
    QString failureMessage() const;
    bool isShowingProgress() const;

Q_SIGNALS:
    void quitRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void loadingChanged(const QWebEngineLoadingInfo &info);
    void loadFailed(const QWebEngineLoadingInfo &info);
    void progressed(int percent);
    void timedOut();
    void showFailure(const QString &message);
    void retry();

    QStackedWidget *m_pages = nullptr;
    QWebEngineView *m_view = nullptr;
    SignInPage *m_page = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_failure = nullptr;
    QPushButton *m_retry = nullptr;
    QTimer *m_stallTimer = nullptr;
    QUrl m_address;
    bool m_ignoreErrors = false;
};
