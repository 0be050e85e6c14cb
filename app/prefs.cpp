#include "app/prefs.h"

#include <cstdio>
#include <cstring>

namespace qn {

void ResetPrefs(Prefs& prefs) {
    std::memset(&prefs, 0, sizeof(prefs));
    prefs.magic[0] = 'Q';
    prefs.magic[1] = 'N';
    prefs.magic[2] = 'T';
    prefs.magic[3] = 0;
    prefs.background[0] = 92;
    prefs.background[1] = uint8_t(126 * 0.8);
    prefs.background[2] = uint8_t(150 * 0.8);
    prefs.background[3] = 255;
}

Prefs DefaultPrefs() {
    Prefs prefs;
    ResetPrefs(prefs);
    return prefs;
}

static bool HasMagic(const Prefs& prefs) {
    return prefs.magic[0] == 'Q' && prefs.magic[1] == 'N' && prefs.magic[2] == 'T' && prefs.magic[3] == 0;
}

Colour LoadPrefs(Prefs& prefs, const std::string& path) {
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fseek(file, 0, SEEK_END);
        long size = std::ftell(file);
        std::fseek(file, 0, SEEK_SET);
        if (size > long(sizeof(Prefs))) {
            std::fclose(file);
            return kBuiltInBackground;
        }
        // A shorter file with the right magic overrides only what it holds.
        Prefs read = prefs;
        size_t got = size > 0 ? std::fread(&read, 1, size_t(size), file) : 0;
        if (size <= 0 || got != size_t(size) || size < 4 || !HasMagic(read))
            ResetPrefs(prefs);
        else
            prefs = read;
        std::fclose(file);
    }
    return Colour{prefs.background[0], prefs.background[1], prefs.background[2], prefs.background[3]};
}

bool SavePrefs(const Prefs& prefs, const std::string& path) {
    // Written beside the target and renamed over it when complete, so a
    // failed write leaves the old file in place.
    std::string temp = path + ".tmp";
    FILE* file = std::fopen(temp.c_str(), "wb");
    if (!file) return false;
    bool written = std::fwrite(&prefs, 1, sizeof(prefs), file) == sizeof(prefs);
    written = std::fclose(file) == 0 && written;
    if (!written || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace qn
