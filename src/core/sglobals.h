#pragma once
#include <QObject>
#include <QString>

#include <atomic>

// Process-wide folders shared by every subsystem.
namespace SGlobals {
// Folder of the executable; remembered by the main window constructor.
QString applicationFolder();
void setApplicationFolder(const QString& folder);
// <system temp>/Vantorra/Spoolbox: the log and every temporary file of a run.
QString workingFolder();
// Empties (or creates) the working folder; returns whether it exists afterwards.
bool prepareWorkingFolder();
// Deletes the working folder with everything in it.
void removeWorkingFolder();
// <working folder>/ui.log
QString logFilePath();
// Cleared by a progress dialog's Cancel, read by the long operations' progress
// callbacks between blocks, set again when the dialog goes.
std::atomic<bool>& continueOperation();
// The main window, published by its constructor so that every subsystem can parent
// its dialogs to it without depending on the application shell.
QObject* mainWindow();
void setMainWindow(QObject* window);
} // namespace SGlobals
