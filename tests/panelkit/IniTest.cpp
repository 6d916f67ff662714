// The wide CIni of the plug-ins on real INI files: values of any length read
// in few file reads, defaults, the 260-character read, writes, paths and
// texts outside the ANSI code page.
#include "Ini.h"
#include "IniRead.h"
#include "TempFolder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

class WideIni : public ::testing::Test {
protected:
    void SetUp() override { ini.SetPath(file.c_str()); }

    TempFolder folder;
    std::wstring file = folder.File(L"test.ini");
    CIni ini;
};

// A text whose every cut shows: no character repeats within 26.
std::wstring Pattern(size_t length) {
    std::wstring s;
    for (size_t i = 0; i < length; ++i) s += static_cast<wchar_t>(L'a' + i % 26);
    return s;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST_F(WideIni, ReadsValuesWholeWithTheBufferDoubling) {
    const struct {
        size_t length;
        std::vector<unsigned long> sizes;
    } cases[] = {
        {0, {512}},
        {510, {512}},
        {511, {512, 1024}},
        {1500, {512, 1024, 2048}},
        {2047, {512, 1024, 2048, 4096}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        const std::wstring value = Pattern(c.length);
        ASSERT_NE(ini.WriteString(value.c_str(), L"s", L"k"), 0);
        std::vector<unsigned long> sizes;
        const IniString read = ReadWholeIniValue<wchar_t>([&](wchar_t* buffer, unsigned long size) {
            sizes.push_back(size);
            return ::GetPrivateProfileStringW(L"s", L"k", L"", buffer, size, file.c_str());
        });
        ASSERT_TRUE(read);
        EXPECT_EQ(read.get(), value);
        EXPECT_EQ(sizes, c.sizes);
        EXPECT_EQ(ini.GetString(L"s", L"k", L"").get(), value);
    }
}

TEST_F(WideIni, MissingValuesReadAsTheDefault) {
    ASSERT_NE(ini.WriteString(L"v", L"s", L"k"), 0);
    const struct {
        const wchar_t *section, *key, *fallback, *expected;
    } cases[] = {
        {L"s", L"k", L"d", L"v"},
        {L"s", L"other", L"d", L"d"},
        {L"other", L"k", L"d", L"d"},
        {L"s", L"other", nullptr, L""},
        {nullptr, L"k", L"d", L"d"},
        {L"s", nullptr, L"d", L"d"},
        {nullptr, nullptr, nullptr, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.section ? "section " : "no section ") << (c.key ? "key " : "no key ")
                                        << (c.fallback ? "default" : "no default"));
        const IniString value = ini.GetString(c.section, c.key, c.fallback);
        ASSERT_TRUE(value);
        EXPECT_STREQ(value.get(), c.expected);
        // The caller owns a copy, not the default itself.
        if (c.fallback != nullptr) {
            EXPECT_NE(value.get(), c.fallback);
        }
    }

    CIni missing;
    const std::wstring none = folder.File(L"none.ini");
    missing.SetPath(none.c_str());
    EXPECT_STREQ(missing.GetString(L"s", L"k", L"d").get(), L"d");
    wchar_t output[kIniReadChars];
    EXPECT_EQ(missing.ReadString(L"s", L"k", L"dflt", output), 4);
    EXPECT_STREQ(output, L"dflt");
    EXPECT_FALSE(Exists(none));
}

TEST_F(WideIni, ReadStringKeepsAtMost259Characters) {
    const struct {
        size_t length;
        int result;
    } cases[] = {{0, 0}, {5, 5}, {258, 258}, {259, 259}, {260, 260}, {300, 260}, {1500, 260}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        const std::wstring value = Pattern(c.length);
        ASSERT_NE(ini.WriteString(value.c_str(), L"s", L"k"), 0);
        wchar_t output[kIniReadChars + 1];
        std::wmemset(output, L'#', kIniReadChars + 1);
        EXPECT_EQ(ini.ReadString(L"s", L"k", L"", output), c.result);
        EXPECT_EQ(output, value.substr(0, kIniReadChars - 1));
        EXPECT_EQ(output[kIniReadChars], L'#');
        EXPECT_EQ(ini.ReadString(L"s", L"k", L"", nullptr), c.result);
    }
    // A missing value with no default empties the output.
    wchar_t output[kIniReadChars] = L"stale";
    EXPECT_EQ(ini.ReadString(L"s", L"other", nullptr, output), 0);
    EXPECT_STREQ(output, L"");
}

TEST_F(WideIni, WritesNeedSectionAndKey) {
    EXPECT_EQ(ini.WriteString(L"v", nullptr, L"k"), 0);
    EXPECT_FALSE(Exists(file));

    ASSERT_NE(ini.WriteString(L"v", L"s", L"k"), 0);
    // A null key given to the profile call would delete the section.
    EXPECT_EQ(ini.WriteString(L"x", L"s", nullptr), 0);
    EXPECT_STREQ(ini.GetString(L"s", L"k", L"").get(), L"v");

    // A null value keeps the key, with an empty value.
    ASSERT_NE(ini.WriteString(nullptr, L"s", L"k"), 0);
    wchar_t raw[16];
    ::GetPrivateProfileStringW(L"s", L"k", L"absent", raw, 16, file.c_str());
    EXPECT_STREQ(raw, L"");
}

TEST_F(WideIni, NamesAndTextsOutsideTheAnsiCodePage) {
    const std::wstring dir = folder.File(L"设置 テスト");
    ASSERT_TRUE(::CreateDirectoryW(dir.c_str(), nullptr));
    const std::wstring path = dir + L"\\声音.ini";
    const std::wstring value = L"钢琴 – ピアノ ü \U0001F3B9 " + Pattern(600);
    {
        CIni writer;
        writer.SetPath(path.c_str());
        ASSERT_NE(writer.WriteString(value.c_str(), L"乐器", L"名字"), 0);
    }
    EXPECT_TRUE(Exists(path));
    CIni reader;
    reader.SetPath(path.c_str());
    EXPECT_EQ(reader.GetString(L"乐器", L"名字", L"").get(), value);
    wchar_t output[kIniReadChars];
    EXPECT_EQ(reader.ReadString(L"乐器", L"名字", L"", output), 260);
    EXPECT_EQ(output, value.substr(0, 259));
}

// The sampler keeps its settings under a bare file name, which lands in the
// Windows folder of the prefix: a name of this run only, removed at the end.
TEST(WideIniBareName, LivesInTheWindowsFolderAndKeepsWideTexts) {
    const std::wstring name =
        L"korvo-ini-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(::GetTickCount()) + L".ini";
    wchar_t windows[MAX_PATH];
    ASSERT_GT(::GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    const std::wstring there = std::wstring(windows) + L"\\" + name;
    struct Remove {
        const std::wstring& path;
        ~Remove() { ::DeleteFileW(path.c_str()); }
    } remove{there};
    wchar_t current[MAX_PATH];
    ASSERT_GT(::GetCurrentDirectoryW(MAX_PATH, current), 0u);
    const std::wstring here = std::wstring(current) + L"\\" + name;
    struct Remove removeHere {here};

    CIni ini;
    ini.SetPath(name.c_str());
    ASSERT_NE(ini.WriteString(L"D:\\采样\\钢琴", L"Folders", L"Samples"), 0);
    EXPECT_TRUE(Exists(there));
    EXPECT_FALSE(Exists(here));
    EXPECT_STREQ(ini.GetString(L"Folders", L"Samples", L"").get(), L"D:\\采样\\钢琴");
}

TEST_F(WideIni, SetPathKeepsItsOwnCopy) {
    const std::wstring a = folder.File(L"a.ini"), b = folder.File(L"b.ini");
    std::vector<wchar_t> given(a.begin(), a.end());
    given.push_back(0);
    CIni other;
    other.SetPath(given.data());
    EXPECT_NE(other.GetPath(), given.data());
    std::copy(b.begin(), b.end(), given.begin());
    ASSERT_NE(other.WriteString(L"1", L"s", L"k"), 0);
    EXPECT_TRUE(Exists(a));
    EXPECT_FALSE(Exists(b));

    other.SetPath(b.c_str());
    EXPECT_STREQ(other.GetPath(), b.c_str());
    ASSERT_NE(other.WriteString(L"2", L"s", L"k"), 0);
    EXPECT_STREQ(other.GetString(L"s", L"k", L"").get(), L"2");
    other.SetPath(nullptr);
    EXPECT_EQ(other.GetPath(), nullptr);
}

}  // namespace
