#pragma once
// The Qt windows of the effect dialogs, registered with the platform by their dialog names.
#include "effects/effect_commands.h"

namespace kv::ui {

class QtPlatform;

void RegisterEffectDialogs(QtPlatform& platform, TEffectCommands& commands);

} // namespace kv::ui
