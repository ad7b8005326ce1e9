// The bytes a peer sends the running program's socket, arriving in any
// pieces: reading them must not fail, never want more than the request's
// length, and decide as the whole byte string does, however it is split.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "corvane/command_line/show_request.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using corvane::app::kShowRequest;
    using corvane::app::ShowRequestReader;
    if (size == 0) return 0;
    // The first byte picks the pieces' length, as a socket may hand them over.
    const std::size_t piece = 1 + data[0] % 8;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    ShowRequestReader reader;
    std::size_t offset = 0;
    while (offset < bytes.size() && reader.state() == ShowRequestReader::State::waiting) {
        if (reader.wanted() == 0 || reader.wanted() > kShowRequest.size()) std::abort();
        const auto chunk = bytes.substr(offset, std::min(piece, reader.wanted()));
        reader.add(chunk);
        offset += chunk.size();
    }

    const auto head = bytes.substr(0, kShowRequest.size());
    const auto expected = head == kShowRequest             ? ShowRequestReader::State::show
                          : kShowRequest.starts_with(head) ? ShowRequestReader::State::waiting
                                                           : ShowRequestReader::State::refused;
    if (reader.state() != expected) std::abort();
    ShowRequestReader whole;
    if (whole.add(bytes) != expected) std::abort();
    return 0;
}
