#pragma once
// One QApplication for a whole test program. It is never destroyed: Qt
// objects left by a failed test must not outlive it at exit.

#include <QApplication>

inline QApplication& TestApp()
{
    static int argc = 1;
    static char name[] = "dotscape-tests";
    static char* argv[] = {name, nullptr};
    static auto* app = new QApplication(argc, argv);
    return *app;
}
