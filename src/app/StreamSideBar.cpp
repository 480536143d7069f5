#include "app/StreamSideBar.h"

#include "app/MainWindow.h"
#include "core/Preferences.h"
#include "views/ProgramImages.h"
#include "views/SideBar.h"
#include "views/SideBarImages.h"

namespace {

struct SideBarRow {
    const char16_t *title;
    const char16_t *on;
    const char16_t *off;
};

constexpr SideBarRow sideBarRows[] = {
    { u"Stream", u"streamOn", u"streamOff" },
    { u"Posts", u"postsOn", u"postsOff" },
    { u"Mentions", u"mentionsOn", u"mentionsOff" },
    { u"Global", u"globalOn", u"globalOff" },
    { u"Starred", u"starredOn", u"starredOff" },
};

} // namespace

namespace StreamSideBar {

void setUp(MainWindow *window, QObject *delegate)
{
    SideBar *bar = window->sideBar();
    if (bar->numberOfRows() == 0) {
        bar->setLayoutMode(SideBar::LayoutMode::Top);
        bar->setAnimateSelection(true);
        bar->setSidebarDelegate(delegate);
        bar->setSelectionImage(sideBarSelectionImage(
            window->palette().color(QPalette::Base), window->devicePixelRatioF()));
        for (const SideBarRow &row : sideBarRows) {
            bar->addButtonWithTitle(QString::fromUtf16(row.title),
                programImage(QString::fromUtf16(row.on)),
                programImage(QString::fromUtf16(row.off)));
        }
        window->orderFocusChain();
    }
    bar->selectButtonAtRow(int(Preferences::standard().value(prefs::prefsOnStartLoadStream)));
}

} // namespace StreamSideBar
