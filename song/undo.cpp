#include "song/undo.h"

#include <cstdio>
#include <cstring>

namespace qn {

namespace {

// Little-endian 16-bit read, as the hash is defined on x86.
uint32_t Get16(const uint8_t* data) {
    return uint32_t(data[0]) | (uint32_t(data[1]) << 8);
}

// The tail bytes are read as signed chars; the shift is done on the 32-bit
// two's-complement pattern so a negative byte shifts without overflow.
uint32_t SignedByte(uint8_t byte) {
    return uint32_t(int32_t(int8_t(byte)));
}

}  // namespace

uint32_t SuperFastHash(const uint8_t* data, size_t length) {
    if (data == nullptr || length == 0) return 0;
    uint32_t hash = uint32_t(length);
    size_t blocks = length >> 2;
    const size_t remainder = length & 3;
    for (; blocks > 0; --blocks) {
        hash += Get16(data);
        const uint32_t temp = (Get16(data + 2) << 11) ^ hash;
        hash = (hash << 16) ^ temp;
        data += 4;
        hash += hash >> 11;
    }
    switch (remainder) {
        case 3:
            hash += Get16(data);
            hash ^= hash << 16;
            hash ^= SignedByte(data[2]) << 18;
            hash += hash >> 11;
            break;
        case 2:
            hash += Get16(data);
            hash ^= hash << 11;
            hash += hash >> 17;
            break;
        case 1:
            hash += SignedByte(data[0]);
            hash ^= hash << 10;
            hash += hash >> 1;
            break;
        default:
            break;
    }
    hash ^= hash << 3;
    hash += hash >> 5;
    hash ^= hash << 4;
    hash += hash >> 17;
    hash ^= hash << 25;
    hash += hash >> 6;
    return hash;
}

uint32_t StorageChecksum(const uint8_t* block, size_t size) {
    return SuperFastHash(block, size);
}

Undo::Undo(size_t snapshotSize)
    : size_(snapshotSize), buffers_(new uint8_t[size_t(kSlots) * snapshotSize]) {
    reset();
}

void Undo::reset() {
    current_ = -1;
    for (int32_t& stamp : stamps_) stamp = -1;
}

int Undo::FindStamp(int stamp) const {
    for (int slot = 0; slot < kSlots; ++slot)
        if (stamps_[slot] == stamp) return slot;
    return -1;
}

void Undo::store(const uint8_t* data) {
    // Smallest stamp wins, lowest index among equals: free slots (-1) first,
    // then the oldest snapshot.
    int chosen = 0;
    int32_t smallest = 0x0FFFFFFF;
    for (int slot = 0; slot < kSlots; ++slot) {
        if (stamps_[slot] < smallest) {
            smallest = stamps_[slot];
            chosen = slot;
        }
    }
    // A new state after undo drops the states that could have been redone.
    for (int slot = 0; slot < kSlots; ++slot)
        if (slot != chosen && stamps_[slot] > current_) stamps_[slot] = -1;
    ++current_;
    stamps_[chosen] = current_;
    std::memcpy(buffers_.get() + size_t(chosen) * size_, data, size_);
    if (log) std::fprintf(log, "Undo::store %d. current %d\n", chosen, current_);
}

bool Undo::undo(uint8_t* data) {
    if (log) std::fprintf(log, "Undo::Try Undo . Current=%d\n", current_);
    if (current_ < 1) return false;
    const int slot = FindStamp(current_ - 1);
    if (slot < 0) return false;
    --current_;
    if (log) std::fprintf(log, "Undo::Undo %d current %d\n", slot, current_);
    std::memcpy(data, buffers_.get() + size_t(slot) * size_, size_);
    return true;
}

bool Undo::redo(uint8_t* data) {
    if (log) std::fprintf(log, "Undo::Try Redo %d\n", current_);
    const int slot = FindStamp(current_ + 1);
    if (slot < 0) return false;
    if (log) std::fprintf(log, "Undo::Redo %d\n", slot);
    std::memcpy(data, buffers_.get() + size_t(slot) * size_, size_);
    ++current_;
    return true;
}

Undo* UndoHistories::ActiveHistory() {
    switch (active_) {
        case Active::Song: return &song;
        case Active::Instrument: return &instrument;
        case Active::None: break;
    }
    return nullptr;
}

bool UndoHistories::Record(const uint8_t* block) {
    Undo* history = ActiveHistory();
    if (history == nullptr) return false;
    const uint32_t checksum = StorageChecksum(block, history->snapshotSize());
    if (checksum == lastChecksum) return false;
    lastChecksum = checksum;
    history->store(block);
    return true;
}

bool UndoHistories::ApplyUndo(uint8_t* block) {
    Undo* history = ActiveHistory();
    if (history == nullptr) return false;
    const bool changed = history->undo(block);
    lastChecksum = StorageChecksum(block, history->snapshotSize());
    return changed;
}

bool UndoHistories::ApplyRedo(uint8_t* block) {
    Undo* history = ActiveHistory();
    if (history == nullptr) return false;
    const bool changed = history->redo(block);
    lastChecksum = StorageChecksum(block, history->snapshotSize());
    return changed;
}

void UndoHistories::ResetAndStore(Undo& history, const uint8_t* block) {
    history.reset();
    history.store(block);
    lastChecksum = StorageChecksum(block, history.snapshotSize());
}

}  // namespace qn
