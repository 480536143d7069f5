#pragma once

// The whole program, signed in against the sandbox with its latency, its
// window shown and in front on the test's own X display.
#include "SandboxServer.h"
#include "SignedInProfile.h"
#include "TestSupport.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "core/Preferences.h"
#include "views/SRRecorderControl.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

struct ProgramOnX11 : ::testing::Test {
    void SetUp() override
    {
        testsupport::pointXdgFoldersAt(profile.path());
        ASSERT_TRUE(sandbox.start());
        testsupport::prepareSignedInProfile(sandbox);
        ASSERT_TRUE(sandbox.setLatency(250, 50));
        delegate = std::make_unique<AppDelegate>();
        ASSERT_TRUE(testsupport::awakeAndWaitForFirstPage(*delegate));
        window()->show();
        window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
    }
    void TearDown() override
    {
        delegate.reset();
        Preferences::resetStandard();
    }
    MainWindow *window() const { return delegate->window(); }
    // Records a combination in a recorder as the user does: a click, then keys.
    void record(SRRecorderControl *recorder, Qt::Key key)
    {
        QTest::mouseClick(recorder, Qt::LeftButton, {}, QPoint(10, recorder->height() / 2));
        ASSERT_TRUE(recorder->cell().isRecording());
        QTest::keyClick(recorder, key, Qt::ControlModifier | Qt::AltModifier);
        ASSERT_FALSE(recorder->cell().isRecording());
    }

    QTemporaryDir profile;
    SandboxServer sandbox;
    testsupport::ScriptedAlerts alerts;
    std::unique_ptr<AppDelegate> delegate;
};
