#include "app/StartupReport.h"

#include "app/AppDelegate.h"
#include "platform/HeapTrim.h"
#include "service/PostsArrayController.h"
#include "service/StreamLoader.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdio>

bool StartupReport::isRequested()
{
    return qEnvironmentVariableIntValue("VELTO_STARTUP_REPORT") == 1;
}

StartupReport::StartupReport(AppDelegate *delegate, QWidget *list)
    : QObject(delegate)
    , m_list(list)
{
    QCoreApplication::instance()->installEventFilter(this);
    // The first page is the stored one when there is one, else the service's.
    const auto firstPage = [this, delegate] {
        if (m_posts >= 0)
            return;
        m_posts = delegate->postsArrayController()->count();
        if (m_list) {
            m_list->installEventFilter(this);
            m_list->update();
        }
    };
    connect(&delegate->streams(), &StreamLoader::streamLoadFinished, this, firstPage);
    connect(&delegate->streams(), &StreamLoader::storedPageShown, this, firstPage);
}

bool StartupReport::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_mapped && event->type() == QEvent::Expose && watched->isWindowType()
        && static_cast<QWindow *>(watched)->isExposed()) {
        m_mapped = true;
        QCoreApplication::instance()->removeEventFilter(this);
        std::fprintf(stderr, "velto: window mapped\n");
        std::fflush(stderr);
    }
    if (watched == m_list && event->type() == QEvent::Paint && !m_reported) {
        m_reported = true;
        // After this paint has finished.
        QTimer::singleShot(0, this, [this] {
            std::fprintf(stderr, "velto: first page painted: %d posts, resident memory %lld KiB\n",
                m_posts, static_cast<long long>(processMemoryKiB("VmRSS")));
            std::fflush(stderr);
        });
    }
    return QObject::eventFilter(watched, event);
}
