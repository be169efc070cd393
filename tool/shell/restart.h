// Close-and-start-again: how a saved change of settings takes effect.
#pragma once

class QDialog;

// The main dialog that RestartProgram closes; set by the main window when it is built.
void SetRestartTarget(QDialog* mainDialog);

// Queues a close of the main dialog (handled once the caller is back in the dialog's loop), then
// starts the program file again as a new process with no arguments, not waited for. Returns at once.
void RestartProgram();
