#pragma once

class AlertSound;
class Clock;
class Database;
class DeskSession;
class DesktopLauncher;
class FileChooser;
class MessageService;
class PrinterChooser;
class SettingPlace;
class SlipPrinter;
class Speech;

// What windows and dialogs are given through their constructors: the database, the desk
// session of this run, the place of the house's setting files, and the seams that make every
// dialog drivable in a test.
struct AppServices
{
    Database& database;
    DeskSession& session;
    MessageService& messages;
    const Clock& clock;
    PrinterChooser& printers;
    DesktopLauncher& launcher;
    FileChooser& files;
    AlertSound& sound;
    Speech& speech;
    SettingPlace& settings;
    SlipPrinter& slips; // the desk's thermal printer, when one is set
};
