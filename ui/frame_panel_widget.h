#pragma once
// The frame panel's Qt views: the three sections of the side panel ("Основные параметры рамки",
// "Тип и наполнение рамки", "Фон под рамкой") over the frame commands' panel model, and the frame
// dialogs' windows registered with the platform.
#include "frames/frame_commands.h"

class QWidget;

namespace kv::ui {

class QtPlatform;

// section 0, 1 or 2: the controls of that side-panel section, parented to parent.
QWidget* CreateFramePanelSection(int section, TFrameCommands& commands, QWidget* parent);
void RegisterFrameDialogs(QtPlatform& platform, TFrameCommands& commands);

} // namespace kv::ui
