// SeedCorpus: writes the fuzzer's seed pictures, small BMPs of every layout, into a folder.
#include <cstdio>
#include <string>

#include "BmpFlavours.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const struct { int width, height; } sizes[] = {{1, 1}, {5, 3}, {17, 9}};
    for (bmpflavours::Flavour flavour : bmpflavours::AllFlavours()) {
        for (const auto& size : sizes) {
            const std::string path = std::string(argv[1]) + "/seed-" + bmpflavours::Name(flavour) +
                                     "-" + std::to_string(size.width) + "x" +
                                     std::to_string(size.height) + ".bmp";
            if (!bmpflavours::SaveFile(path,
                                       bmpflavours::Write(flavour, size.width, size.height))) {
                std::perror(path.c_str());
                return 1;
            }
        }
    }
    return 0;
}
