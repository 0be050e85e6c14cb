// "New Song", "Load Song", "Save Song" and "Save Song As...": the song file
// commands, and the App's song reading and writing under the audio lock.
#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <mutex>

#include "app/app.h"
#include "app/file_dialog.h"
#include "song/file_io.h"
#include "song/song_file.h"
#include "song/song_image.h"
#include "song/song_loader.h"

namespace qn {

constexpr const char* kSongFilter = "qnt";

// Reads a song file chosen by the user. False with `tooLarge` clear when it
// cannot be opened or is empty (the command then ends without a message);
// a file past the largest buffer a song is read into cannot be a song.
static bool ReadSongFile(const char* path, std::vector<uint8_t>& bytes, bool* tooLarge) {
    *tooLarge = false;
    struct stat info;
    if (stat(path, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) return false;
    if (uint64_t(info.st_size) > kSongImageBufferSize) {
        *tooLarge = true;
        return false;
    }
    return ReadWholeFile(path, bytes, kSongImageBufferSize) && !bytes.empty();
}

bool App::LoadSong(std::vector<uint8_t>& image) {
    std::lock_guard<std::recursive_mutex> lock(audioMutex);
    Song imageSong;
    if (!qn::LoadSong(*document, image, &imageSong)) return false;
    songPath[0] = 0;
    InitReplayerForSong(&imageSong);
    RecomputeSongInfo();
    return true;
}

bool App::WriteSongImage(std::vector<uint8_t>& image) {
    image.assign(kSongImageBufferSize, 0);
    size_t size = 0;
    {
        // The writer preparation changes the wave flags and runs the
        // duration pass on the Replayer, which the callback reads.
        std::lock_guard<std::recursive_mutex> lock(audioMutex);
        PrepareSongForWriting();
        size = qn::WriteSongImage(*document, image.data(), image.size());
    }
    image.resize(size);
    return size != 0;
}

bool App::SaveSong(const char* path, std::string* finalPath) {
    std::vector<uint8_t> image;
    if (!WriteSongImage(image)) return false;
    std::string target = SongFilePath(path);
    // Written beside the target and renamed over it only when complete: a
    // failed save leaves the old file as it was.
    if (!WriteFileAtomically(target, image.data(), image.size())) return false;
    if (finalPath) *finalPath = target;
    return true;
}

void App::RememberSongPath(const std::string& path) { std::snprintf(songPath, sizeof(songPath), "%s", path.c_str()); }

bool App::SaveSongCommand(bool askForPath) {
    std::string path = songPath;
    if (askForPath || path.empty()) {
        FileReq request;
        if (!request.Open(kSongFilter, true)) return false;
        path = request.Path();
    }
    std::string written;
    if (!SaveSong(path.c_str(), &written)) {
        SetStatus("Failed. Could not save song.");
        return false;
    }
    RememberSongPath(written);
    MarkSongSaved();
    // "Save Song As..." leaves the status line as it was.
    if (!askForPath) SetStatus("Song saved.");
    return true;
}

void App::LoadSongCommand() {
    StopPlayback();
    FileReq request;
    if (!request.Open(kSongFilter, false)) return;
    std::vector<uint8_t> image;
    bool tooLarge = false;
    if (!ReadSongFile(request.Path(), image, &tooLarge) && !tooLarge) return;
    // The file is checked before anything is cleared: a rejected file leaves
    // the song, its names, its path and the undo history as they were.
    bool loaded = !tooLarge && LoadSong(image);
    if (loaded) {
        UnsetCursorMarks();
        ClearUndoHistories();
        UnmuteVoices();
        RememberSongPath(request.Path());
        SetStatus("Song loaded.");
    } else {
        SetStatus("Failed. Unknown song format.");
    }
    {
        std::lock_guard<std::recursive_mutex> lock(audioMutex);
        PrepareSongForWriting();
        StopPlayback();
    }
    if (loaded) MarkSongSaved();
}

void App::NewSongCommand(bool keepInstruments) {
    StopPlayback();
    {
        std::lock_guard<std::recursive_mutex> lock(audioMutex);
        if (keepInstruments) {
            document->ResetKeepingInstruments();
            SetFixedText(document->title, sizeof(document->title), "");
            SetFixedText(document->author, sizeof(document->author), "");
        } else {
            document->ResetToNewSong();
            InitReplayerForSong(&document->song);
        }
    }
    UnsetCursorMarks();
    ResetUndoForNewSong(keepInstruments);
    UnmuteVoices();
    songPath[0] = 0;
    StopPlayback();
    MarkSongSaved();
}

}  // namespace qn
