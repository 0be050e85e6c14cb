// Undo and redo in the program: which history the open window records into,
// the once-per-frame recording rule, the "Undo" and "Redo" commands under the
// audio lock, and the song figures re-measured after each recorded state.
#include <cstring>
#include <mutex>

#include "app/app.h"
#include "song/song_image.h"

namespace qn {

void App::SelectUndoHistory(int window) {
    switch (window) {
        case kMainWindow:
            undo.SetActive(UndoHistories::Active::Song);
            break;
        case kInstrumentWindow:
            undo.SetActive(UndoHistories::Active::Instrument);
            // Each opening starts the window's own history with the state at
            // opening; a rebuild of the open window (a GUI size change)
            // keeps what it recorded so far.
            if (currentWindow != kInstrumentWindow) {
                {
                    std::lock_guard<std::recursive_mutex> lock(audioMutex);
                    undo.ResetAndStore(undo.instrument, document->Storage());
                }
                RecomputeSongInfo();
            }
            break;
        case kWaveWindow:
            // The wave editor regenerates the waves itself on every change;
            // nothing is recorded there and undo does nothing.
            undo.SetActive(UndoHistories::Active::None);
            break;
        default:
            break;
    }
    undoRecording = undo.active() != UndoHistories::Active::None;
}

void App::RecordUndoIfChanged() {
    bool changed = false;
    {
        // The audio thread writes into the block too (the octave-copies
        // flag of a wave played above the period range).
        std::lock_guard<std::recursive_mutex> lock(audioMutex);
        changed = undo.Record(document->Storage());
    }
    if (changed) RecomputeSongInfo();
}

void App::ClearUndoHistories() {
    // A loaded song: nothing is stored, and the recorded checksum still
    // belongs to the song before, so the first handled key records the
    // loaded state as the first step.
    undo.song.reset();
    undo.instrument.reset();
}

void App::ResetUndoForNewSong(bool keepInstruments) {
    if (!keepInstruments) undo.instrument.reset();
    {
        std::lock_guard<std::recursive_mutex> lock(audioMutex);
        undo.ResetAndStore(undo.song, document->Storage());
    }
    RecomputeSongInfo();
}

void App::StepUndo(bool redo) {
    if (!undoRecording) return;
    bool changed = false;
    bool wavesChanged = false;
    {
        // The audio callback's Replayer reads patterns, instruments and
        // waves from the block being replaced.
        std::lock_guard<std::recursive_mutex> lock(audioMutex);
        uint8_t* block = document->Storage();
        WaveParams wavesBefore[kWaves];
        std::memcpy(static_cast<void*>(wavesBefore), block + kWaveOffset, kWaveBytes);
        changed = redo ? undo.ApplyRedo(block) : undo.ApplyUndo(block);
        wavesChanged = changed && std::memcmp(wavesBefore, block + kWaveOffset, kWaveBytes) != 0;
    }
    if (!changed) return;
    // The calculation order lies outside the block: it is rebuilt for the
    // restored records, and the waves are generated again so that what is
    // heard matches the records (an undone "Clear unused waves" or
    // instrument load would otherwise keep sounding).
    if (wavesChanged) {
        std::lock_guard<std::recursive_mutex> lock(audioMutex);
        waveCloneStore.Reset();
        BuildWaveCalcOrder(document->song);
        RegenerateWaves();
    } else {
        RecomputeSongInfo();
    }
}

void App::RecomputeSongInfo() {
    // The writer resets the instruments' step counts, which the callback
    // reads; measuring writes nothing else.
    std::lock_guard<std::recursive_mutex> lock(audioMutex);
    SongImageResult measured;
    songSize = uint32_t(qn::WriteSongImage(*document, nullptr, 0, &measured, nullptr));
    Song& song = document->song;
    song.waveCount = uint8_t(measured.waveCount);
    precalcEstimate = 0.0f;
    for (int slot = 0; slot < measured.waveCount && slot < kWaves; ++slot)
        precalcEstimate += WaveSynth::EstimatePrecalcSeconds(song.waves[slot]);
}

}  // namespace qn
