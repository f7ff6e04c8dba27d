#include "update/updatefiles.h"

#include <stdexcept>

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, const IoError& error) {
    throw std::runtime_error(what + " " + path + " (" + error.what() + ")");
}

}  // namespace

void SeamUpdateFiles::Write(const std::string& path, const ReplyBuffer& data) {
    try {
        files_.WriteNewFile(path, data.ToString());
    } catch (const IoError& error) {
        Fail("cannot write", path, error);
    }
}

std::string SeamUpdateFiles::Read(const std::string& path) {
    try {
        return ReadWholeFile(files_, path);
    } catch (const IoError& error) {
        Fail("cannot read", path, error);
    }
}
