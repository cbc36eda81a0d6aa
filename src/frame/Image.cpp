// Image: loading a BMP and freeing the surface with its owner.
#include "frame/Image.h"

#include <climits>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#else
#include <cerrno>
#include <unistd.h>
#endif

namespace {

// The picture file is read through a descriptor of our own: opened without waiting (a
// FIFO or a device would block in open), checked to be a regular file before anything is
// read, and measured with a 64-bit size, which SDL's seek cannot give for files of 2 GiB
// and more.
#ifdef _WIN32
int OpenFile(const char* name) {
    return _open(name, _O_RDONLY | _O_BINARY);
}
bool RegularFileSize(int fd, int64_t& size) {
    struct _stati64 info;
    if (_fstati64(fd, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) return false;
    size = info.st_size;
    return true;
}
int ReadFile(int fd, void* into, int bytes) {
    return _read(fd, into, unsigned(bytes));
}
int64_t SeekFile(int fd, int64_t offset, int whence) {
    return _lseeki64(fd, offset, whence);
}
void CloseFile(int fd) {
    _close(fd);
}
#else
int OpenFile(const char* name) {
    return open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}
bool RegularFileSize(int fd, int64_t& size) {
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
    size = info.st_size;
    return true;
}
int ReadFile(int fd, void* into, int bytes) {
    ssize_t got;
    while ((got = read(fd, into, size_t(bytes))) < 0 && errno == EINTR) {
    }
    return int(got);
}
#ifndef __EMSCRIPTEN__
int64_t SeekFile(int fd, int64_t offset, int whence) {
    return lseek(fd, off_t(offset), whence);
}
#endif
void CloseFile(int fd) {
    close(fd);
}
#endif

#ifndef __EMSCRIPTEN__
// SDL's stream operations on the descriptor, which the stream holds as its data.
int Descriptor(SDL_RWops* stream) {
    return int(reinterpret_cast<intptr_t>(stream->hidden.unknown.data1));
}

int SDLCALL StreamSeek(SDL_RWops* stream, int offset, int whence) {
    // SDL's stream positions are ints: a position beyond them is an error, not a wrap.
    const int64_t at = SeekFile(Descriptor(stream), offset, whence);
    return at < 0 || at > INT_MAX ? -1 : int(at);
}

int SDLCALL StreamRead(SDL_RWops* stream, void* into, int size, int count) {
    if (size <= 0 || count <= 0 || count > INT_MAX / size) return 0;
    const int wanted = size * count;
    int got = 0;
    while (got < wanted) {
        const int n = ReadFile(Descriptor(stream), static_cast<char*>(into) + got, wanted - got);
        if (n < 0) {
            SDL_SetError("Error reading from datastream");
            return got ? got / size : -1;
        }
        if (n == 0) break;
        got += n;
    }
    return got / size;
}

int SDLCALL StreamWrite(SDL_RWops*, const void*, int, int) {
    SDL_SetError("The picture is opened for reading");
    return -1;
}

int SDLCALL StreamClose(SDL_RWops* stream) {
    CloseFile(Descriptor(stream));
    SDL_FreeRW(stream);
    return 0;
}

// An SDL stream that owns the descriptor and closes it when closed itself.
SDL_RWops* Stream(int fd) {
    SDL_RWops* stream = SDL_AllocRW();
    if (!stream) return nullptr;
    stream->seek = StreamSeek;
    stream->read = StreamRead;
    stream->write = StreamWrite;
    stream->close = StreamClose;
    stream->hidden.unknown.data1 = reinterpret_cast<void*>(intptr_t(fd));
    return stream;
}

#endif

// The little-endian number in the `bytes` bytes at p.
uint32_t Le(const Uint8* p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

// The file header and the start of the info header: `got` bytes of the file, those past
// the end of a short file 0, as SDL reads them.
constexpr int kHeaderBytes = 14 + 20;

bool IsBmp(const Uint8* h, int got) {
    return got >= 2 && h[0] == 'B' && h[1] == 'M';
}

// SDL allocates and clears the whole surface a BMP header declares before it reads the
// first pixel, so a file of a few bytes that claims 60000 x 60000 pixels costs gigabytes
// before the load fails. Such headers are refused here: the rows of an uncompressed
// picture must fit in the file (SDL fails on a shorter file anyway), and a
// run-length picture, where two bytes may stand for 255 pixels, may take at most 64 MiB
// (8192 x 8192 pixels). Whatever else the header says is left for SDL to judge.
bool PixelsCanBeInFile(const Uint8* h, int got, int64_t size) {
    if (!IsBmp(h, got)) return true;

    const Uint8* info = h + 14;
    const bool os2 = Le(info, 4) == 12;
    // OS/2 headers hold 16-bit sizes; the others signed 32-bit ones, a negative height
    // meaning rows top-down.
    const int64_t width = os2 ? int64_t(Le(info + 4, 2)) : int64_t(int32_t(Le(info + 4, 4)));
    const int64_t height = os2 ? int64_t(Le(info + 6, 2)) : int64_t(int32_t(Le(info + 8, 4)));
    const uint64_t bits = os2 ? Le(info + 10, 2) : Le(info + 14, 2);
    const uint32_t compression = os2 ? 0 : Le(info + 16, 4);
    const uint64_t w = uint64_t(width < 0 ? -width : width);
    const uint64_t rows = uint64_t(height < 0 ? -height : height);
    if (w == 0 || rows == 0 || bits == 0 || bits > 32) return true;

    // Run-length pictures load as one byte a pixel, rows padded to 4 bytes.
    const uint32_t kRle8 = 1, kRle4 = 2;
    if (compression == kRle8 || compression == kRle4)
        return rows <= (uint64_t(64) << 20) / ((w + 3) / 4 * 4);
    // Rows are padded to 4 bytes in the file; the last one needs no padding.
    const uint64_t rowBytes = (w * bits + 31) / 32 * 4;
    const uint64_t lastRow = (w * bits + 7) / 8;
    if (rows - 1 > uint64_t(size) / rowBytes) return false;
    return (rows - 1) * rowBytes + lastRow <= uint64_t(size);
}

} // namespace

Image::~Image() {
    if (surface) SDL_FreeSurface(surface);
}

#ifdef __EMSCRIPTEN__

// Emscripten's SDL reads a picture by its name alone, through a decoder of its own (it has no
// streams of ours), so the checks are made on our descriptor before. Only a BMP is passed
// on: that decoder reads other formats too.
bool Image::Load(const char* filename) {
    const int fd = OpenFile(filename);
    if (fd < 0) return false;
    int64_t size = 0;
    const bool regular = RegularFileSize(fd, size);
    Uint8 header[kHeaderBytes] = {};
    int got = 0;
    while (regular && got < kHeaderBytes) {
        const int n = ReadFile(fd, header + got, kHeaderBytes - got);
        if (n <= 0) break;
        got += n;
    }
    CloseFile(fd);
    if (!regular || !IsBmp(header, got) || !PixelsCanBeInFile(header, got, size)) return false;
    // SDL_LoadBMP_RW closes the stream itself.
    surface = SDL_LoadBMP_RW(SDL_RWFromFile(filename, "rb"), 1);
    return surface != nullptr;
}

#else

bool Image::Load(const char* filename) {
    const int fd = OpenFile(filename);
    if (fd < 0) return false;
    int64_t size = 0;
    SDL_RWops* file = RegularFileSize(fd, size) ? Stream(fd) : nullptr;
    if (!file) {
        CloseFile(fd);
        return false;
    }
    Uint8 header[kHeaderBytes] = {};
    const int got = SDL_RWread(file, header, 1, kHeaderBytes);
    if (SDL_RWseek(file, 0, RW_SEEK_SET) != 0 || !PixelsCanBeInFile(header, got, size)) {
        SDL_RWclose(file);
        return false;
    }
    // SDL_LoadBMP_RW closes the stream itself.
    surface = SDL_LoadBMP_RW(file, 1);
    return surface != nullptr;
}

#endif
