// The result file, written so that a failed run loses nothing: the new result goes to a
// temporary file in the result's own folder and takes the result's name only once it is
// complete. An earlier result stays as it was until then, and keeps its permission bits in the
// new one. Whatever else stands at the result's name (a link, a FIFO, a device) is replaced,
// never written through, unless the user named it to be written into.
#pragma once

#include <cstdio>
#include <string>

namespace zelko {

// What becomes of a FIFO or a device that stands at the result's name (through links or not).
enum class SpecialFile {
    replace,    // the new result replaces it: the name was not the user's choice
    writeInto,  // the result is written into it, as cp and sort -o do with a name they are given
};

class ResultFile {
public:
    ResultFile() = default;
    ResultFile(const ResultFile&) = delete;
    ResultFile& operator=(const ResultFile&) = delete;
    // Removes the temporary file unless it was put in place.
    ~ResultFile();

    // Creates the temporary file for the result `path` (UTF-8) and returns 0, or returns the
    // error number: of `path` when it is a folder or a file that may not be written, otherwise
    // of creating a file in its folder.
    int create(const char* path, SpecialFile special = SpecialFile::replace);
    // The temporary file's stream, in text mode; null before a successful create.
    std::FILE* stream() const { return stream_; }
    // Closes the stream; returns 0, or the error number of a write that failed on closing.
    int close();
    // Gives the closed file the result's name, replacing what stood there; returns 0 or the
    // error number, and removes the temporary file on failure.
    int putInPlace();
    // Closes and removes the temporary file.
    void discard();
    // True when the result goes straight into a FIFO or a device, which no viewer can show.
    bool intoSpecialFile() const { return direct_; }

private:
    // Makes the open descriptor `fd` the result's stream; returns 0, or closes it and returns
    // the error number.
    int adopt(int fd);

    std::string path_, temporary_;
    std::FILE* stream_ = nullptr;
    bool pending_ = false;  // the temporary file exists
    bool direct_ = false;   // written into a FIFO or a device: there is no temporary file
};

}  // namespace zelko
