#include "AsioDriverList.h"
#include "TestAsioRig.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Names(const AsioDriverList& list) {
    std::vector<std::string> names;
    for (int32_t i = 0; i < list.count; ++i) {
        char name[64] = {};
        EXPECT_EQ(list.GetName(i, name), 0);
        names.push_back(name);
    }
    return names;
}

int32_t IndexOf(const AsioDriverList& list, const std::string& wanted) {
    const std::vector<std::string> names = Names(list);
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == wanted) return static_cast<int32_t>(i);
    return -1;
}

TEST(AsioDriverList, ListsRegisteredDriversWhoseServerFileExists) {
    TestAsioRig rig;
    AsioDriverList list;
    const std::vector<std::string> names = Names(list);
    EXPECT_NE(IndexOf(list, kTestDriverShownName), -1) << "a description of 40 characters shows 28 and ...";
    EXPECT_EQ(std::strlen(kTestDriverShownName), 31u);
    EXPECT_NE(IndexOf(list, kPlainDriverName), -1) << "without a description the key's name is shown";
    EXPECT_NE(IndexOf(list, kRefusedDriverName), -1) << "registered with an existing file";
    EXPECT_EQ(IndexOf(list, kMissingDriverName), -1) << "its server file is missing";
    EXPECT_EQ(IndexOf(list, kUnregisteredDriverName), -1) << "its class is not registered";
    EXPECT_EQ(IndexOf(list, kTestDriverLongName), -1);
    EXPECT_EQ(list.currentIndex, -1);
    EXPECT_EQ(theAsioDriver, nullptr);
    EXPECT_EQ(rig.Record().objectsCreated, 0) << "listing creates no driver";
}

TEST(AsioDriverList, GetNameReportsMissingDestinationAndIndex) {
    AsioDriverList list;
    char name[64] = "unchanged";
    EXPECT_EQ(list.GetName(0, nullptr), kDriverListNoDestination);
    EXPECT_EQ(list.GetName(list.count, name), kDriverListNoSuchIndex);
    EXPECT_EQ(list.GetName(-1, name), kDriverListNoSuchIndex);
    EXPECT_STREQ(name, "unchanged");
}

TEST(AsioDriverList, LoadDriverCreatesOneDriverAtATime) {
    TestAsioRig rig;
    TestAsioRecord& record = rig.Record();
    {
        AsioDriverList list;
        ASSERT_TRUE(list.LoadDriver(kPlainDriverName));
        EXPECT_NE(theAsioDriver, nullptr);
        EXPECT_EQ(list.currentIndex, IndexOf(list, kPlainDriverName));
        EXPECT_EQ(record.objectsAlive, 1);

        ASSERT_TRUE(list.LoadDriver(kTestDriverShownName));
        EXPECT_NE(theAsioDriver, nullptr);
        EXPECT_EQ(list.currentIndex, IndexOf(list, kTestDriverShownName));
        EXPECT_EQ(record.objectsCreated, 2);
        EXPECT_EQ(record.objectsAlive, 1) << "the previous driver is released";

        EXPECT_FALSE(list.LoadDriver(kTestDriverLongName)) << "drivers are found by their shown name";
        EXPECT_FALSE(list.LoadDriver("No Such Driver"));
        EXPECT_FALSE(list.LoadDriver(nullptr));
        EXPECT_EQ(list.currentIndex, IndexOf(list, kTestDriverShownName)) << "an unknown name changes nothing";
        EXPECT_EQ(record.objectsAlive, 1);
    }
    EXPECT_EQ(record.objectsAlive, 0) << "the list releases its driver";
    EXPECT_EQ(theAsioDriver, nullptr);
}

TEST(AsioDriverList, ADriverThatCannotBeCreatedGivesWayToThePreviousOne) {
    TestAsioRig rig;
    AsioDriverList list;
    ASSERT_TRUE(list.LoadDriver(kPlainDriverName));
    EXPECT_FALSE(list.LoadDriver(kRefusedDriverName));
    EXPECT_NE(theAsioDriver, nullptr);
    EXPECT_EQ(list.currentIndex, IndexOf(list, kPlainDriverName));
    EXPECT_EQ(rig.Record().objectsCreated, 2) << "the previous driver is created again";
    EXPECT_EQ(rig.Record().objectsAlive, 1);
}

TEST(AsioDriverList, AFailedFirstLoadLeavesNoDriver) {
    TestAsioRig rig;
    AsioDriverList list;
    EXPECT_FALSE(list.LoadDriver(kRefusedDriverName));
    EXPECT_EQ(theAsioDriver, nullptr);
    EXPECT_EQ(list.currentIndex, -1);
    EXPECT_EQ(rig.Record().objectsCreated, 0);
}

TEST(AsioInit, FillsTheDriverInformationOrDropsTheDriver) {
    TestAsioRig rig;
    AsioDriverList list;
    ASIODriverInfo info = {};
    EXPECT_EQ(AsioInit(&info), ASE_NotPresent) << "no driver loaded";
    EXPECT_STREQ(info.name, "No ASIO Driver");

    ASSERT_TRUE(list.LoadDriver(kTestDriverShownName));
    EXPECT_EQ(AsioInit(&info), ASE_OK);
    EXPECT_STREQ(info.name, "Korvo Test");
    EXPECT_EQ(info.driverVersion, 7);
    EXPECT_STREQ(info.errorMessage, "No ASIO Driver Error");

    rig.Setup().initSucceeds = 0;
    info = ASIODriverInfo{};
    EXPECT_EQ(AsioInit(&info), ASE_NotPresent);
    EXPECT_STREQ(info.errorMessage, "Korvo test driver refused init");
    EXPECT_STREQ(info.name, "No ASIO Driver");
    EXPECT_EQ(info.driverVersion, 0);
    EXPECT_EQ(theAsioDriver, nullptr);
}

} // namespace
