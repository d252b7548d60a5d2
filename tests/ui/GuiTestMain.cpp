// Window tests need one QApplication for the whole run, on the offscreen platform unless
// the caller chose another (a developer may run them under Xvfb to watch).

#include "ui/AppIdentity.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    harrowdale::ui::SetApplicationNames();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
