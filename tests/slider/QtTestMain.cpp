#include <gtest/gtest.h>

#include <QApplication>

// Widget tests need one application object that outlives every test and is destroyed
// before the toolkit's own statics. Test discovery runs without the test environment.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
