// TestPicture: a picture drawn in code, written as "lsd.bmp" into a scratch folder.
#pragma once

#include <string>

#include "ScratchDir.h"
#include "WorkingFolder.h"

// Creates a fresh scratch folder holding "lsd.bmp": 320 x 240 pixels of colour ramps and
// a fine checker, a 24-bit BMP. While a Scope lives that folder is the working directory,
// where the effect looks for its picture. The folder is removed when the TestPicture goes.
class TestPicture {
public:
    TestPicture();

    class Scope : public WorkingFolder {
    public:
        explicit Scope(const TestPicture& picture) : WorkingFolder(picture.folder.Path()) {}
    };

    std::string File() const { return folder.File("lsd.bmp"); }

private:
    ScratchDir folder;
};
