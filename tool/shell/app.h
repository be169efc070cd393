// The application object: the program's start, run as one modal main window.
#pragma once

class CMarlowPosTestApp {
public:
    // The process's start: builds the Qt application (with no command-line arguments for it to
    // look at), then the instance initialisation. Returns the exit status.
    int Run(const char* programName);

    // Runs the main window as a modal dialog until it closes, however it is closed. Returns false:
    // the program has no message loop of its own and ends with the window.
    bool InitInstance();
};

// The one application object, built before main() like the data the start-up relies on.
extern CMarlowPosTestApp theApp;
