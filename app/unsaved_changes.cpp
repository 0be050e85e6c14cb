// Whether the song changed since it was loaded or saved, the question asked
// before such changes would be lost (quitting, "New Song", "Load Song", the
// imports), and the window title that names the song and marks it changed.
//
// "Changed" is derived from the song data itself: a checksum over the
// storage block and the song's names, compared with the one taken when the
// song was last loaded, saved or made new. Any editor's change counts
// without the editor telling anyone, and undoing back to the saved state
// counts as unchanged.
#include <cstring>
#include <mutex>

#include "app/app.h"
#include "app/save_question.h"
#include "song/undo.h"

namespace qn {

constexpr const char* kWindowTitle = "Quillnote v1.0";
constexpr const char* kChangedMark = " *";

uint32_t SongContentChecksum(const SongDocument& doc) {
    // What a song file keeps besides the block: lengths and names. The
    // current position and the derived wave count are left out.
    struct Fields {
        uint32_t sequenceLength;
        uint32_t restartPosition;
        uint32_t rowsPerPattern;
        char instrumentNames[kInstrumentSlots][kNameLength];
        char waveNames[kWaves][kNameLength];
        char title[kTitleLength];
        char author[kTitleLength];
    } fields;
    std::memset(&fields, 0, sizeof(fields));
    const Song& song = doc.song;
    fields.sequenceLength = song.sequenceLength;
    fields.restartPosition = song.restartPosition;
    fields.rowsPerPattern = song.rowsPerPattern;
    std::memcpy(fields.instrumentNames, song.instrumentNames, sizeof(fields.instrumentNames));
    std::memcpy(fields.waveNames, song.waveNames, sizeof(fields.waveNames));
    std::memcpy(fields.title, doc.title, sizeof(fields.title));
    std::memcpy(fields.author, doc.author, sizeof(fields.author));
    uint32_t block = StorageChecksum(doc.Storage());
    uint32_t names = SuperFastHash(reinterpret_cast<const uint8_t*>(&fields), sizeof(fields));
    return block ^ (names * 0x9e3779b1u + 0x7f4a7c15u);
}

void App::MarkSongSaved() {
    // The writer preparation refreshes flags kept in the wave records; run
    // here as a save runs it, a later play or save does not count as a
    // change of the song.
    PrepareSongForWriting();
    {
        std::lock_guard<std::recursive_mutex> lock(audioMutex);
        savedChecksum = SongContentChecksum(*document);
    }
    songChanged = false;
    changedSince = -1.0;
    ClearCrashImage();
    UpdateWindowTitle();
}

bool App::SongChanged() {
    std::lock_guard<std::recursive_mutex> lock(audioMutex);
    songChanged = SongContentChecksum(*document) != savedChecksum;
    return songChanged;
}

bool App::ConfirmDiscardChanges() {
    if (!SongChanged()) return true;
    switch (AskSaveChanges()) {
        case SaveAnswer::kSave:
            // A cancelled save dialog or a failed save keeps the song.
            return SaveSongCommand(false);
        case SaveAnswer::kDiscard:
            return true;
        case SaveAnswer::kCancel:
            break;
    }
    return false;
}

void App::HandleQuitRequest() {
    if (!quitRequested) return;
    quitRequested = false;
    if (ConfirmDiscardChanges()) quit = true;
}

std::string App::WindowTitle() const {
    std::string name = FixedText(document->title, sizeof(document->title));
    if (name.empty() && songPath[0]) {
        name = songPath;
        size_t slash = name.rfind('/');
        if (slash != std::string::npos) name = name.substr(slash + 1);
    }
    if (name.empty()) name = "Untitled";
    return std::string(kWindowTitle) + " - " + name + (songChanged ? kChangedMark : "");
}

void App::UpdateWindowTitle() {
    std::string title = WindowTitle();
    if (title == shownTitle) return;
    shownTitle = title;
    if (window) SDL_SetWindowTitle(window, title.c_str());
}

}  // namespace qn
