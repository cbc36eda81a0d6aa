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
    std::error_code ignored;
    if (!previous.empty()) std::filesystem::current_path(previous, ignored);
    std::filesystem::remove_all(path, ignored);
}

void ScratchDir::Enter() {
    previous = std::filesystem::current_path().string();
    std::filesystem::current_path(path);
}
