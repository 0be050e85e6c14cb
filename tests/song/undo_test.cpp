#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "song/undo.h"

namespace qn {
namespace {

// Golden values from an independent transcription of the published algorithm: each tail length (0..3 bytes)
// and the signed reading of tail bytes. The block checksum hashes the whole block, its last byte included.
TEST(SuperFastHash, MatchesReferenceValues) {
    const std::pair<std::string, uint32_t> cases[] = {{"a", 0x115ea782u}, {"ab", 0x516b8b44u}, {"abc", 0xd2be198au},
        {"abcd", 0xdad8b8dbu}, {"hello world", 0xa68c6882u}, {"\xff\x80\x90", 0xce4a6627u}, {"", 0u}};
    for (const auto& [text, hash] : cases)
        EXPECT_EQ(SuperFastHash(reinterpret_cast<const uint8_t*>(text.data()), text.size()), hash) << text;
    EXPECT_EQ(SuperFastHash(nullptr, 0), 0u);
    std::vector<uint8_t> block(kStorageSize, 0);
    EXPECT_EQ(StorageChecksum(block.data()), 0x4b29a61fu);
    block[kStorageSize - 1] = 1;
    EXPECT_NE(StorageChecksum(block.data()), 0x4b29a61fu);
}

// Random stores, undos and redos of 16-byte snapshots against a model: the states stored in order, a cursor,
// and the 64 slots of which one stays free to mark the end.
TEST(UndoHistory, MatchesAListModelOverRandomOperations) {
    std::mt19937 random(8u);
    for (int run = 0; run < 20; ++run) {
        Undo history(16);
        std::vector<uint8_t> data(16);
        std::vector<int> states;  // the model: states that undo can reach, oldest first
        int cursor = -1, next = 0;
        for (int op = 0; op < 400; ++op) {
            const int kind = int(random() % 10);
            if (kind < 4 || cursor < 0) {
                std::fill(data.begin(), data.end(), uint8_t(next));
                history.store(data.data());
                states.resize(size_t(cursor + 1));
                states.push_back(next++ & 0xff);
                if (states.size() > size_t(Undo::kSlots - 1)) states.erase(states.begin());
                cursor = int(states.size()) - 1;
            } else {  // an undo or a redo, refused at either end of the model
                const bool undo = kind < 7;
                const bool ok = undo ? history.undo(data.data()) : history.redo(data.data());
                ASSERT_EQ(ok, undo ? cursor > 0 : cursor + 1 < int(states.size())) << run << " " << op;
                cursor += ok ? (undo ? -1 : 1) : 0;
            }
            ASSERT_EQ(data[0], states[size_t(cursor)]) << run << " " << op;  // a refused step leaves the data
        }
        history.reset();
        EXPECT_EQ(history.current(), -1);
        for (int slot = 0; slot < Undo::kSlots; ++slot) EXPECT_EQ(history.stamp(slot), -1);
        EXPECT_FALSE(history.undo(data.data()));
        history.store(data.data());
        EXPECT_EQ(history.stamp(0), 0);
    }
}

// Only a changed block is recorded, into the active history; the title lies
// outside the block; the wave editor (None) keeps no history.
TEST(UndoHistories, RecordOnlyChangesIntoTheActiveHistory) {
    SongDocument doc;
    UndoHistories histories;
    histories.SetActive(UndoHistories::Active::Song);
    histories.ResetAndStore(histories.song, doc.Storage());
    EXPECT_FALSE(histories.Record(doc.Storage()));
    doc.song.Pattern(1)[0].SetNote(13);
    SetFixedText(doc.title, sizeof(doc.title), "changed");
    EXPECT_TRUE(histories.Record(doc.Storage()));
    ASSERT_TRUE(histories.ApplyUndo(doc.Storage()));
    EXPECT_EQ(doc.song.Pattern(1)[0].Note(), 0);
    EXPECT_EQ(FixedText(doc.title, sizeof(doc.title)), "changed");
    EXPECT_FALSE(histories.Record(doc.Storage()));  // the checksum matches the restored block
    ASSERT_TRUE(histories.ApplyRedo(doc.Storage()));
    EXPECT_EQ(doc.song.Pattern(1)[0].Note(), 13);
    histories.SetActive(UndoHistories::Active::Instrument);
    histories.ResetAndStore(histories.instrument, doc.Storage());
    doc.song.Instrument(1)->attack = 7;
    EXPECT_TRUE(histories.Record(doc.Storage()));
    EXPECT_EQ((std::vector<int>{histories.instrument.current(), histories.song.current()}), (std::vector<int>{1, 1}));
    histories.SetActive(UndoHistories::Active::None);
    EXPECT_FALSE(histories.Record(doc.Storage()) || histories.ApplyUndo(doc.Storage()));
    EXPECT_EQ(doc.song.Instrument(1)->attack, 7);
}

}  // namespace
}  // namespace qn
