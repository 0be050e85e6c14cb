// The real files the tests read live in tests/data/ of the checkout; the
// build passes that folder in as QUILLNOTE_TEST_DATA.
#pragma once

#include <filesystem>

#include <gtest/gtest.h>

namespace qn::test {

// The named folder under tests/data/. A missing folder is a failure of the
// calling test, reported with the folder's path, never a silent pass.
inline std::filesystem::path TestDataFolder(const char* name) {
    const std::filesystem::path folder = std::filesystem::path(QUILLNOTE_TEST_DATA) / name;
    if (!std::filesystem::is_directory(folder)) ADD_FAILURE() << "test data folder missing: " << folder.string();
    return folder;
}

}  // namespace qn::test
