#include "app/data_files.h"

#include <filesystem>

namespace qn {

std::string FindDataFile(const std::string& programFolder, const char* relative) {
    const std::string besideProgram = programFolder + relative;
    const std::string installed = programFolder + "../share/quillnote/" + relative;
    std::error_code error;
    if (!std::filesystem::exists(besideProgram, error) && std::filesystem::exists(installed, error))
        return installed;
    return besideProgram;
}

}  // namespace qn
