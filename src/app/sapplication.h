#pragma once

#include <QApplication>

class SApplication : public QApplication
{
    Q_OBJECT
public:
    SApplication(int& argc, char** argv);

    // Runs the program unless another instance of it holds the lock; returns the exit code.
    int execSingleInstance();

    // <system temp>/Vantorra_Spoolbox_Application
    static QString lockFilePath();
};
