#pragma once

#include <QObject>
#include <QPointer>

class AppDelegate;
class QWidget;

// With VELTO_STARTUP_REPORT=1 in the environment the program prints a line on
// standard error when a window of it is first exposed (mapped on screen), and
// one when the first page of posts has been painted (posts shown, resident
// memory), then runs on. The start-up benchmark reads them.
class StartupReport : public QObject {
    Q_OBJECT
public:
    static bool isRequested();
    StartupReport(AppDelegate *delegate, QWidget *list);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_list;
    int m_posts = -1;
    bool m_mapped = false;
    bool m_reported = false;
};
