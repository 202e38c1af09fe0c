#pragma once

struct AppServices;
class QWidget;

// What a command of the main window is run with: the desk's services and the window that
// parents the dialog it opens. Each subsystem offers one opener per command in a small header
// of its own (rooms/RoomCommands.h, …), void Open…(const CommandContext&), and the shell's
// command table binds them to the menu and the picture buttons.
struct CommandContext
{
    AppServices& services;
    QWidget* window = nullptr;
};
