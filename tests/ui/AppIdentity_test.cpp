// The program as the desktop sees it: the menu entry's id, the icon, the licence it names.

#include "ui/AboutText.h"
#include "ui/AppIdentity.h"
#include "ui/WindowDriver.h"

#include <QGuiApplication>
#include <QImage>
#include <gtest/gtest.h>

namespace harrowdale {
namespace {

TEST(AppIdentity, NamesTheMenuEntryAndDrawsTheIcon)
{
    ui::SetApplicationNames();
    EXPECT_EQ(QGuiApplication::desktopFileName(), "example.harrowdale.Harrowdale");
    EXPECT_EQ(QCoreApplication::organizationName(), "Harrowdale"); // names the settings store
    // The built-in SVG draws something at any size (the SVG plugin is there and the
    // resource is linked in).
    const QIcon icon = ui::ApplicationIcon();
    ASSERT_FALSE(icon.isNull());
    for (const int size : {16, 48, 128}) {
        const QImage image = icon.pixmap(size, size).toImage();
        ASSERT_FALSE(image.isNull()) << size;
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                opaque += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
        EXPECT_GT(opaque, image.width() * image.height() / 4) << size;
    }
}

TEST(AppIdentity, AboutBoxNamesTheLicence)
{
    test::WindowDriver w({1000, 700});
    w.Trigger(ui::TCommand::About);
    ASSERT_EQ(w.Log.Infos.size(), 1);
    EXPECT_TRUE(w.Log.Infos[0].contains("GPL-3.0-or-later"));
    EXPECT_FALSE(w.Log.Infos[0].contains("Free for personal"));
    EXPECT_EQ(w.Log.Infos[0], ui::AboutText(HARROWDALE_UPDATE_CHECK != 0));
}

TEST(AppIdentity, AboutBoxSaysWhereUpdatesComeFrom)
{
    // A distribution's build leaves updates to its package manager and must not point
    // the user at the website's installer.
    const QString own = ui::AboutText(true);
    const QString packaged = ui::AboutText(false);
    EXPECT_TRUE(own.contains("asks the website")) << own.toStdString();
    EXPECT_FALSE(own.contains("package manager"));
    EXPECT_TRUE(packaged.contains("distribution's package manager")) << packaged.toStdString();
    EXPECT_FALSE(packaged.contains("asks the website"));
}

} // namespace
} // namespace harrowdale
