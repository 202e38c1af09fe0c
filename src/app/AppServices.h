#pragma once

class Clock;
class Database;
class DesktopLauncher;
class MessageService;
class PrinterChooser;
struct DeskState;

// What windows and dialogs are given through their constructors: the database, the desk
// state of this run, and the seams that make every dialog drivable in a test.
struct AppServices
{
    Database& database;
    DeskState& desk;
    MessageService& messages;
    const Clock& clock;
    PrinterChooser& printers;
    DesktopLauncher& launcher;
};
