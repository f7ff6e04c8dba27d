// Fuzz target: any text the player could hand over as a request must decode or fail cleanly with
// RequestError, never crash, hang or read out of bounds; replies built from what was read must
// decode back to the same text.
#include "bridge/invoke.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        InvokeRequest request = InvokeRequest::FromAnsi(text);
        std::string name = request.Name();
        for (int i = 0; i < 3; ++i) {
            std::string argument = request.Argument(i);
            // The reply of a read value round-trips through the decoder, apart from the trimming
            // and line-break rules, which leave such text alone.
            if (argument.find_first_of("\r\n") == std::string::npos && !argument.empty() &&
                static_cast<unsigned char>(argument.front()) > 0x20 &&
                static_cast<unsigned char>(argument.back()) > 0x20 &&
                argument.find('\0') == std::string::npos) {
                std::string back = InvokeRequest::FromAnsi(
                                       "<invoke name=\"r\"><arguments>" + StringReply(argument) +
                                       "</arguments></invoke>")
                                       .Argument(0);
                if (back != argument) std::abort();
            }
        }
        (void)name;
    } catch (const RequestError&) {
    }
    return 0;
}
