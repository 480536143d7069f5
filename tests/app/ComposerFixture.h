#pragma once

// The program against the sandbox, signed in and showing its first page, for
// the composer's tests.
#include "ProgramTest.h"

#include "app/AppDelegate.h"
#include "app/ComposerController.h"
#include "app/ComposerPane.h"
#include "app/MainWindow.h"
#include "core/AppPaths.h"
#include "core/Preferences.h"
#include "platform/SystemBeep.h"
#include "service/PostsArrayController.h"
#include "service/StreamLoader.h"
#include "support/DataFiles.h"
#include "text/LinedTextView.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

class ComposerFixture : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        if (HasFatalFailure())
            return;
        SystemBeep::setPlayer([this] { ++beeps; });
        startProgram();
    }
    void TearDown() override
    {
        SystemBeep::setPlayer({});
        ProgramTest::TearDown();
    }

    void startProgram()
    {
        start();
        QApplication::setActiveWindow(delegate->window());
    }

    ComposerController &composer() { return delegate->composer(); }
    LinedTextView &view() { return *window().composer(); }
    ComposerPane &pane() { return *window().composerPane(); }
    void select(const QString &postId) { selectPost(postId); }

    // Types into the composer as a user would.
    void type(const QString &text)
    {
        view().setFocus();
        QTest::keyClicks(&view(), text);
    }

    // The POST requests to the posts endpoint the sandbox has seen.
    QList<QJsonObject> postRequests()
    {
        return requestsTo(QStringLiteral("POST"), QStringLiteral("/stream/0/posts"));
    }

    // Sends what the composer holds and waits for the answer.
    bool sendAndWait(const std::function<void()> &send)
    {
        QSignalSpy finished(&composer(), &ComposerController::postFinished);
        send();
        if (!finished.wait(15000))
            return false;
        return finished.first().at(0).toBool();
    }

    QString draftPath() const
    {
        return AppPaths::supportFolder() + QLatin1Char('/') + DataFiles::draftFileName;
    }

    int beeps = 0;
};
