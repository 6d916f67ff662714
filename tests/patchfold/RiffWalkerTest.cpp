#include "ConverterRig.h"
#include "RiffWalker.h"

#include <cerrno>

namespace {

Bytes Header(const char* id, uint32_t size) {
    Bytes b(id, id + 4);
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(size >> (8 * i)));
    return b;
}

std::wstring Write(ConverterRig& rig, const Bytes& bytes) {
    const std::wstring path = rig.folder.File(L"file.riff");
    EXPECT_TRUE(WriteBytes(path, bytes));
    return path;
}

TEST(RiffWalkerTest, OpenTellsWhatKindOfFileItIs) {
    ConverterRig rig;
    RiffWalker w;
    EXPECT_EQ(w.Open(rig.folder.File(L"missing.sf2").c_str()), 4);
    EXPECT_EQ(w.status, 4);
    EXPECT_NE(w.lastErrno, 0);
    EXPECT_EQ(w.Close(), 2) << "nothing to close";

    struct Case {
        const char* what;
        Bytes bytes;
        uint16_t status;
    } cases[] = {
        {"empty", {}, 4},
        {"a header cut short", {'R', 'I', 'F', 'F', 1, 0}, 4},
        {"a list type cut short", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 's', 'f'}, 4},
        {"not RIFF", Header("RIFX", 4), 1},
        {"RIFF", Header("RIFF", 1234), 0},
    };
    for (Case& c : cases) {
        if (c.status == 0 || c.status == 1) c.bytes.insert(c.bytes.end(), {'s', 'f', 'b', 'k'});
        EXPECT_EQ(w.Open(Write(rig, c.bytes).c_str()), c.status) << c.what;
        EXPECT_EQ(w.status, c.status) << c.what;
        if (c.status == 0) {
            EXPECT_EQ(w.riffSize, 1234u);
        }
        w.Close();
    }
}

TEST(RiffWalkerTest, FindsChunksAtAnyDepthAndListsByTheirType) {
    ConverterRig rig;
    SoundFontWriter bank;
    bank.AddSample("A", std::vector<int16_t>(10, 7));
    bank.AddInstrument("I", {{{53, 0}}});
    const Bytes bytes = bank.Build();
    RiffWalker w;
    ASSERT_EQ(w.Open(Write(rig, bytes).c_str()), 0);

    ASSERT_EQ(w.FindChunk(kRiffPdta), 0);
    EXPECT_EQ(w.id, FourCc("LIST"));
    EXPECT_EQ(w.listType, FourCc("pdta"));
    EXPECT_EQ(std::memcmp(&bytes[static_cast<size_t>(w.dataPos) - 4], "pdta", 4), 0) << "after the list type";

    ASSERT_EQ(w.FindChunk(kRiffShdr), 0);
    EXPECT_EQ(w.id, FourCc("shdr"));
    EXPECT_EQ(w.size, 2u * 46);
    EXPECT_EQ(w.listType, 0u);
    EXPECT_EQ(std::memcmp(&bytes[static_cast<size_t>(w.dataPos)], "A\0", 2), 0);

    EXPECT_EQ(w.FindChunk(kRiffSfbk), 3) << "the search begins after the file's own header";
    ASSERT_EQ(w.FindChunk(kRiffIfil), 0) << "a later search starts again from the top";
    EXPECT_EQ(w.size, 4u);

    EXPECT_EQ(w.FindChunk(kRiffIrom), 3);
    EXPECT_EQ(w.FindChunk(FourCc("sm24")), 3);
    EXPECT_EQ(w.Close(), 0);
    EXPECT_EQ(w.FindChunk(kRiffShdr), 3) << "closed";
}

TEST(RiffWalkerTest, AChunkReachingPastTheRiffSizeEndsTheSearch) {
    ConverterRig rig;
    // RIFF(size 40) sfbk | "junk" claiming 100 bytes | "want"
    Bytes b = Header("RIFF", 40);
    b.insert(b.end(), {'s', 'f', 'b', 'k'});
    Bytes junk = Header("junk", 100);
    junk.resize(junk.size() + 8);
    b.insert(b.end(), junk.begin(), junk.end());
    const Bytes want = Header("want", 0);
    b.insert(b.end(), want.begin(), want.end());
    RiffWalker w;
    ASSERT_EQ(w.Open(Write(rig, b).c_str()), 0);
    EXPECT_EQ(w.FindChunk(FourCc("want")), 3);

    b[16] = 8; // "junk" now ends where "want" begins
    ASSERT_EQ(w.Open(Write(rig, b).c_str()), 0);
    EXPECT_EQ(w.FindChunk(FourCc("want")), 0);
    EXPECT_EQ(w.dataPos, 36);
    EXPECT_EQ(w.ReadChunkHeader(), 5) << "nothing after the last chunk";
}

} // namespace
