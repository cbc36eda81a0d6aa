// ScratchDir: making, entering and removing a test's private folder.
#include "ScratchDir.h"

#include <stdlib.h> // mkdtemp

#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

ScratchDir::ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "prismwarp-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) throw std::runtime_error("cannot make a folder like " + pattern);
    path = name.data();
}

ScratchDir::~ScratchDir() {
    // Out of the folder before it goes.
    entered.reset();
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

void ScratchDir::Enter() {
    entered.emplace(path);
}
