// The song settings pane beside the sequence editor: the play buttons and
// the song length, restart position and pattern length fields.
#include <algorithm>
#include <mutex>

#include "editors/area.h"
#include "editors/command_numbers.h"
#include "editors/area_sequencer.h"
#include "editors/editor_host.h"
#include "engine/replayer.h"
#include "gui/button.h"
#include "gui/font.h"
#include "gui/number_field.h"

namespace qn {

constexpr int kFieldX = 14 * kCharAdvance;
constexpr int kFieldPitch = 20;

GuiItem* CreateSongSettings(EditorHost* host, GuiItem* parent, int x, int y, int height) {
    const bool wide = host->WideGui();
    GuiItem* pane = parent->Add(new GuiItem());
    pane->x = x;
    pane->y = y;
    pane->w = wide ? 250 : 159;
    pane->h = height;
    pane->customColours = true;
    pane->background = theme::kPaneBackground;

    // Song changes the audio callback reads are made under its lock; a
    // changed length or pattern length changes the song's size.
    auto setLength = [host](int value) {
        Song& song = host->EditedSong();
        uint32_t old = song.sequenceLength;
        {
            std::lock_guard<std::recursive_mutex> lock(host->AudioLock());
            song.SetSequenceLength(std::max(value, 1));
        }
        if (song.sequenceLength != old) host->RecomputeSongInfo();
    };
    auto setRestart = [host](int value) {
        std::lock_guard<std::recursive_mutex> lock(host->AudioLock());
        host->EditedSong().SetRestartPosition(std::max(value, 0));
    };
    auto setSteps = [host](int value) {
        Song& song = host->EditedSong();
        int old = song.rowsPerPattern;
        {
            std::lock_guard<std::recursive_mutex> lock(host->AudioLock());
            song.SetRowsPerPattern(std::clamp(value, 1, kMaxRows));
            Replayer& player = host->Player();
            if (player.row >= song.rowsPerPattern) player.SetRow(song.rowsPerPattern - 1);
        }
        if (song.rowsPerPattern != old) host->RecomputeSongInfo();
    };
    struct Field {
        const char* caption;
        std::function<void(int)> setter;
        std::function<int()> getter;
    };
    const Field fields[3] = {
        {"Length", setLength, [host] { return int(std::min<uint32_t>(host->EditedSong().sequenceLength, 255)); }},
        {"Restart", setRestart, [host] { return host->EditedSong().RestartPositionForDisplay(); }},
        {"Steps", setSteps, [host] { return std::min<int>(host->EditedSong().rowsPerPattern, kMaxRows); }},
    };
    for (int i = 0; i < 3; ++i)
        AddNumberField(pane, kFieldX, 4 + i * kFieldPitch, nullptr, 0, 255, 1, 16, 0, fields[i].caption,
                       fields[i].setter, fields[i].getter);

    static const char* const kLabels[3] = {"Play", "Pattern", "Stop"};
    const int commands[3] = {kCommandPlaySong, kCommandPlayPattern, kCommandStopSong};
    for (int i = 0; i < 3; ++i) {
        ButtonUser* button = pane->Add(new ButtonUser(commands[i]));
        button->label = kLabels[i];
        button->h = 18;
        if (wide) {
            button->x = 160;
            button->y = 2 + i * kFieldPitch;
            button->w = 84;
        } else {
            button->x = 6;
            button->y = 4 + 3 * kFieldPitch + 8 + i * 22;
            button->w = 143;
        }
    }
    return pane;
}

}  // namespace qn
