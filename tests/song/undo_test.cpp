#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "song/undo.h"

namespace qn {
namespace {

// Golden values from a Python transcription of the published algorithm,
// written independently of undo.cpp; they cover each tail length (0..3
// bytes after the 4-byte blocks) and the signed reading of tail bytes.
TEST(SuperFastHash, MatchesReferenceValues) {
    auto hash = [](const char* text) {
        return SuperFastHash(reinterpret_cast<const uint8_t*>(text), std::strlen(text));
    };
    EXPECT_EQ(hash("a"), 0x115ea782u);
    EXPECT_EQ(hash("ab"), 0x516b8b44u);
    EXPECT_EQ(hash("abc"), 0xd2be198au);
    EXPECT_EQ(hash("abcd"), 0xdad8b8dbu);
    EXPECT_EQ(hash("hello world"), 0xa68c6882u);
    const uint8_t high[3] = {0xff, 0x80, 0x90};
    EXPECT_EQ(SuperFastHash(high, 3), 0xce4a6627u);
    EXPECT_EQ(SuperFastHash(nullptr, 0), 0u);
}

TEST(SuperFastHash, BlockChecksumUsesWholeBlock) {
    std::vector<uint8_t> block(kStorageSize, 0);
    EXPECT_EQ(StorageChecksum(block.data()), 0x4b29a61fu);
    const uint32_t before = StorageChecksum(block.data());
    block[kStorageSize - 1] = 1;  // the very last byte must count
    EXPECT_NE(StorageChecksum(block.data()), before);
}

// A small snapshot size keeps the history tests quick; the logic does not
// depend on the size.
constexpr size_t kSmall = 16;

void Fill(std::vector<uint8_t>& data, int value) {
    std::fill(data.begin(), data.end(), uint8_t(value));
}

TEST(UndoHistory, SixtyFiveStoresAllowSixtyThreeUndos) {
    Undo history(kSmall);
    std::vector<uint8_t> data(kSmall);
    for (int state = 0; state < 65; ++state) {
        Fill(data, state);
        history.store(data.data());
    }
    EXPECT_EQ(history.current(), 64);
    for (int step = 1; step <= 63; ++step) {
        ASSERT_TRUE(history.undo(data.data())) << step;
        EXPECT_EQ(data[0], 64 - step);
    }
    // State 0 was overwritten by state 64: the 64th step back finds nothing.
    EXPECT_FALSE(history.undo(data.data()));
    EXPECT_EQ(data[0], 1);
    EXPECT_EQ(history.current(), 1);
}

TEST(UndoHistory, UndoRedoRoundTrip) {
    Undo history(kSmall);
    std::vector<uint8_t> data(kSmall);
    for (int state = 0; state < 3; ++state) {
        Fill(data, 10 + state);
        history.store(data.data());
    }
    EXPECT_FALSE(history.redo(data.data()));
    ASSERT_TRUE(history.undo(data.data()));
    ASSERT_TRUE(history.undo(data.data()));
    EXPECT_EQ(data[0], 10);
    EXPECT_FALSE(history.undo(data.data()));  // current 0: nothing before it
    ASSERT_TRUE(history.redo(data.data()));
    EXPECT_EQ(data[0], 11);
    ASSERT_TRUE(history.redo(data.data()));
    EXPECT_EQ(data[0], 12);
    EXPECT_FALSE(history.redo(data.data()));
}

TEST(UndoHistory, ChangeAfterUndoDropsRedoStates) {
    Undo history(kSmall);
    std::vector<uint8_t> data(kSmall);
    for (int state = 0; state < 4; ++state) {
        Fill(data, state);
        history.store(data.data());  // slots 0..3
    }
    history.undo(data.data());
    history.undo(data.data());  // back at state 1
    Fill(data, 99);
    history.store(data.data());
    // The new state took the first free slot; the redo slots are free now
    // and, having lower indexes, are the next ones reused.
    EXPECT_EQ(history.stamp(4), 2);
    EXPECT_EQ(history.stamp(2), -1);
    EXPECT_EQ(history.stamp(3), -1);
    EXPECT_FALSE(history.redo(data.data()));
    ASSERT_TRUE(history.undo(data.data()));
    EXPECT_EQ(data[0], 1);
    history.store(data.data());
    EXPECT_EQ(history.stamp(2), 2);
}

TEST(UndoHistory, ResetEmptiesButKeepsWorking) {
    Undo history(kSmall);
    std::vector<uint8_t> data(kSmall, 5);
    history.store(data.data());
    history.store(data.data());
    history.reset();
    EXPECT_EQ(history.current(), -1);
    for (int slot = 0; slot < Undo::kSlots; ++slot) EXPECT_EQ(history.stamp(slot), -1);
    EXPECT_FALSE(history.undo(data.data()));
    history.store(data.data());
    EXPECT_EQ(history.current(), 0);
    EXPECT_EQ(history.stamp(0), 0);
}

// A new song with the song history active and holding its first state.
class UndoRecording : public ::testing::Test {
protected:
    void SetUp() override {
        histories.SetActive(UndoHistories::Active::Song);
        histories.ResetAndStore(histories.song, doc.Storage());
    }
    SongDocument doc;
    UndoHistories histories;
};

TEST_F(UndoRecording, UnchangedBlockStoresNothing) {
    EXPECT_FALSE(histories.Record(doc.Storage()));  // a key that changed nothing
    EXPECT_EQ(histories.song.current(), 0);
    doc.song.Pattern(1)[0].SetNote(13);
    EXPECT_TRUE(histories.Record(doc.Storage()));
    EXPECT_EQ(histories.song.current(), 1);
    EXPECT_FALSE(histories.Record(doc.Storage()));
}

TEST_F(UndoRecording, UndoRestoresBlockAndLeavesNamesAlone) {
    doc.song.Pattern(1)[0].SetNote(13);
    SetFixedText(doc.title, sizeof(doc.title), "changed");
    histories.Record(doc.Storage());
    ASSERT_TRUE(histories.ApplyUndo(doc.Storage()));
    EXPECT_EQ(doc.song.Pattern(1)[0].Note(), 0);
    EXPECT_EQ(FixedText(doc.title, sizeof(doc.title)), "changed");  // outside the block
    // The checksum now matches the restored block: nothing is recorded.
    EXPECT_FALSE(histories.Record(doc.Storage()));
    ASSERT_TRUE(histories.ApplyRedo(doc.Storage()));
    EXPECT_EQ(doc.song.Pattern(1)[0].Note(), 13);
}

TEST(UndoHistory, LogLines) {
    Undo history(kSmall);
    std::FILE* log = std::tmpfile();
    ASSERT_NE(log, nullptr);
    history.log = log;
    std::vector<uint8_t> data(kSmall, 1);
    history.store(data.data());
    history.store(data.data());
    history.undo(data.data());
    history.undo(data.data());
    history.redo(data.data());
    std::rewind(log);
    char text[512] = {};
    text[std::fread(text, 1, sizeof(text) - 1, log)] = 0;
    std::fclose(log);
    EXPECT_STREQ(text,
                 "Undo::store 0. current 0\nUndo::store 1. current 1\n"
                 "Undo::Try Undo . Current=1\nUndo::Undo 0 current 0\n"
                 "Undo::Try Undo . Current=0\n"
                 "Undo::Try Redo 0\nUndo::Redo 1\n");
}

TEST_F(UndoRecording, NoActiveHistoryDoesNothing) {
    // The wave editor window leaves no history active.
    doc.song.Pattern(1)[0].SetNote(13);
    histories.Record(doc.Storage());
    histories.SetActive(UndoHistories::Active::None);
    EXPECT_FALSE(histories.ApplyUndo(doc.Storage()));
    EXPECT_EQ(doc.song.Pattern(1)[0].Note(), 13);
    doc.song.Pattern(1)[1].SetNote(14);
    EXPECT_FALSE(histories.Record(doc.Storage()));
}

TEST_F(UndoRecording, InstrumentHistoryIsSeparate) {
    histories.SetActive(UndoHistories::Active::Instrument);
    histories.ResetAndStore(histories.instrument, doc.Storage());
    doc.song.Instrument(1)->attack = 7;
    EXPECT_TRUE(histories.Record(doc.Storage()));
    EXPECT_EQ(histories.instrument.current(), 1);
    EXPECT_EQ(histories.song.current(), 0);
    ASSERT_TRUE(histories.ApplyUndo(doc.Storage()));
    EXPECT_EQ(doc.song.Instrument(1)->attack, 0);
}

}  // namespace
}  // namespace qn
