#pragma once

class SideBar;

// What a side bar's delegate may implement. The side bar calls it only when
// the object given to setSidebarDelegate() implements this interface; any
// other delegate is told nothing, and a click then only moves the selection.
class SideBarDelegate {
public:
    virtual ~SideBarDelegate() = default;
    // The user clicked the button in `row` (it is now the selected one).
    virtual void sideBarDidSelectButton(SideBar *sender, int row) = 0;
};
