#include "cli/engine_commands.h"

#include <cerrno>
#include <cstdlib>
#include <unistd.h>

#include "engine/wav_export.h"
#include "engine/wav_file.h"
#include "song/song_image.h"
#include "cli/cli.h"

namespace qn::cli {

bool LoadSongForPlayback(const std::string& path, SongPlayer& player, std::string* error) {
    if (!LoadInput(path, player.doc, player.input, error)) return false;
    // As the program loads a song: the waves come from the file's records,
    // then the Replayer plays the editable song, stopped, and the duration
    // pass runs once.
    player.replayer.InitReplayer(&player.input.imageSong, &player.memory);
    player.replayer.song = &player.doc.song;
    player.replayer.ResetReplayer(true);
    player.duration = PrepareSongForWrite(player.replayer);
    return true;
}

EngineInfo GatherEngineInfo(SongDocument& doc) {
    EngineInfo info;
    Replayer replayer;
    replayer.InitReplayer(&doc.song, nullptr);  // no waves needed to measure
    replayer.ResetReplayer(true);
    info.durationSeconds = PrepareSongForWrite(replayer);
    SongImageResult measured;
    WriteSongImage(doc, nullptr, 0, &measured, nullptr);
    Song counted = doc.song;
    counted.waveCount = uint8_t(measured.waveCount);
    info.chipMemory = WaveSynth::ChipMemoryNeeded(counted);
    for (int slot = 0; slot < measured.waveCount && slot < kWaves; ++slot)
        info.precalcSeconds += WaveSynth::EstimatePrecalcSeconds(doc.song.waves[slot]);
    return info;
}

void PrintEngineInfo(const EngineInfo& info, FILE* out) {
    // Minutes stop at 99; the seconds then carry the rest, as the panel shows.
    const int total = int(info.durationSeconds);
    const int minutes = total / 60 > 99 ? 99 : total / 60;
    std::fprintf(out, "duration: %02d:%02d\n", minutes, total - minutes * 60);
    std::fprintf(out, "chip memory needed: %u bytes\n", unsigned(info.chipMemory));
    std::fprintf(out, "A500 precalc time: %05.2fs\n", double(info.precalcSeconds));
}

static bool ParseStereo(const std::string& text, float* width) {
    if (text == "mono") *width = StereoWidthForMode(0);
    else if (text == "half") *width = StereoWidthForMode(1);
    else if (text == "full") *width = StereoWidthForMode(2);
    else return false;
    return true;
}

struct Progress {
    int lastPercent = -1;
};

static bool ShowProgress(float fraction, void* context) {
    auto* progress = static_cast<Progress*>(context);
    const int percent = int(fraction * 100.0f);
    if (percent != progress->lastPercent) {
        progress->lastPercent = percent;
        std::fprintf(stderr, "\rrendering %3d%%", percent);
        std::fflush(stderr);
    }
    return true;
}

int RunRender(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    float width = 1.0f;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--stereo") {
            if (i + 1 >= args.size() || !ParseStereo(args[i + 1], &width)) return UsageError("render");
            ++i;
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() != 2) return UsageError("render");
    auto player = std::make_unique<SongPlayer>();
    std::string error;
    if (!LoadSongForPlayback(files[0], *player, &error)) return Fail(error);

    SongRender render;
    if (!render.Begin(player->replayer, player->mixer, width, files[1])) {
        if (ExportBufferFrames(render.DurationSeconds()) > kWavMaxFrames)
            return Fail(files[0] + " is too long to render into one WAV file");
        return Fail("cannot write " + files[1]);
    }
    const bool terminal = isatty(fileno(stderr)) != 0;
    Progress progress;
    while (render.RenderTick())
        if (terminal) ShowProgress(render.Progress(), &progress);
    if (terminal) std::fprintf(stderr, "\n");
    if (!render.Finish()) return Fail("cannot write " + files[1]);
    std::printf("wrote %s (%llu frames, %.2f s)\n", files[1].c_str(),
                static_cast<unsigned long long>(render.FramesDone()),
                double(render.FramesDone()) / kSampleRate);
    return kExitOk;
}

static bool ParseCount(const std::string& text, unsigned long* count) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    errno = 0;
    char* end = nullptr;
    *count = std::strtoul(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0';
}

int RunTrace(const std::vector<std::string>& args) {
    unsigned long ticks = 0;
    if (args.size() != 2 || !ParseCount(args[1], &ticks)) return UsageError("trace");
    auto player = std::make_unique<SongPlayer>();
    std::string error;
    if (!LoadSongForPlayback(args[0], *player, &error)) return Fail(error);
    Replayer& replayer = player->replayer;
    Song& song = player->doc.song;

    // "Play Song" on a stopped song at position 0, row 0.
    song.currentPosition = 0;
    replayer.row = 0;
    replayer.patternLoop = 0;
    PreparePlayback(replayer, player->mixer, true);

    VoiceRegisters registers[kVoices];
    for (unsigned long tick = 0; tick < ticks; ++tick) {
        TickAndCopyRegisters(replayer, registers);
        std::printf("%lu %u %d", tick, unsigned(song.currentPosition), int(replayer.row));
        for (const VoiceRegisters& voice : registers)
            std::printf(" %u %d %d %d %d %d", unsigned(voice.sampleStart), voice.length, voice.loopOffset,
                        voice.period, voice.volume, voice.trigger);
        std::printf("\n");
    }
    return kExitOk;
}

}  // namespace qn::cli
