// Undo/redo over whole snapshots of the song storage block.
//
// The editors change the song in place without telling anyone; once per
// frame the app checksums the block and stores a snapshot when it changed.
// Undo and redo copy a stored snapshot back over the block. Snapshot buffers
// are allocated once, when the history is built, and reused after reset().
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "song/song.h"

namespace qn {

// Paul Hsieh's SuperFastHash; the length is the initial hash value.
uint32_t SuperFastHash(const uint8_t* data, size_t length);
// The checksum the recording rule compares: SuperFastHash over the whole block.
uint32_t StorageChecksum(const uint8_t* block, size_t size = kStorageSize);

class Undo {
public:
    static constexpr int kSlots = 64;

    explicit Undo(size_t snapshotSize = kStorageSize);
    Undo(const Undo&) = delete;
    Undo& operator=(const Undo&) = delete;

    // Records a snapshot of `data` in the slot with the smallest stamp (free
    // slots first, else the oldest) and drops every state that could have
    // been redone.
    void store(const uint8_t* data);
    // Empties the history: current = -1, every stamp -1. Buffers stay.
    void reset();
    // Steps back one state and copies it over `data`; false (and `data`
    // untouched) when there is no earlier state left in the history.
    bool undo(uint8_t* data);
    // Steps forward one state; false when there is nothing to redo.
    bool redo(uint8_t* data);

    int current() const { return current_; }
    // Where the "Undo::..." diagnostics go; null keeps them quiet.
    FILE* log = stdout;

    int stamp(int slot) const { return stamps_[slot]; }
    size_t snapshotSize() const { return size_; }

private:
    int FindStamp(int stamp) const;

    size_t size_;
    std::unique_ptr<uint8_t[]> buffers_;  // kSlots snapshots, one allocation
    int32_t stamps_[kSlots];
    int32_t current_ = -1;
};

// The two histories the app keeps (main window and instrument editor), the
// one that is active, and the checksum of the last recorded state. The app
// calls Record() after a frame that handled keys, and wraps Undo()/Redo() in
// the audio lock, since the audio thread reads the block.
class UndoHistories {
public:
    enum class Active { None, Song, Instrument };

    Undo song;
    Undo instrument;

    void SetActive(Active which) { active_ = which; }
    Active active() const { return active_; }
    Undo* ActiveHistory();

    // Stores `block` in the active history when its checksum differs from
    // the last recorded one; true when a snapshot was stored (the caller
    // then re-measures the song).
    bool Record(const uint8_t* block);
    // Undo/redo on the active history; afterwards the recorded checksum is
    // that of the block as it now is, so only a later change stores again.
    // False when nothing changed (no active history or nothing to step to).
    bool ApplyUndo(uint8_t* block);
    bool ApplyRedo(uint8_t* block);
    // Resets `history` and stores `block` as its first state, setting the
    // recorded checksum to match (start-up, "New Song", instrument window).
    void ResetAndStore(Undo& history, const uint8_t* block);

    uint32_t lastChecksum = 0;

private:
    Active active_ = Active::None;
};

}  // namespace qn
