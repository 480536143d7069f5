#include "signin/ParentPipe.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

void closeQuietly(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

ParentPipe::ParentPipe(int tokenFd, int requestFd, QObject *parent)
    : QObject(parent)
    , m_tokenFd(tokenFd)
    , m_requestFd(requestFd)
{
    if (m_requestFd >= 0) {
        m_requests = new QSocketNotifier(m_requestFd, QSocketNotifier::Read, this);
        connect(m_requests, &QSocketNotifier::activated, this, &ParentPipe::readRequests);
    }
}

ParentPipe::~ParentPipe()
{
    delete m_requests;
    closeQuietly(m_tokenFd);
    closeQuietly(m_requestFd);
}

ParentPipe *ParentPipe::fromStandardStreams(QObject *parent)
{
    // Both kept above the standard three and closed on exec, so that no
    // process the web engine starts holds Velto's pipes open.
    const int tokenFd = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    const int requestFd = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    if (const int nothing = ::open("/dev/null", O_RDONLY | O_CLOEXEC); nothing >= 0) {
        ::dup2(nothing, STDIN_FILENO);
        ::close(nothing);
    }
    return new ParentPipe(tokenFd, requestFd, parent);
}

bool ParentPipe::sendToken(const QString &token)
{
    const QByteArray line = token.toUtf8() + '\n';
    qsizetype written = 0;
    while (m_tokenFd >= 0 && written < line.size()) {
        const ssize_t n = ::write(m_tokenFd, line.constData() + written, line.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += n;
    }
    closeQuietly(m_tokenFd);
    return written == line.size();
}

void ParentPipe::readRequests()
{
    char buffer[256];
    const ssize_t n = ::read(m_requestFd, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (n <= 0) {
        m_requests->setEnabled(false);
        Q_EMIT parentGone();
        return;
    }
    m_pending.append(buffer, n);
    for (qsizetype end = m_pending.indexOf('\n'); end >= 0; end = m_pending.indexOf('\n')) {
        const QByteArray request = m_pending.left(end).trimmed();
        m_pending.remove(0, end + 1);
        if (request == "raise")
            Q_EMIT comeForwardAsked();
    }
    // Nothing Velto says is that long: a runaway line is dropped, not kept.
    if (m_pending.size() > 1024)
        m_pending.clear();
}
