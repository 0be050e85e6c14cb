// The numbered commands: posted as command events by menus, shortcuts,
// buttons and the editors' keys, and run by the program one frame later.
#pragma once

namespace qn {

// Command numbers. The shell runs the file, play, window and preference
// commands; the song operations (optimizer, imports, exports, clipboards,
// instrument files, undo, wave volumes) run their own numbers.
enum Command : int {
    kCommandNone = 0,
    kCommandQuit = 1,
    kCommandSaveSong = 2,
    kCommandSaveSongAs = 3,
    kCommandOptimizeSong = 4,
    kCommandImportProTracker = 5,
    kCommandImportQxm = 7,
    kCommandExportWav = 9,
    kCommandExportAmigaExe = 10,
    kCommandNewSong = 12,
    kCommandNewSongKeepInstruments = 13,
    kCommandLoadSong = 16,
    kCommandPlaySong = 18,
    kCommandMuteVoice = 19,
    kCommandCopyWave = 22,
    kCommandClearWave = 23,
    kCommandPasteWave = 24,
    kCommandCopyInstrument = 25,
    kCommandPasteInstrument = 26,
    kCommandClearInstrument = 27,
    kCommandClearUnusedWaves = 28,
    kCommandPlayPattern = 29,
    kCommandPlayPatternFromCursor = 30,
    kCommandPlaySongFromCursor = 31,
    kCommandStopSong = 32,
    kCommandStopKeepCursor = 33,
    kCommandInstrumentWindow = 34,
    kCommandWaveWindow = 35,
    kCommandPlayOneRow = 36,
    kCommandMainWindow = 37,
    kCommandLoadInstrument = 39,
    kCommandSaveInstrument = 40,
    kCommandGuiSize20 = 41,
    kCommandGuiSize15 = 42,
    kCommandGuiSize10 = 43,
    kCommandWideGui = 44,
    kCommandStepsInHex = 46,
    kCommandFullStereo = 47,
    kCommandHalfStereo = 48,
    kCommandMono = 49,
    kCommandUndo = 50,
    kCommandRedo = 51,
    kCommandNormalizeWaves = 52,
    kCommandWavesVolumeDown = 53,
    kCommandWavesVolumeUp = 54,
};

}  // namespace qn
