#pragma once

// A window test whose settings and data folder (the scan history, the trash) are scratch
// folders of its own.

#include "support/TempDir.h"
#include "ui/ScratchSettings.h"

#include <cstdlib>
#include <string>

namespace harrowdale::test {

class ScratchData : public ScratchSettings
{
protected:
    void SetUp() override
    {
        ScratchSettings::SetUp();
        // GuiTestMain always sets one: the scratch folder of the whole program.
        const char* before = std::getenv("XDG_DATA_HOME");
        FBefore = before != nullptr ? before : "";
        ::setenv("XDG_DATA_HOME", FData.Path().c_str(), 1);
    }
    void TearDown() override { ::setenv("XDG_DATA_HOME", FBefore.c_str(), 1); }

    TempDir FData;

private:
    std::string FBefore;
};

} // namespace harrowdale::test
