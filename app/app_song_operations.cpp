// The song operations behind the menus: instrument files, the ProTracker and
// Qxm imports, "Optimize Song", the song-wide wave commands and the
// instrument and wave clipboards. The data work lives in song/; here the
// files are chosen and read, the song is changed under the audio lock (the
// callback's Replayer reads it), the waves are generated again when their
// records changed, and the status line is set.
#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/file_dialog.h"
#include "song/file_io.h"
#include "song/import_protracker.h"
#include "song/import_qxm.h"
#include "song/instrument_file.h"
#include "song/optimizer.h"
#include "song/song_image.h"

namespace qn {

constexpr const char* kInstrumentFilter = "ins";
constexpr const char* kProTrackerFilter = "mod";
constexpr const char* kQxmFilter = "qxm";
// No module of either format comes near this; a larger file is not read.
constexpr size_t kMaxImportBytes = size_t(64) << 20;

enum class FileRead { kUnreadable, kTooLarge, kRead };

// Reads a file the user chose. kUnreadable: it cannot be opened, is no
// regular file or is empty; kTooLarge: it is larger than `maxSize`.
static FileRead ReadChosenFile(const char* path, size_t maxSize, std::vector<uint8_t>& bytes) {
    struct stat info;
    if (stat(path, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) return FileRead::kUnreadable;
    if (uint64_t(info.st_size) > maxSize) return FileRead::kTooLarge;
    if (!ReadWholeFile(path, bytes, maxSize) || bytes.empty()) return FileRead::kUnreadable;
    return FileRead::kRead;
}

bool App::ExecuteSongOperation(int command) {
    switch (command) {
        case kCommandOptimizeSong:
            OptimizeSong();
            return true;
        case kCommandImportProTracker:
            ImportCommand(false);
            return true;
        case kCommandImportQxm:
            ImportCommand(true);
            return true;
        case kCommandLoadInstrument:
            LoadInstrumentCommand();
            return true;
        case kCommandSaveInstrument:
            SaveInstrumentCommand();
            return true;
        case kCommandUndo:
            StepUndo(false);
            return true;
        case kCommandRedo:
            StepUndo(true);
            return true;
        case kCommandCopyWave:
        case kCommandClearWave:
        case kCommandPasteWave:
        case kCommandCopyInstrument:
        case kCommandPasteInstrument:
        case kCommandClearInstrument:
            ClipboardCommand(command);
            return true;
        case kCommandClearUnusedWaves:
        case kCommandNormalizeWaves:
        case kCommandWavesVolumeDown:
        case kCommandWavesVolumeUp:
            WaveGainCommand(command);
            return true;
        default:
            return false;
    }
}

void App::RegenerateWaves() {
    std::lock_guard<std::recursive_mutex> lock(audioMutex);
    // The measured wave count says how many waves are generated.
    RecomputeSongInfo();
    replayer->synth.PrecalcAllWaves(document->song, *waveMemory);
}

bool App::LoadInstrument(const uint8_t* data, size_t size) {
    int instrument = currentInstrument;
    if (instrument < 1 || instrument > kSelectableInstruments) return false;
    std::lock_guard<std::recursive_mutex> lock(audioMutex);
    if (!qn::LoadInstrument(data, size, document->song, instrument, nullptr, stdout)) return false;
    // Every successful load generates all waves again: the copied waves
    // are heard at once.
    RegenerateWaves();
    return true;
}

void App::LoadInstrumentCommand() {
    FileReq request;
    if (!request.Open(kInstrumentFilter, false)) return;
    std::vector<uint8_t> bytes;
    bool loaded = ReadChosenFile(request.Path(), kInstrumentFileMaxRead, bytes) == FileRead::kRead &&
                  LoadInstrument(bytes.data(), bytes.size());
    SetStatus(loaded ? "Instrument loaded." : "Failed. Unknown Instrument format.");
}

void App::SaveInstrumentCommand() {
    FileReq request;
    if (!request.Open(kInstrumentFilter, true)) return;
    std::string path = InstrumentFilePath(request.Path());
    std::array<uint8_t, kInstrumentFileSize> bytes;
    {
        std::lock_guard<std::recursive_mutex> lock(audioMutex);
        bytes = BuildInstrumentFile(document->song, currentInstrument);
    }
    // Written beside the target and renamed over it when complete.
    bool saved = WriteFileAtomically(path, bytes.data(), bytes.size());
    SetStatus(saved ? "Instrument saved." : "Failed. Could not save instrument.");
}

void App::ImportCommand(bool qxm) {
    FileReq request;
    if (!request.Open(qxm ? kQxmFilter : kProTrackerFilter, false)) return;
    std::vector<uint8_t> bytes;
    FileRead read = ReadChosenFile(request.Path(), kMaxImportBytes, bytes);
    if (read == FileRead::kUnreadable) return;
    bool imported = false;
    if (read == FileRead::kRead) {
        std::lock_guard<std::recursive_mutex> lock(audioMutex);
        // A rejected file changes nothing: both importers check the whole
        // file before they write to the song.
        imported = qxm ? ImportQxm(bytes.data(), bytes.size(), *document)
                       : ImportProTracker(bytes.data(), bytes.size(), *document);
    }
    if (imported) {
        waveCloneStore.Reset();
        // The sequence length and rows per pattern changed.
        RecomputeSongInfo();
        SetStatus(qxm ? "QXM Import successful." : "Protracker Import successful.");
    } else {
        SetStatus(qxm ? "QXM Import failed." : "Protracker Import failed.");
    }
}

void App::OptimizeSong() {
    OptimizeReport report;
    {
        // The passes rewrite patterns, instruments and waves that the
        // callback's Replayer reads.
        std::lock_guard<std::recursive_mutex> lock(audioMutex);
        // The byte counts are those of the image the song is saved as.
        SongMeasure measure = [this](SongDocument& doc) {
            PrepareSongForWriting();
            return qn::WriteSongImage(doc, nullptr, 0, nullptr, nullptr);
        };
        report = qn::OptimizeSong(*document, measure, stdout);
        if (report.wavesChanged)
            RegenerateWaves();
        else
            RecomputeSongInfo();
    }
    SetStatus("%s", report.summary.c_str());
}

void App::WaveGainCommand(int command) {
    bool regenerate = false;
    {
        std::lock_guard<std::recursive_mutex> lock(audioMutex);
        Song& song = document->song;
        switch (command) {
            case kCommandClearUnusedWaves:
                regenerate = ClearUnusedWaves(song) > 0;
                break;
            case kCommandNormalizeWaves:
                regenerate = NormalizeWaves(song);
                break;
            case kCommandWavesVolumeDown:
            case kCommandWavesVolumeUp:
                // Generated again at once, as "Normalize Waves" does, so the
                // new volume is heard without a trip to the wave editor.
                regenerate = ScaleWaveVolumes(song, command == kCommandWavesVolumeUp);
                break;
            default:
                break;
        }
        if (regenerate) RegenerateWaves();
    }
}

void App::ClipboardCommand(int command) {
    std::lock_guard<std::recursive_mutex> lock(audioMutex);
    Song& song = document->song;
    int wave = currentWave >= 1 && currentWave <= kWaves ? currentWave : 1;
    int instrument = currentInstrument >= 1 && currentInstrument <= kSelectableInstruments ? currentInstrument : 1;
    switch (command) {
        case kCommandCopyWave:
            CopyWave(song, wave, clipboards);
            break;
        case kCommandPasteWave:
            PasteWave(song, wave, clipboards);
            RegenerateWaves();
            break;
        case kCommandClearWave:
            ClearWave(song, wave);
            RegenerateWaves();
            break;
        case kCommandCopyInstrument:
            CopyInstrument(song, instrument, clipboards);
            break;
        case kCommandPasteInstrument:
            PasteInstrument(song, instrument, clipboards);
            break;
        case kCommandClearInstrument:
            ClearInstrument(song, instrument);
            break;
        default:
            break;
    }
}

}  // namespace qn
