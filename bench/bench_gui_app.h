// Starts the App headless for the GUI benchmarks: SDL's dummy video and
// audio drivers, the software renderer, and a scratch working directory so
// that "prefs.bin" is not written where the benchmark runs.
#pragma once

#include <SDL.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "app/app.h"

namespace qn::bench {

class HeadlessScope {
public:
    HeadlessScope() {
        SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
        SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
        SDL_setenv("SDL_RENDER_DRIVER", "software", 1);
        old_ = std::filesystem::current_path();
        char pattern[] = "/tmp/qn_bench_XXXXXX";
        scratch_ = mkdtemp(pattern);
        std::filesystem::current_path(scratch_);
    }
    ~HeadlessScope() {
        std::filesystem::current_path(old_);
        std::error_code ignored;
        std::filesystem::remove_all(scratch_, ignored);
    }

private:
    std::filesystem::path old_, scratch_;
};

}  // namespace qn::bench
