// TestPicture: a picture drawn in code, written as "lsd.bmp" into a folder of its own.
#pragma once

#include <string>

// Creates a fresh temporary folder holding "lsd.bmp": 320 x 240 pixels of colour ramps
// and a fine checker, stored with `bitsPerPixel` bits (24, or 8 with a palette). While
// a Scope lives it is the working directory, where the effect looks for its picture.
// The folder is removed when the TestPicture goes.
class TestPicture {
public:
    explicit TestPicture(int bitsPerPixel = 24);
    ~TestPicture();
    TestPicture(const TestPicture&) = delete;
    TestPicture& operator=(const TestPicture&) = delete;

    class Scope {
    public:
        explicit Scope(const TestPicture& picture);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        std::string previous;
    };

    std::string folder;
    std::string file;
};
