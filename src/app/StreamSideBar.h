#pragma once

class MainWindow;
class QObject;

// The side bar's five streams: Stream, Posts, Mentions, Global and Starred,
// with their pictures; the row of the stream loaded at start is selected.
namespace StreamSideBar {

void setUp(MainWindow *window, QObject *delegate);

} // namespace StreamSideBar
