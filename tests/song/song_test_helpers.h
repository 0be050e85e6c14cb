// Small helpers shared by the song format tests.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "song/byte_order.h"
#include "song/song_image.h"

namespace qn::test {

// A non-empty wave record told apart by `tag` (kept in "Phase Spd").
inline WaveParams TaggedWave(int tag, int mix = 0, int clone = 0) {
    WaveParams wave = DefaultWaveParams();
    wave.phaseSpeed = uint8_t(tag);
    wave.mixWave = uint8_t(mix);
    wave.cloneFrom = uint8_t(clone);
    return wave;
}

// Writes the song into a 1 MiB buffer; returns the image trimmed to its size.
inline std::vector<uint8_t> WriteImage(SongDocument& doc) {
    std::vector<uint8_t> image(kSongImageBufferSize);
    image.resize(WriteSongImage(doc, image.data(), image.size(), nullptr, nullptr));
    return image;
}

// Everything a load could change: the storage block, counts, names, title, author and calculation order.
struct DocumentSnapshot {
    std::vector<uint8_t> storage;
    std::string record;

    explicit DocumentSnapshot(const SongDocument& doc)
        : storage(doc.Storage(), doc.Storage() + kStorageSize) {
        const Song& s = doc.song;
        record.append(reinterpret_cast<const char*>(s.instrumentNames), sizeof(s.instrumentNames));
        record.append(reinterpret_cast<const char*>(s.waveNames), sizeof(s.waveNames));
        record.append(reinterpret_cast<const char*>(s.waveCalcOrder), sizeof(s.waveCalcOrder));
        record.append(doc.title, kTitleLength);
        record.append(doc.author, kTitleLength);
        record += std::to_string(s.waveCount) + "/" + std::to_string(s.rowsPerPattern) + "/" +
                  std::to_string(s.rowStride) + "/" + std::to_string(s.sequenceLength) + "/" +
                  std::to_string(s.restartPosition) + "/" + std::to_string(s.currentPosition);
    }
    bool operator==(const DocumentSnapshot& other) const = default;
};

// A song that uses every section: names, title, author, instruments with
// steps, changed waves with a mix chain, several patterns and positions.
inline void FillRichSong(SongDocument& doc) {
    Song& song = doc.song;
    SetFixedText(doc.title, kTitleLength, "Twenty chars title!!");
    SetFixedText(doc.author, kTitleLength, "someone");
    song.SetRowsPerPattern(48);
    song.SetSequenceLength(6);
    song.restartPosition = 2;
    song.Position(3)[2] = {7, -12};
    song.Position(5)[0] = {2, 5};
    song.Pattern(1)[0].SetNote(13);
    song.Pattern(1)[0].SetInstrument(2);
    song.Pattern(7)[47].SetNote(kReleaseNote);
    song.Pattern(7)[47].SetInstrument(17);
    song.Pattern(7)[47].SetCommand(0xc);
    song.Pattern(7)[47].SetParameter(0x40);
    SetFixedText(song.instrumentNames[1], kNameLength, "bass");
    SetFixedText(song.instrumentNames[31], kNameLength, "hidden 32nd slot name");
    SetFixedText(song.waveNames[0], kNameLength, "exactly twenty-two chr");
    song.Instrument(2)->attack = 3;
    song.Instrument(2)->vibratoDepth = 9;
    song.instrumentSteps[1][0] = {0x0d, 0x00, 0x03};  // select wave 3
    song.instrumentSteps[1][4] = {0x80, 0x0b, 0x00};  // linked jump
    song.Wave(2)->mixWave = 3;
    song.Wave(2)->loopStart = 0x1234;
    song.Wave(2)->subloopStep = 0xfedc;
    song.Wave(3)->gain = 20;
    song.Wave(3)->chord[1] = -7;
    BuildWaveCalcOrder(song);
}

// Step `step` of instrument `instrument` (1-based) names `wave` with `command`.
inline void StepSelectsWave(Song& song, int instrument, int step, int wave, int command = 0) {
    song.instrumentSteps[instrument - 1][step] = InstrumentStep{0, uint8_t(command), uint8_t(wave)};
}

// The wave the synthesizer mixes into wave `w` (1-based; 0 for none): a
// "Mix Wave" of 24 and above means 23, and a wave never mixes itself.
inline int MixSource(const Song& song, int w) {
    const int mix = std::min<int>(song.waves[w - 1].mixWave, 23);
    return mix == w ? 0 : mix;
}

// What wave `w` sounds like: its records along the mix chain, without the
// numbering fields (mix and clone source) that loads and moves renumber.
inline std::vector<uint8_t> WaveSound(const Song& song, int w) {
    std::vector<uint8_t> sound;
    for (int depth = 0; w >= 1 && w <= kWaves && depth < kWaves; ++depth, w = MixSource(song, w)) {
        WaveParams record = song.waves[w - 1];
        record.mixWave = record.cloneFrom = 0;
        const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&record);
        sound.insert(sound.end(), bytes, bytes + sizeof(record));
    }
    return sound;
}

}  // namespace qn::test
