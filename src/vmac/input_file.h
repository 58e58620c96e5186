#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace talvora::vmac {

// What reading a whole input file gave: its bytes, or a one-line reason.
struct InputFile {
    std::optional<std::string> text;
    std::string error; // set when there is no text
    bool missing = false; // the file does not exist
};

// Reads a whole file that a user or another process handed us. Only a regular file is read:
// a FIFO would block for ever, a device such as /dev/zero never ends, a folder has no bytes.
// The file is opened without blocking, so even a FIFO with no writer costs nothing, and a file
// larger than `maxBytes` is refused before it is read.
InputFile readInputFile(const std::string& path, std::size_t maxBytes);

} // namespace talvora::vmac
