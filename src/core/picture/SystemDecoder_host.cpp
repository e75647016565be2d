// Other hosts have no imaging component: "Others" lists nothing, and a load through it fails.
#include "core/picture/SystemDecoder.h"

namespace orv {

const std::vector<std::string>& SystemDecoderExtensionLists() {
    static const std::vector<std::string> none;
    return none;
}

GlobalHandle LoadSystemDecodedBlock(IFileReader&, int, const DrawSizeFn&, Size*) { return nullptr; }

std::optional<Size> ReadSystemDecodedSize(IFileReader&) { return std::nullopt; }

}  // namespace orv
