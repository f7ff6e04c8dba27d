#include "platform/filesystem.h"

IoError::IoError(unsigned long code) : std::runtime_error(InOutErrorText(code)), code_(code) {}

std::string InOutErrorText(unsigned long code) {
    // The runtime's texts for its classic I/O result codes, which for file operations are the
    // system's error codes.
    switch (code) {
        case 2:
            return "File not found";
        case 3:
            return "Invalid filename";
        case 4:
            return "Too many open files";
        case 5:
            return "File access denied";
        case 100:
            return "Read beyond end of file";
        case 101:
            return "Disk full";
        case 106:
            return "Invalid numeric input";
    }
    return "I/O error " + std::to_string(code);
}
