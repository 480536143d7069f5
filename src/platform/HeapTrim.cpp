#include "platform/HeapTrim.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

HeapTrim::HeapTrim(QObject *parent)
    : QObject(parent)
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(quietMs);
    connect(&m_quiet, &QTimer::timeout, this, [] {
#if defined(__GLIBC__)
        malloc_trim(0);
#endif
    });
}

void HeapTrim::workDone()
{
    m_quiet.start();
}
