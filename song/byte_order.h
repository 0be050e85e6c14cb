// Big-endian number helpers and bounds-checked byte cursors for the file
// formats. Song files store multi-byte numbers big-endian because the player
// on the Amiga reads the same bytes; every read and write goes through these
// helpers so no loader or writer can step outside its buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace qn {

inline uint16_t ReadBE16(const uint8_t* bytes) {
    return uint16_t((unsigned(bytes[0]) << 8) | bytes[1]);
}

inline uint32_t ReadBE32(const uint8_t* bytes) {
    return (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | bytes[3];
}

inline void WriteBE16(uint8_t* bytes, uint16_t value) {
    bytes[0] = uint8_t(value >> 8);
    bytes[1] = uint8_t(value);
}

inline void WriteBE32(uint8_t* bytes, uint32_t value) {
    bytes[0] = uint8_t(value >> 24);
    bytes[1] = uint8_t(value >> 16);
    bytes[2] = uint8_t(value >> 8);
    bytes[3] = uint8_t(value);
}

// A read cursor over [data, data + size). Every step checks the remaining
// size first; nothing is read past the end.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t Position() const { return position_; }
    size_t Remaining() const { return size_ - position_; }

    // Moves to an absolute position; the end of the data itself is allowed.
    bool Seek(uint64_t position) {
        if (position > size_) return false;
        position_ = size_t(position);
        return true;
    }
    bool Skip(uint64_t count) {
        if (count > Remaining()) return false;
        position_ += size_t(count);
        return true;
    }
    // Returns the next `count` bytes and moves past them, or null when fewer remain.
    const uint8_t* Take(uint64_t count) {
        if (count > Remaining()) return nullptr;
        const uint8_t* bytes = data_ + position_;
        position_ += size_t(count);
        return bytes;
    }
    const uint8_t* Peek() const { return data_ + position_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

// A write cursor with a capacity. With no target it only counts (the song
// writer's measuring mode). A write that does not fit is dropped and marks
// the writer as overflowed, so the caller can report failure; the target is
// never written past its capacity.
class ByteWriter {
public:
    ByteWriter(uint8_t* target, size_t capacity) : target_(target), capacity_(capacity) {}

    size_t Position() const { return position_; }
    bool Overflowed() const { return overflowed_; }
    bool Measuring() const { return target_ == nullptr; }

    void Put(const void* bytes, size_t count) {
        if (Fits(position_, count) && target_) std::memcpy(target_ + position_, bytes, count);
        position_ += count;
    }
    void PutByte(uint8_t value) { Put(&value, 1); }
    void PutBE16(uint16_t value) {
        uint8_t bytes[2];
        WriteBE16(bytes, value);
        Put(bytes, 2);
    }
    void Skip(size_t count) {
        Fits(position_, count);
        position_ += count;
    }
    // Writes at an earlier position without moving the cursor (header fields
    // that are known only at the end).
    void PutAt(size_t position, const void* bytes, size_t count) {
        if (Fits(position, count) && target_) std::memcpy(target_ + position, bytes, count);
    }

private:
    bool Fits(size_t position, size_t count) {
        if (!target_) return true;
        if (position > capacity_ || count > capacity_ - position) {
            overflowed_ = true;
            return false;
        }
        return true;
    }

    uint8_t* target_;
    size_t capacity_;
    size_t position_ = 0;
    bool overflowed_ = false;
};

}  // namespace qn
