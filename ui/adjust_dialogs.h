#pragma once
// The Qt windows of the adjustment dialogs, registered with the platform by their dialog names.
#include "adjust/adjust_commands.h"

namespace kv::ui {

class QtPlatform;

void RegisterAdjustDialogs(QtPlatform& platform, TAdjustCommands& commands);

} // namespace kv::ui
