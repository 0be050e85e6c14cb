#include "song/optimizer.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "song/wave_references.h"

namespace qn {

namespace {

// The sequence entries of positions 0..L-1.
template <typename Visit>
void ForEachEntry(Song& song, Visit visit) {
    for (uint32_t position = 0; position < song.sequenceLength; ++position)
        for (int voice = 0; voice < kVoices; ++voice) visit(int(position), voice, song.Position(int(position))[voice]);
}

int HighestPattern(Song& song) {
    int highest = 0;
    ForEachEntry(song, [&](int, int, SequenceEntry& entry) { highest = std::max<int>(highest, entry.pattern); });
    return highest;
}

bool PatternNamed(Song& song, int pattern) {
    bool named = false;
    ForEachEntry(song, [&](int, int, SequenceEntry& entry) { named = named || entry.pattern == pattern; });
    return named;
}

size_t RowBytes(const Song& song) { return size_t(song.rowsPerPattern) * sizeof(qntPatternStep); }

bool PatternsEqual(const Song& song, int a, int b) {
    return std::memcmp(song.Pattern(a), song.Pattern(b), RowBytes(song)) == 0;
}

void CopyPattern(Song& song, int from, int to) {
    if (from == to || from < 1 || to < 1) return;
    std::memcpy(song.Pattern(to), song.Pattern(from), RowBytes(song));
}

bool PatternHasData(const Song& song, int pattern) {
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(song.Pattern(pattern));
    return std::any_of(bytes, bytes + RowBytes(song), [](uint8_t byte) { return byte != 0; });
}

// "0xy Play 2nd Instrument": command 0 without the chord flag, instrument y.
bool PlaysSecondInstrument(const qntPatternStep& step) {
    return step.Command() == 0 && !step.Chord() && step.Parameter() != 0;
}

void ResetInstrumentParams(InstrumentParams& params) {
    const uint8_t stepCount = params.stepCount;
    params = DefaultInstrumentParams();
    params.stepCount = stepCount;
}

bool ValidWave(int number) { return number >= 1 && number <= kWaves; }

// Marks the "Mix Wave" and "Clone from Wave" sources of marked waves until
// nothing changes, so a source reached only through another wave is kept.
// A clone value above 24 names no wave.
void MarkWaveSources(const Song& song, bool (&used)[kWaves + 1]) {
    for (bool grew = true; grew;) {
        grew = false;
        for (int wave = 1; wave <= kWaves; ++wave) {
            if (!used[wave]) continue;
            for (int source : {int(song.waves[wave - 1].cloneFrom), MixedWave(song.waves[wave - 1].mixWave)}) {
                if (ValidWave(source) && !used[source]) {
                    used[source] = true;
                    grew = true;
                }
            }
        }
    }
}

// Passes 1-4: unused and empty patterns, gaps, duplicates.
void OptimizePatterns(Song& song, int& changedEntries, FILE* log) {
    const int highestBefore = HighestPattern(song);
    // 1. Clear every pattern the sequence does not name.
    for (int slot = 0; slot < kMaxPatterns; ++slot) {
        if (PatternNamed(song, slot + 1)) continue;
        if (slot <= highestBefore && log) std::fprintf(log, "Pattern Index %d not used. Clear.\n", slot);
        std::memset(song.patternPointers[slot], 0, RowBytes(song));
    }
    // 2. Entries naming an empty pattern play nothing instead.
    bool marked[kMaxPatterns + 1] = {};
    for (int pattern = 1; pattern <= highestBefore; ++pattern) marked[pattern] = PatternHasData(song, pattern);
    ForEachEntry(song, [&](int, int, SequenceEntry& entry) {
        if (!marked[entry.pattern]) entry.pattern = 0;
    });
    // 3. The highest pattern moves into each free number below it.
    for (int pattern = 1; pattern < HighestPattern(song); ++pattern) {
        if (marked[pattern]) continue;
        const int highest = HighestPattern(song);
        CopyPattern(song, highest, pattern);
        ForEachEntry(song, [&](int, int, SequenceEntry& entry) {
            if (entry.pattern == highest) entry.pattern = uint8_t(pattern);
        });
    }
    // 4. Fold identical patterns into the lowest of them. Each folded slot
    // receives a copy of the highest pattern, which a later round then finds
    // identical and moves down, closing the numbering.
    for (int pattern = 1; pattern <= HighestPattern(song); ++pattern) {
        const int highest = HighestPattern(song);
        std::vector<int> duplicates;
        for (int other = pattern + 1; other <= highest; ++other) {
            if (!PatternsEqual(song, pattern, other)) continue;
            duplicates.push_back(other);
            ForEachEntry(song, [&](int position, int voice, SequenceEntry& entry) {
                if (entry.pattern != other) return;
                if (log)
                    std::fprintf(log, "Step %d channel %d. Change pattern %d with %d\n", position, voice, other,
                                 pattern);
                entry.pattern = uint8_t(pattern);
                ++changedEntries;
            });
        }
        for (int duplicate : duplicates) CopyPattern(song, HighestPattern(song), duplicate);
    }
}

// Passes 5-7: used instruments, moved down into free numbers, the rest deleted.
int OptimizeInstruments(Song& song, FILE* log) {
    const int highest = HighestPattern(song);
    bool used[kInstrumentSlots] = {};
    for (int pattern = 1; pattern <= highest; ++pattern) {
        const qntPatternStep* steps = song.Pattern(pattern);
        for (int row = 0; row < song.rowsPerPattern; ++row) {
            if (steps[row].Instrument() != 0) used[steps[row].Instrument()] = true;
            if (PlaysSecondInstrument(steps[row])) used[steps[row].Parameter() & 0x0f] = true;
        }
    }
    struct Move {
        int from, to;
    };
    std::vector<Move> moves;
    for (int from = kSelectableInstruments; from >= 2; --from) {
        if (!used[from]) continue;
        for (int to = 1; to < from; ++to) {
            if (used[to]) continue;
            moves.push_back({from, to});
            used[from] = false;
            used[to] = true;
            if (log) std::fprintf(log, "instrument %d move to unused slot %d\n", from, to);
            break;
        }
    }
    for (const Move& move : moves) {
        for (int pattern = 1; pattern <= highest; ++pattern) {
            qntPatternStep* steps = song.Pattern(pattern);
            for (int row = 0; row < song.rowsPerPattern; ++row) {
                qntPatternStep& step = steps[row];
                if (step.Instrument() == move.from) step.SetInstrument(move.to);
                // Only the instrument nibble y of "0xy"; the delay x stays.
                if (PlaysSecondInstrument(step) && (step.Parameter() & 0x0f) == move.from)
                    step.SetParameter((step.Parameter() & 0xf0) | move.to);
            }
        }
        std::memcpy(song.instrumentSteps[move.to - 1], song.instrumentSteps[move.from - 1], kStepTableBytes);
        song.instruments[move.to - 1] = song.instruments[move.from - 1];
        std::memcpy(song.instrumentNames[move.to - 1], song.instrumentNames[move.from - 1], kNameLength);
        ResetInstrumentParams(song.instruments[move.from - 1]);
    }
    if (log) std::fprintf(log, "Remapped %d unused instruments\n", int(moves.size()));
    for (int instrument = 1; instrument <= kSelectableInstruments; ++instrument) {
        if (used[instrument]) continue;
        std::memset(song.instrumentNames[instrument - 1], 0, kNameLength);
        ResetInstrumentParams(song.instruments[instrument - 1]);
        std::memset(song.instrumentSteps[instrument - 1], 0, kStepTableBytes);
    }
    if (log) std::fprintf(log, "Removed %d unused instruments\n", int(moves.size()));
    return int(moves.size());
}

// Lowers a wave reference in u..highest by one.
void LowerReference(uint8_t& reference, int unused, int highest) {
    if (reference >= unused && reference <= highest) --reference;
}

// Pass 8: remove unused waves one gap at a time.
int RemoveUnusedWaves(Song& song, FILE* log) {
    // Mix fields of 24 and above become the 23 they mix in, so renumbering
    // wave 23 carries them along.
    LowerMixWaves(song.waves, kWaves);
    int removed = 0;
    int highest = 1;
    for (;;) {
        bool used[kWaves + 1] = {};
        used[1] = true;
        for (int instrument = 0; instrument < kSelectableInstruments; ++instrument)
            for (int step = 0; step < kInstrumentSteps; ++step)
                used[song.instrumentSteps[instrument][step].SelectedWave()] = true;
        used[0] = false;
        MarkWaveSources(song, used);
        for (int wave = 1; wave <= kWaves; ++wave) {
            if (!used[wave]) continue;
            if (log) std::fprintf(log, "used waves %d: %s\n", wave, FixedText(song.waveNames[wave - 1], kNameLength).c_str());
            highest = wave;
        }
        if (log) std::fprintf(log, "max used waves %d\n", highest);
        int unused = 0;
        for (int wave = 1; wave <= highest && unused == 0; ++wave)
            if (!used[wave]) unused = wave;
        if (unused == 0) break;

        for (int wave = unused; wave < highest; ++wave) {
            song.waves[wave - 1] = song.waves[wave];
            std::memcpy(song.waveNames[wave - 1], song.waveNames[wave], kNameLength);
        }
        for (int instrument = 0; instrument < kSelectableInstruments; ++instrument)
            for (int step = 0; step < kInstrumentSteps; ++step) {
                InstrumentStep& value = song.instrumentSteps[instrument][step];
                if (value.Command() == 0 || value.Command() == 4) LowerReference(value.b2, unused, highest);
            }
        for (int wave = 1; wave < highest; ++wave) {
            LowerReference(song.waves[wave - 1].cloneFrom, unused, highest);
            LowerReference(song.waves[wave - 1].mixWave, unused, highest);
        }
        song.waves[highest - 1] = DefaultWaveParams();
        std::memset(song.waveNames[highest - 1], 0, kNameLength);
        if (log) std::fprintf(log, "unused wave %d removed. Max Used Waves: %d\n", unused + 1, highest - 1);
        ++removed;
    }
    for (int wave = highest + 1; wave <= kWaves; ++wave) {
        song.waves[wave - 1] = DefaultWaveParams();
        std::memset(song.waveNames[wave - 1], 0, kNameLength);
    }
    BuildWaveCalcOrder(song);
    if (log) std::fprintf(log, "Removed syntheaves %d\n", removed);
    return removed;
}

}  // namespace

OptimizeReport OptimizeSong(SongDocument& doc, const SongMeasure& measure, FILE* log) {
    Song& song = doc.song;
    OptimizeReport report;
    const size_t sizeBefore = measure ? measure(doc) : 0;
    const int patternsBefore = HighestPattern(song);

    OptimizePatterns(song, report.sequenceEntriesChanged, log);
    report.instrumentsMoved = OptimizeInstruments(song, log);
    report.wavesRemoved = RemoveUnusedWaves(song, log);
    report.wavesChanged = true;

    const int patternsAfter = HighestPattern(song);
    report.patternsRemoved = patternsBefore - patternsAfter;
    if (log) {
        std::fprintf(log, "Removed %d duplicate patterns, changed %d seq entries\n", report.patternsRemoved,
                     report.sequenceEntriesChanged);
        std::fprintf(log, "Used patterns: %d\n", patternsAfter);
    }
    const size_t sizeAfter = measure ? measure(doc) : 0;
    report.bytesSaved = (long long)sizeBefore - (long long)sizeAfter;
    char text[128];
    std::snprintf(text, sizeof(text), "Removed %d Pat., %d Ins. %d Waves Saved: %db", report.patternsRemoved,
                  report.instrumentsMoved, report.wavesRemoved, int(report.bytesSaved));
    report.summary = text;
    return report;
}

int ClearUnusedWaves(Song& song) {
    bool used[kWaves + 1] = {};
    for (int instrument = 0; instrument < kInstrumentSlots; ++instrument)
        for (int step = 0; step < kInstrumentSteps; ++step) used[song.instrumentSteps[instrument][step].SelectedWave()] = true;
    used[0] = false;
    MarkWaveSources(song, used);
    int cleared = 0;
    for (int wave = 1; wave <= kWaves; ++wave) {
        if (used[wave]) continue;
        if (!IsWaveEmpty(song.waves[wave - 1]) || song.waveNames[wave - 1][0] != 0) ++cleared;
        song.waves[wave - 1] = DefaultWaveParams();
        std::memset(song.waveNames[wave - 1], 0, kNameLength);
    }
    BuildWaveCalcOrder(song);
    return cleared;
}

bool NormalizeWaves(Song& song) {
    int highest = 0;
    for (int wave = 0; wave < kWaves; ++wave) highest = std::max<int>(highest, song.waves[wave].gain);
    if (highest >= 255 || highest == 0) return false;
    const float factor = 255.0f / float(highest);
    for (int wave = 0; wave < kWaves; ++wave) {
        const float scaled = float(song.waves[wave].gain) * factor;
        song.waves[wave].gain = uint8_t(std::min(int(scaled), 255));
    }
    return true;
}

bool ScaleWaveVolumes(Song& song, bool louder) {
    const float factor = louder ? 1.1f : 0.9f;
    bool changed = false;
    for (int wave = 0; wave < kWaves; ++wave) {
        const float scaled = float(song.waves[wave].gain) * factor;
        const uint8_t gain = uint8_t(std::min(int(scaled), 255));
        changed = changed || gain != song.waves[wave].gain;
        song.waves[wave].gain = gain;
    }
    return changed;
}

}  // namespace qn
