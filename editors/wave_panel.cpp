#include "editors/wave_panel.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace qn {

namespace {

constexpr WaveFieldSpec Field(const char* label, int byte, int minimum, int maximum, int bigStep,
                              bool isSigned = false, int shift = 0, int bits = 8,
                              WaveFieldRule rule = WaveFieldRule::kPlain, bool hex = false, int displayOffset = 0) {
    return {WaveRowKind::kField, label, byte, shift, bits, isSigned, minimum, maximum, bigStep, displayOffset, hex, rule};
}
constexpr WaveFieldSpec Heading(const char* label, int toggleByte = -1, int toggleBit = 0) {
    return {WaveRowKind::kHeading, label, toggleByte, toggleBit, 1, false, 0, 0, 0, 0, false, WaveFieldRule::kPlain};
}
constexpr WaveFieldSpec Marker(WaveRowKind kind, const char* label) {
    return {kind, label, -1, 0, 0, false, 0, 0, 0, 0, false, WaveFieldRule::kPlain};
}

}  // namespace

const WaveFieldSpec kWavePanelTable[] = {
    Field("Len:128*", 25, 0, 255, 16, false, 0, 8, WaveFieldRule::kLength, false, 1),
    Heading("Oscillator"),
    Field("OscType", 20, 0, 3, 3, false, 0, 2),
    Field("Basenote", 23, -128, 127, 12, true),
    Field("Gain", 24, 0, 255, 16),
    Field("Phase Min", 21, 0, 255, 12),
    Field("Phase Max", 22, 0, 255, 12),
    Field("Phase Spd", 19, 0, 255, 16),
    Field("  Unisono", 41, 0, 3, 1, false, 3, 2),
    Heading("Chord"),
    Field("Note 2", 14, 0, 255, 12),
    Field("Note 3", 15, 0, 255, 12),
    Field("Note 4", 16, 0, 255, 12),
    Field("Shift", 17, 0, 255, 12),
    Heading("Volume Env.   ", 20, 5),
    Field("Attack", 27, 0, 255, 16),
    Field("Delay", 28, 0, 255, 16),
    Field("Decay", 29, 0, 255, 16),
    Field("Sustain", 30, 0, 255, 16),
    Marker(WaveRowKind::kBreak, "BREAK"),
    Heading("Filter Lfo"),
    Field("FilterType", 31, 0, 4, 16),
    Field("Resonance ", 32, 0, 63, 16),
    Field("Start", 34, 0, 255, 16),
    Field("Min", 35, 0, 255, 16),
    Field("Max", 36, 0, 255, 16),
    Field("Speed", 37, -128, 127, 16, true),
    Heading("Modulator   ", 41, 5),
    Field("Wetness", 38, 0, 255, 16),
    Field("Length", 39, 1, 255, 16),
    Field("PreDelay", 40, 0, 255, 16),
    Field("Density  ", 41, 1, 7, 16, false, 0, 3),
    Heading("Special"),
    Field("Pitch Ramp", 33, -128, 127, 16, true),
    Field("Pitch Linear", 20, 0, 1, 1, false, 4, 1),
    Field("       Boost", 20, 0, 1, 1, false, 3, 1),
    Field("   Allow 9xx", 6, 0, 1, 1),
    // One beyond each end, so that a step down from 0 or up from 24 reaches
    // the setter, which wraps within 0-24.
    Field("Mix Wave", 26, -1, 25, 16, false, 0, 8, WaveFieldRule::kMixWave, true),
    Marker(WaveRowKind::kEmpty, "EMPTY"),
    Field("Clone from Wave ", 18, 0, 24, 1, false, 0, 8, WaveFieldRule::kCloneFrom, true),
};
const int kWavePanelRows = int(std::size(kWavePanelTable));

const WaveLoopFieldSpec kWaveLoopFields[6] = {
    {"Loop Start ", 0, true, 0, 65535, 2, 64},   {"Loop End   ", 2, true, 0, 65535, 2, 64},
    {"Loop Offset", 12, true, 0, 65535, 2, 64},  {"Subloop Len ", 4, true, 0, 65535, 2, 64},
    {"Subloop Step", 8, true, 0, 65535, 2, 64},  {"Subloop Wait  ", 7, false, 1, 255, 1, 16},
};

static uint8_t* RecordByte(WaveParams& wave, int byte) { return reinterpret_cast<uint8_t*>(&wave) + byte; }
static uint8_t RecordByte(const WaveParams& wave, int byte) {
    return reinterpret_cast<const uint8_t*>(&wave)[byte];
}

int ReadWaveField(const WaveParams& wave, const WaveFieldSpec& spec) {
    uint8_t byte = RecordByte(wave, spec.byte);
    if (spec.isSigned) return int(int8_t(byte));
    return (byte >> spec.shift) & ((1 << spec.bits) - 1);
}

void WriteWaveField(WaveParams& wave, const WaveFieldSpec& spec, int value) {
    value = std::clamp(value, spec.minimum, spec.maximum);
    uint8_t* byte = RecordByte(wave, spec.byte);
    const int mask = ((1 << spec.bits) - 1) << spec.shift;
    *byte = uint8_t((*byte & ~mask) | ((value << spec.shift) & mask));
}

bool ReadWaveToggle(const WaveParams& wave, const WaveFieldSpec& spec) {
    return spec.byte >= 0 && ((RecordByte(wave, spec.byte) >> spec.shift) & 1) != 0;
}

void WriteWaveToggle(WaveParams& wave, const WaveFieldSpec& spec, bool on) {
    if (spec.byte < 0) return;
    uint8_t* byte = RecordByte(wave, spec.byte);
    *byte = uint8_t(on ? (*byte | (1 << spec.shift)) : (*byte & ~(1 << spec.shift)));
}

const char* OscTypeLabel(int type) {
    static const char* const kNames[4] = {"OSC:Saw  ", "OSC:Tri  ", "OSC:Sqr  ", "OSC:Rnd  "};
    return kNames[type & 3];
}

const char* FilterTypeLabel(int type) {
    static const char* const kNames[5] = {"No Filter  ", "  Lowpass  ", " Highpass  ", " Bandpass  ", "    Notch  "};
    return kNames[std::clamp(type, 0, 4)];
}

}  // namespace qn
