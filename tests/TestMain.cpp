// Test entry: a GUI application object on the offscreen platform, so queued
// calls have an event loop to run on and painting has fonts.

#include "engine/Graphics.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

#ifdef PV_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
using TestApplication = QGuiApplication;
#endif

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    pv::EngineStart();
    const int result = RUN_ALL_TESTS();
    pv::EngineEnd();
    return result;
}
