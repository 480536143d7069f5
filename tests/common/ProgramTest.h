#pragma once

// The fixture of the tests that run the whole program against the sandbox:
// private folders, a started sandbox, a profile signed in as its demo user
// and recorded alerts. The program is made by start(), after whatever the
// test writes into the preferences first.
#include "SandboxServer.h"
#include "SignedInProfile.h"
#include "TestSupport.h"

#include <QJsonObject>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

class AppDelegate;
class MainWindow;
class PostsArrayController;

class ProgramTest : public ::testing::Test {
protected:
    ProgramTest();
    ~ProgramTest() override;

    void SetUp() override;
    void TearDown() override;

    // Makes the program, starts it and waits for its first page to load.
    void start();
    // Runs `action` and waits for the stream load it starts; true when the
    // load ended as expected.
    bool waitForLoad(const std::function<void()> &action, bool expectSuccess = true);

    MainWindow &window() const;
    PostsArrayController &posts() const;
    QStringList shownIds() const;
    // Selects the shown post with this id.
    void selectPost(const QString &postId);
    // The requests with this method and path the sandbox has served.
    QList<QJsonObject> requestsTo(const QString &method, const QString &path);

    QTemporaryDir profile;
    SandboxServer sandbox;
    testsupport::ScriptedAlerts alerts;
    std::unique_ptr<AppDelegate> delegate;
};
