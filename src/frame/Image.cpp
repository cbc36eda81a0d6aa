// Image: loading a BMP and freeing the surface with its owner.
#include "frame/Image.h"

#include <climits>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <string>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#else
#include <dirent.h>
#include <strings.h>
#include <unistd.h>
#endif

namespace {

// What an opened file is: a picture may only be a regular file.
enum class FileKind { Regular, Folder, Other, Unreadable };

// The picture file is read through a descriptor of our own: opened without waiting (a
// FIFO or a device would block in open), checked to be a regular file before anything is
// read, and measured with a 64-bit size, which SDL's seek cannot give for files of 2 GiB
// and more.
#ifdef _WIN32
int OpenFile(const char* name) {
    return _open(name, _O_RDONLY | _O_BINARY);
}
FileKind KindOf(int fd, int64_t& size) {
    struct _stati64 info;
    if (_fstati64(fd, &info) != 0) return FileKind::Unreadable;
    size = info.st_size;
    const int type = info.st_mode & _S_IFMT;
    return type == _S_IFREG   ? FileKind::Regular
           : type == _S_IFDIR ? FileKind::Folder
                              : FileKind::Other;
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
FileKind KindOf(int fd, int64_t& size) {
    struct stat info;
    if (fstat(fd, &info) != 0) return FileKind::Unreadable;
    size = info.st_size;
    return S_ISREG(info.st_mode)   ? FileKind::Regular
           : S_ISDIR(info.st_mode) ? FileKind::Folder
                                   : FileKind::Other;
}
int ReadFile(int fd, void* into, int bytes) {
    ssize_t got;
    while ((got = read(fd, into, size_t(bytes))) < 0 && errno == EINTR) {
    }
    return int(got);
}
int64_t SeekFile(int fd, int64_t offset, int whence) {
    return lseek(fd, off_t(offset), whence);
}
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

// Why `name` could not be opened, as the end of a sentence about it; errno is open's.
std::string Unopened(const char* name, int error) {
#ifndef _WIN32
    // A link whose target is missing gives the same error as a missing file.
    struct stat link, target;
    if (lstat(name, &link) == 0 && S_ISLNK(link.st_mode) && stat(name, &target) != 0) {
        char to[4096];
        const ssize_t n = readlink(name, to, sizeof to - 1);
        return "is a link to " + std::string(to, n > 0 ? std::size_t(n) : 0) +
               ", which does not exist";
    }
#endif
    struct stat info;
    if (stat(name, &info) == 0 && S_ISDIR(info.st_mode)) return "is a folder, not a picture";
    if (error == EACCES) return "cannot be read: there is no permission to read it";
    if (error == ENOENT) return "";
    return "cannot be opened";
}

// A file in the working folder whose name is `name` but for the case of its letters, which
// a user may have given the picture; empty where there is none (or names cannot differ so).
std::string OtherCase(const char* name) {
    std::string found;
#ifndef _WIN32
    DIR* folder = opendir(".");
    if (!folder) return found;
    while (const dirent* entry = readdir(folder)) {
        if (strcasecmp(entry->d_name, name) != 0 || std::strcmp(entry->d_name, name) == 0) continue;
        found = entry->d_name;
        break;
    }
    closedir(folder);
#else
    (void)name;
#endif
    return found;
}

// The folder a relative name is looked for in.
#ifdef __EMSCRIPTEN__
// What the page (start.js) learnt fetching the picture: the folder it was fetched from, and
// the server's answer where the page had none to hand over.
EM_JS(int, PageSays, (const char* what, char* into, int size), {
    const said = Module['picture'] && Module['picture'][UTF8ToString(what)];
    if (!said) return 0;
    stringToUTF8(String(said), into, size);
    return 1;
});

std::string PageSaid(const char* what, const char* otherwise) {
    char said[2048];
    return PageSays(what, said, int(sizeof said)) ? said : otherwise;
}
#endif

std::string WorkingFolder() {
#ifdef __EMSCRIPTEN__
    // The page's folder plays the working folder's part.
    return PageSaid("folder", "the page's folder");
#else
    char folder[4096];
#ifdef _WIN32
    return _getcwd(folder, sizeof folder) ? folder : ".";
#else
    return getcwd(folder, sizeof folder) ? folder : ".";
#endif
#endif
}

// The sentence for `why`: what is wrong with the file `name` in the working folder; an empty
// `wrong` says it is not there.
std::string Why(const char* name, const std::string& wrong) {
    const std::string folder = WorkingFolder();
    if (!wrong.empty()) return std::string(name) + " in " + folder + " " + wrong + ".";
#ifdef __EMSCRIPTEN__
    return "There is no " + std::string(name) + " in " + folder + ": the server answered " +
           PageSaid("answer", "that it has none") + ".";
#endif
    const std::string other = OtherCase(name);
    if (other.empty()) return "There is no " + std::string(name) + " in " + folder + ".";
    return "There is no " + std::string(name) + " in " + folder + ", only " + other +
           ": the name must be " + name + ", in small letters.";
}

} // namespace

Image::~Image() {
    if (surface) SDL_FreeSurface(surface);
}

bool Image::Load(const char* filename) {
    const auto fail = [&](const std::string& wrong) {
        why = Why(filename, wrong);
        return false;
    };
    const int fd = OpenFile(filename);
    if (fd < 0) return fail(Unopened(filename, errno));
    int64_t size = 0;
    FileKind kind = KindOf(fd, size);
    Uint8 header[kHeaderBytes] = {};
    int got = 0;
    while (kind == FileKind::Regular && got < kHeaderBytes) {
        const int n = ReadFile(fd, header + got, kHeaderBytes - got);
        if (n < 0) kind = FileKind::Unreadable;
        if (n <= 0) break;
        got += n;
    }
    const auto refuse = [&](const char* wrong) {
        CloseFile(fd);
        return fail(wrong);
    };
    switch (kind) {
    case FileKind::Folder: return refuse("is a folder, not a picture");
    case FileKind::Other: return refuse("is not a file but a device or a pipe");
    case FileKind::Unreadable: return refuse("cannot be read");
    case FileKind::Regular: break;
    }
    if (!IsBmp(header, got)) return refuse("is not a BMP picture");
    if (!PixelsCanBeInFile(header, got, size))
        return refuse("is a BMP picture this program cannot read");
#ifdef __EMSCRIPTEN__
    // Emscripten's SDL reads a picture by its name alone, through a decoder of its own (it has
    // no streams of ours), so the checks are made on our descriptor before. Only a BMP is
    // passed on: that decoder reads other formats too.
    CloseFile(fd);
    surface = SDL_LoadBMP_RW(SDL_RWFromFile(filename, "rb"), 1);
#else
    SDL_RWops* file = SeekFile(fd, 0, SEEK_SET) == 0 ? Stream(fd) : nullptr;
    if (!file) return refuse("cannot be read");
    // SDL_LoadBMP_RW closes the stream itself.
    surface = SDL_LoadBMP_RW(file, 1);
#endif
    if (surface) return true;
    // SDL tells running out of memory in words alone: that is no fault of the picture's.
    if (std::strstr(SDL_GetError(), "Out of memory")) throw std::bad_alloc();
    return fail("is a BMP picture this program cannot read");
}
