// The wave editor's parameter panel as one ordered table: every field of a
// wave record the panel edits, with its label, range and big step, the
// section headings (two with a sync toggle), the column break and the gap.
// The panel is built from this table, and the same table says which byte
// or bits each field reads and writes.
#pragma once

#include <cstdint>

#include "song/song_types.h"

namespace qn {

enum class WaveRowKind : uint8_t { kField, kHeading, kBreak, kEmpty };

// What a field's setter does beyond storing its bits.
enum class WaveFieldRule : uint8_t { kPlain, kLength, kMixWave, kCloneFrom };

struct WaveFieldSpec {
    WaveRowKind kind;
    const char* label;
    int byte;        // record byte; for a heading, the byte of its toggle (-1 none)
    int shift;       // first bit of the field (or of the toggle)
    int bits;        // width in bits; 8 for a whole byte
    bool isSigned;   // the byte is read as -128..127
    int minimum, maximum, bigStep;
    int displayOffset;
    bool hex;
    WaveFieldRule rule;
};

extern const WaveFieldSpec kWavePanelTable[];
extern const int kWavePanelRows;

// The loop section's six fields (16-bit words and one byte).
struct WaveLoopFieldSpec {
    const char* label;
    int byte;   // the word at byte, byte + 1, or the single byte
    bool word;
    int minimum, maximum, step, bigStep;
};
extern const WaveLoopFieldSpec kWaveLoopFields[6];

// A plain field's value as the panel shows it, and storing one: only the
// field's own bits of the record change.
int ReadWaveField(const WaveParams& wave, const WaveFieldSpec& spec);
void WriteWaveField(WaveParams& wave, const WaveFieldSpec& spec, int value);
// The same for a heading's sync toggle (one bit).
bool ReadWaveToggle(const WaveParams& wave, const WaveFieldSpec& spec);
void WriteWaveToggle(WaveParams& wave, const WaveFieldSpec& spec, bool on);

// The names the OscType and FilterType labels show.
const char* OscTypeLabel(int type);
const char* FilterTypeLabel(int type);

}  // namespace qn
