#pragma once

#include "platform/AlertPresenter.h"
#include "platform/UrlOpener.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <string>

class PostsArrayController;
class SandboxServer;

namespace testsupport {

// Points every outside address of the program (API, sites, hosts) at
// `sandbox`, for this process and the programs it starts.
void pointProgramAt(const SandboxServer &sandbox);

// Sets HOME and the XDG folders to fresh folders below `root`, and forgets the
// preferences store opened so far.
void pointXdgFoldersAt(const QString &root);

// Runs the event loop until `done` answers true or the time runs out.
bool waitUntil(
    const std::function<bool()> &done, std::chrono::milliseconds timeout = std::chrono::seconds(5));

// The ids of the posts in the order the list shows them.
QStringList arrangedIds(const PostsArrayController &posts);

// The file names of the image and icon-engine plugins this process has loaded,
// joined by blanks.
std::string loadedImagePlugins();

// Records every alert and answers with the queued button indexes (0 when the
// queue is empty). Installed for the lifetime of the object.
class ScriptedAlerts {
public:
    ScriptedAlerts();
    ~ScriptedAlerts();
    QList<Alert> shown() const;
    void answerNext(int buttonIndex);

    struct State;

private:
    State *m_state;
};

// Records every URL handed to the browser. Installed for its lifetime.
class RecordingOpener {
public:
    RecordingOpener();
    ~RecordingOpener();
    QList<QUrl> opened() const;

private:
    QList<QUrl> *m_opened;
};

} // namespace testsupport
