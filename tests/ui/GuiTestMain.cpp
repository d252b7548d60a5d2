// Window tests need one QApplication for the whole run, on the offscreen platform unless
// the caller chose another (a developer may run them under Xvfb to watch).

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Harrowdale"));
    QApplication::setOrganizationName(QStringLiteral("Harrowdale"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
