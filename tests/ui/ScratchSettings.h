#pragma once

// A test whose window keeps its settings in a scratch folder, away from the user's.

#include "support/TempDir.h"

#include <QSettings>
#include <QString>
#include <gtest/gtest.h>

namespace harrowdale::test {

class ScratchSettings : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(FDir.Path()));
    }
    TempDir FDir;
};

} // namespace harrowdale::test
