#pragma once

// The whole program, signed in against the sandbox with its latency, its
// window shown and in front on the test's own X display.
#include "ProgramTest.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "core/Preferences.h"
#include "views/SRRecorderControl.h"

#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

// Another program on the same display: it grabs keys and the keyboard, takes
// the input focus to a window of its own, and asks windows to close as a
// window manager's close button does.
class OtherClient {
public:
    OtherClient()
        : m_connection(xcb_connect(nullptr, nullptr))
        , m_root(xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root)
    {
    }
    ~OtherClient() { xcb_disconnect(m_connection); }
    bool grabKey(xcb_keycode_t keycode, quint16 x11Modifiers)
    {
        return succeeded(xcb_grab_key_checked(m_connection, 1, m_root, x11Modifiers, keycode,
            XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    // Whether the keyboard is free to take (it is given back at once).
    bool canGrabKeyboard()
    {
        auto *reply = xcb_grab_keyboard_reply(m_connection,
            xcb_grab_keyboard(m_connection, 0, m_root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC,
                XCB_GRAB_MODE_ASYNC),
            nullptr);
        const bool grabbed = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
        std::free(reply);
        xcb_ungrab_keyboard(m_connection, XCB_CURRENT_TIME);
        xcb_flush(m_connection);
        return grabbed;
    }
    // A window of its own comes forward with the keyboard.
    void takeFocus()
    {
        if (!m_window) {
            m_window = xcb_generate_id(m_connection);
            const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
            xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, m_root, 0, 0, 50, 50, 0,
                XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
            xcb_map_window(m_connection, m_window);
        }
        succeeded(xcb_set_input_focus_checked(
            m_connection, XCB_INPUT_FOCUS_POINTER_ROOT, m_window, XCB_CURRENT_TIME));
    }
    // Gives the keyboard to a window, as a window manager does on a click.
    void focus(xcb_window_t window)
    {
        succeeded(xcb_set_input_focus_checked(
            m_connection, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME));
    }
    // WM_DELETE_WINDOW, as the close button in a window's frame sends it.
    void askToClose(xcb_window_t window)
    {
        xcb_client_message_event_t message {};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = atom("WM_PROTOCOLS");
        message.data.data32[0] = atom("WM_DELETE_WINDOW");
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(m_connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
            reinterpret_cast<const char *>(&message));
        xcb_flush(m_connection);
    }

private:
    bool succeeded(xcb_void_cookie_t cookie)
    {
        xcb_generic_error_t *error = xcb_request_check(m_connection, cookie);
        std::free(error);
        return error == nullptr;
    }
    xcb_atom_t atom(const char *name)
    {
        auto *reply = xcb_intern_atom_reply(m_connection,
            xcb_intern_atom(m_connection, 0, quint16(std::strlen(name)), name), nullptr);
        const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return found;
    }

    xcb_connection_t *m_connection;
    xcb_window_t m_root;
    xcb_window_t m_window = 0;
};

class ProgramOnX11 : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        ASSERT_TRUE(sandbox.setLatency(250, 50));
        start();
        if (HasFatalFailure())
            return;
        window()->show();
        window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
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
};
