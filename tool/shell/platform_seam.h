// The narrow seam between the tool and the desktop: message boxes, the open-file dialog, starting
// a program, and the shell's "explore". Tests install their own seam to record and script these.
#pragma once

#include <QString>

class QWidget;

enum class MsgIcon { None, Stop, Exclamation };

class CPlatformSeam {
public:
    virtual ~CPlatformSeam() = default;

    // A modal message box with one OK button; returns when the user has closed it.
    virtual void MessageBox(QWidget* owner, const QString& text, const QString& title, MsgIcon icon);
    // The open-file dialog with a Windows-style filter ("BMP(*.bmp)|*.bmp||"): the chosen full
    // path, or an empty text when the user cancelled.
    virtual QString OpenFileDialog(QWidget* owner, const QString& filter);
    // Starts the program file as a new process with no arguments, not waited for.
    virtual void StartProgram(const QString& programPath);
    // Opens a folder in the file explorer.
    virtual void ExploreFolder(const QString& path);
};

// The seam in force: the desktop one unless a test installed another (nullptr restores it).
CPlatformSeam& Seam();
void SetSeam(CPlatformSeam* seam);
