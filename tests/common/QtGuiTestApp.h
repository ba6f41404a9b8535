#pragma once
// One QGuiApplication for a test program that reads pictures through Qt
// (its image plugins are found through an application object) but shows no
// widgets. It is never destroyed, so nothing Qt made outlives it at exit.

#include <QGuiApplication>

inline QGuiApplication& TestGuiApp()
{
    static int argc = 1;
    static char name[] = "dotscape-tests";
    static char* argv[] = {name, nullptr};
    static auto* app = new QGuiApplication(argc, argv);
    return *app;
}
