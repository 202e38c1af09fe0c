#pragma once

struct CommandContext;

// The main window's commands of the room board.

// "房间组数设定(&F)": the group count dialog; after OK the desk is told that the change takes
// effect at the next start.
void OpenGroupCount(const CommandContext& context);
