// The fixture of the panel tests: GDI+ and the test skins; each test makes
// its PanelRig after its widgets, so that the panel goes first.
#pragma once

#include "PanelRig.h"

#include <gtest/gtest.h>

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gdi.ok());
        ASSERT_NE(skins[L"BACKGROUND"], nullptr);
    }

    GdiplusSession gdi;
    TestSkins skins;
};
