#pragma once

#include <string_view>

#include "app/window/MainWindowEvents.h"

namespace moxel {

// Runs the click handler of the menu item with that name, passing the index
// to the handlers of menu arrays. Returns false for items without a handler
// (submenus, separators, unknown names).
bool runMenuCommand(MainWindowEvents& events, std::string_view name, int index);

} // namespace moxel
