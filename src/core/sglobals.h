#pragma once
#include <QString>

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
} // namespace SGlobals
