#include <gtest/gtest.h>

#ifdef TIDEWELL_GUI_TEST
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
#ifdef TIDEWELL_GUI_TEST
    // Pictures for people (TIDEWELL_SCREENSHOTS) are taken on a real display, such as Xvfb.
    if (!qEnvironmentVariableIsSet("TIDEWELL_SCREENSHOTS"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
