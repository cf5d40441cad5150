#pragma once

#include <QApplication>

// The widget application of a lab test that shows widgets in process, made at the first call,
// on the offscreen platform unless the environment names another. Never destroyed: its clean-up
// would reach the database layer's statics, which are made after it and so are gone by then.
inline QApplication &WidgetApplication()
{
    static int argc = 1;
    static char name[] = "labtest";
    static char *argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static auto *app = new QApplication(argc, argv);
    return *app;
}
