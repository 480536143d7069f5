#pragma once

// The program against the sandbox, signed in and showing its first page, for
// the composer's tests.
#include "SandboxServer.h"
#include "SignedInProfile.h"
#include "TestSupport.h"

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

class ComposerFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::pointXdgFoldersAt(profile.path());
        ASSERT_TRUE(sandbox.start());
        testsupport::prepareSignedInProfile(sandbox);
        SystemBeep::setPlayer([this] { ++beeps; });
        startProgram();
    }
    void TearDown() override
    {
        SystemBeep::setPlayer({});
        delegate.reset();
        Preferences::resetStandard();
    }

    void startProgram()
    {
        delegate = std::make_unique<AppDelegate>();
        QSignalSpy finished(&delegate->streams(), &StreamLoader::streamLoadFinished);
        delegate->awakeFromNib();
        ASSERT_TRUE(finished.wait(15000));
        QApplication::setActiveWindow(delegate->window());
    }

    MainWindow &window() { return *delegate->window(); }
    ComposerController &composer() { return delegate->composer(); }
    LinedTextView &view() { return *window().composer(); }
    ComposerPane &pane() { return *window().composerPane(); }
    PostsArrayController &posts() { return *delegate->postsArrayController(); }

    void select(const QString &postId)
    {
        const auto row = posts().rowOfId(postId);
        ASSERT_TRUE(row.has_value()) << postId.toStdString();
        posts().setSelectionIndex(*row);
    }

    // Types into the composer as a user would.
    void type(const QString &text)
    {
        view().setFocus();
        QTest::keyClicks(&view(), text);
    }

    // The POST requests to the posts endpoint the sandbox has seen.
    QList<QJsonObject> postRequests()
    {
        QList<QJsonObject> found;
        for (const QJsonValue &value : sandbox.requests()) {
            const QJsonObject request = value.toObject();
            if (request.value(QStringLiteral("method")).toString() == u"POST"
                && request.value(QStringLiteral("path")).toString() == u"/stream/0/posts")
                found.append(request);
        }
        return found;
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

    QTemporaryDir profile;
    SandboxServer sandbox;
    testsupport::ScriptedAlerts alerts;
    std::unique_ptr<AppDelegate> delegate;
    int beeps = 0;
};
