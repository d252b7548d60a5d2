// Window tests need one QApplication for the whole run, on the offscreen platform unless
// the caller chose another (a developer may run them under Xvfb to watch).

#include "support/TempDir.h"
#include "ui/AppIdentity.h"

#include <QApplication>
#include <QSettings>
#include <QString>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    harrowdale::ui::SetApplicationNames();
    // Every window saves what the user changes (folded groups, columns, the language):
    // each test program keeps those settings in a folder of its own, so that tests running
    // side by side, or a run before, never decide what a window starts with.
    const harrowdale::test::TempDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(settings.Path()));
    // And keeps what goes to the user's data folder (the scan history, the trash) in a
    // folder of its own.
    const harrowdale::test::TempDir data;
    ::setenv("XDG_DATA_HOME", data.Path().c_str(), 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
