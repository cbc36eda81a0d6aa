// WorkingFolder: entering a folder and going back.
#include "WorkingFolder.h"

#include <filesystem>
#include <system_error>

WorkingFolder::WorkingFolder(const std::string& path)
    : previous(std::filesystem::current_path().string()) {
    std::filesystem::current_path(path);
}

WorkingFolder::~WorkingFolder() {
    std::error_code ignored;
    std::filesystem::current_path(previous, ignored);
}
