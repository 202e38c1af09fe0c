#pragma once

#include "app/AlertSound.h"
#include "app/DesktopLauncher.h"
#include "app/FileChooser.h"
#include "app/PrinterChooser.h"
#include "app/SlipPrinter.h"

#include <QPrinter>

// The seams of a benchmark that runs the desk's windows without anyone at the desk: nothing
// is printed, opened, saved or heard.

class NoPrinter : public PrinterChooser
{
public:
    std::unique_ptr<QPrinter> choosePrinter(QWidget*) override { return nullptr; }
};

class NoLauncher : public DesktopLauncher
{
public:
    bool open(const QUrl&) override { return false; }
};

class NoFiles : public FileChooser
{
public:
    std::optional<QString> chooseSaveFile(QWidget*, const QString&, const QString&, const QString&) override
    {
        return std::nullopt;
    }
};

class Silence : public AlertSound
{
public:
    void play() override { }
};

class NoSlipPrinter : public SlipPrinter
{
public:
    Outcome<> send(const SlipDestination&, const QByteArray&) override
    {
        return Refusal { QStringLiteral("无打印机") };
    }
};
