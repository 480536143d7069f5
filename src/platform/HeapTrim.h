#pragma once

#include <QObject>
#include <QTimer>

// Gives the memory freed after a burst of work back to the system. Reading a
// page of posts parses and styles on worker threads; the C library keeps what
// they freed in per-thread heaps, several megabytes that a program which then
// sits idle for hours never needs again. `workDone()` asks for a trim once the
// program has been quiet for a moment; a run of calls makes one trim.
class HeapTrim : public QObject {
    Q_OBJECT
public:
    static constexpr int quietMs = 1500;

    explicit HeapTrim(QObject *parent = nullptr);

    void workDone();

private:
    QTimer m_quiet;
};

// A figure of this process's /proc/self/status in kibibytes, such as
// "VmRSS" or "RssAnon" (0 where unknown).
qint64 processMemoryKiB(const char *field);
