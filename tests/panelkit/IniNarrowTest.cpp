// The standalone host's narrow CIni on real INI files: strings, integers,
// switches and hex byte blocks, and a large block read in few file reads.
#include "Ini.h"
#include "IniRead.h"
#include "TempFolder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

std::string Narrow(const std::wstring& s) {
    const int n = ::WideCharToMultiByte(CP_ACP, 0, s.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, s.c_str(), -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n) - 1);
    return out;
}

class NarrowIni : public ::testing::Test {
protected:
    void SetUp() override { ini.SetPath(file.c_str()); }

    void Put(const char* key, const char* value) {
        ASSERT_TRUE(::WritePrivateProfileStringA("s", key, value, file.c_str()));
    }
    // The stored text, or "absent".
    std::string Raw(const char* key) {
        const IniString text = ReadWholeIniValue<char>([&](char* buffer, unsigned long size) {
            return ::GetPrivateProfileStringA("s", key, "absent", buffer, size, file.c_str());
        });
        return text.get();
    }

    TempFolder folder;
    std::string file = Narrow(folder.File(L"host.ini"));
    CIni ini;
};

std::vector<uint8_t> RandomBytes(size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(n);
    for (auto& b : bytes) b = static_cast<uint8_t>(random());
    return bytes;
}

TEST_F(NarrowIni, StringsAreTheValueOrEmpty) {
    const std::string longValue(1500, 'x');
    Put("long", (longValue + "end").c_str());
    Put("k", "v");
    EXPECT_STREQ(ini.GetString("s", "k").get(), "v");
    EXPECT_EQ(ini.GetString("s", "long").get(), longValue + "end");
    EXPECT_STREQ(ini.GetString("s", "other").get(), "");
    EXPECT_STREQ(ini.GetString("other", "k").get(), "");
    EXPECT_STREQ(ini.GetString(nullptr, "k").get(), "");
    EXPECT_STREQ(ini.GetString("s", nullptr).get(), "");

    CIni missing;
    const std::string none = Narrow(folder.File(L"none.ini"));
    missing.SetPath(none.c_str());
    EXPECT_STREQ(missing.GetString("s", "k").get(), "");
    EXPECT_EQ(missing.GetInt("s", "k", 9), 9);
    EXPECT_FALSE(missing.GetBool("s", "k"));
    EXPECT_EQ(missing.GetBinary("s", "k", 0, nullptr), 0u);
}

TEST_F(NarrowIni, IntegersReadAsUnsignedDecimal) {
    const struct {
        const char* value;
        int expected;
    } cases[] = {
        {"12abc", 12}, {"", 77}, {"42", 42}, {"+7", 7}, {"abc", 0}, {"0x10", 0}, {"-1", -1}, {"007", 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        Put("k", c.value);
        EXPECT_EQ(ini.GetInt("s", "k", 77), c.expected);
    }
    EXPECT_EQ(ini.GetInt("s", "other", 77), 77);
}

TEST_F(NarrowIni, SwitchesReadTrueForYesTrueOrNonzero) {
    const struct {
        const char* value;
        bool expected;
    } cases[] = {
        {"Yes", true},  {"TRUE", true}, {"2", true},    {"yes", true},   {"tRuE", true}, {"-3", true},
        {"1x", true},   {"no", false},  {"0", false},   {"", false},     {"false", false},
        {"yess", false}, {"true1", false}, {"on", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        Put("k", c.value);
        EXPECT_EQ(ini.GetBool("s", "k"), c.expected);
    }
    EXPECT_FALSE(ini.GetBool("s", "other"));
}

TEST_F(NarrowIni, WriteIntStoresDecimalText) {
    const struct {
        int value;
        const char* text;
    } cases[] = {{0, "0"}, {7, "7"}, {-5, "-5"}, {INT_MAX, "2147483647"}, {INT_MIN, "-2147483648"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_NE(ini.WriteInt("s", "k", c.value), 0);
        EXPECT_EQ(Raw("k"), c.text);
        EXPECT_EQ(ini.GetInt("s", "k", 1), c.value);
    }
}

TEST_F(NarrowIni, WritesNeedSectionKeyAndBytes) {
    const uint8_t bytes[] = {1, 2};
    EXPECT_EQ(ini.WriteInt(nullptr, "k", 1), 0);
    EXPECT_EQ(ini.WriteBinary(nullptr, "k", 2, bytes), 0);
    EXPECT_EQ(::GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);

    Put("k", "v");
    // A null key given to the profile call would delete the section.
    EXPECT_EQ(ini.WriteInt("s", nullptr, 1), 0);
    EXPECT_EQ(ini.WriteBinary("s", nullptr, 2, bytes), 0);
    EXPECT_EQ(ini.WriteBinary("s", "k", 2, nullptr), 0);
    EXPECT_EQ(Raw("k"), "v");
}

TEST_F(NarrowIni, ByteBlocksReadFromHexDigits) {
    const struct {
        const char* value;
        size_t capacity;
        size_t count;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"0a1B", 8, 2, {0x0A, 0x1B}},
        {"FFfe00", 8, 3, {0xFF, 0xFE, 0x00}},
        {"0a1", 8, 1, {0x0A}},
        {"0a1b2c", 2, 2, {0x0A, 0x1B}},
        {"0a1b", 0, 0, {}},
        {"0g", 8, 0, {}},
        {"0a1g", 8, 0, {}},
        {"0a 1b", 8, 0, {}},
        {"0", 8, 0, {}},
        {"", 8, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        Put("k", c.value);
        std::vector<uint8_t> out(8, 0xEE);
        ASSERT_EQ(ini.GetBinary("s", "k", c.capacity, out.data()), c.count);
        std::vector<uint8_t> expected = c.bytes;
        expected.resize(8, 0xEE);
        EXPECT_EQ(out, expected);
    }
    // Without an output: the block's whole size, whatever the capacity.
    Put("k", "0a1b2c");
    EXPECT_EQ(ini.GetBinary("s", "k", 0, nullptr), 3u);
    EXPECT_EQ(ini.GetBinary("s", "other", 8, nullptr), 0u);
}

TEST_F(NarrowIni, WriteBinaryStoresUpperCaseHex) {
    const struct {
        std::vector<uint8_t> bytes;
        const char* text;
    } cases[] = {
        {{0x00, 0xFF}, "00FF"},
        {{0xAB, 0x0C, 0x5e}, "AB0C5E"},
        {{}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const uint8_t none = 0;
        ASSERT_NE(ini.WriteBinary("s", "k", c.bytes.size(), c.bytes.empty() ? &none : c.bytes.data()), 0);
        EXPECT_EQ(Raw("k"), c.text);
    }
}

TEST_F(NarrowIni, RandomBlocksSurviveARoundTrip) {
    for (const size_t n : {1u, 2u, 17u, 256u, 4096u}) {
        SCOPED_TRACE(n);
        const std::vector<uint8_t> bytes = RandomBytes(n, static_cast<unsigned>(n));
        ASSERT_NE(ini.WriteBinary("s", "k", n, bytes.data()), 0);
        ASSERT_EQ(ini.GetBinary("s", "k", 0, nullptr), n);
        std::vector<uint8_t> back(n + 1, 0xEE);
        ASSERT_EQ(ini.GetBinary("s", "k", n + 1, back.data()), n);
        back.pop_back();
        EXPECT_EQ(back, bytes);
    }
}

TEST_F(NarrowIni, ALargeBlockTakesFewReads) {
    const std::vector<uint8_t> bytes = RandomBytes(100000, 7);
    ASSERT_NE(ini.WriteBinary("s", "chunk", bytes.size(), bytes.data()), 0);

    std::vector<unsigned long> sizes;
    const IniString text = ReadWholeIniValue<char>([&](char* buffer, unsigned long size) {
        sizes.push_back(size);
        return ::GetPrivateProfileStringA("s", "chunk", "", buffer, size, file.c_str());
    });
    ASSERT_TRUE(text);
    EXPECT_EQ(std::string(text.get()).size(), 200000u);
    const std::vector<unsigned long> doubling = {512, 1024, 2048, 4096, 8192, 16384, 32768, 65536, 131072, 262144};
    EXPECT_EQ(sizes, doubling);

    std::vector<uint8_t> back(bytes.size());
    ASSERT_EQ(ini.GetBinary("s", "chunk", back.size(), back.data()), bytes.size());
    EXPECT_EQ(back, bytes);
}

}  // namespace
