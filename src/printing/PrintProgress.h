#pragma once

// Shows how far a print of several pages has come and lets the user stop it between pages.
// The desk shows a progress dialog; a test drives the same steps headless.
class PrintProgress
{
public:
    virtual ~PrintProgress() = default;

    virtual void start(int pageCount) = 0;
    // After each page but the last: false when the user asked to stop.
    virtual bool pagePrinted(int pagesDone) = 0;
    virtual void finish() = 0;
};
