#pragma once

#include "MainFlasherState.h"

namespace vexlo {

// What the tests look at inside the window's state; the program itself reaches none of it.
struct MainFlasherStateTestAccess {
    const MainFlasherState &state;
    const std::optional<InstallRecord> &lastRun() const { return state.m_install.lastRun(); }
    bool shouldRefreshLatest() const { return state.m_shouldRefreshLatest; }
};

} // namespace vexlo
