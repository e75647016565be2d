#pragma once
// Which files are pictures, by name: the three type flags of the settings and the loader each
// name is given to. A name's extension is the text from its last '.', matched on ASCII case only.
// The "others" are the fixed extensions below, and of those only the ones the system's imaging
// component has a decoder for: the list of those comes from the component's decoders, asked once
// per process by the glue, and is filtered here.
#include <string>
#include <string_view>
#include <vector>

namespace orv {

enum class PictureKind {
    Bmp,    // the BMP reader: .bmp, and every name that is neither of the other two
    Jpeg,   // the JPEG loader: .jpg, .jpeg, .jpe, .jfif
    Other,  // the system's imaging component: one of kOtherExtensions
};

// The extensions "Others" may list, lower case with their dot. Camera RAW, icons and textures are
// left out on purpose, whatever decoders the system has.
inline constexpr std::string_view kOtherExtensions[] = {
    ".png",  ".gif",  ".tif", ".tiff", ".jxr",  ".wdp", ".hdp",
    ".heic", ".heif", ".hif", ".avif", ".webp", ".jxl",
};

// The loader a file of this name goes to. Folders in the path play no part: only the text after
// the last '.' that follows the last '\\' or '/' counts.
PictureKind PictureKindOf(std::string_view name);

// Of kOtherExtensions, those that one of the decoders claims, in kOtherExtensions' order. Each
// entry of decoderExtensions is one decoder's list as the imaging component reports it:
// extensions separated by commas (Windows) or semicolons (Wine), with or without their dot, in any
// letter case, blanks around them ignored (".tiff,.tif", ".tif;.tiff", "PNG").
std::vector<std::string> OtherExtensionsOf(const std::vector<std::string>& decoderExtensions);

// Whether the show lists a file of this name: .bmp under showBmp, the JPEG names under showJpg,
// and under "Others" (otherExtensions, from OtherExtensionsOf; empty when the box is off) a name
// whose extension is one of those.
bool IsListedPicture(std::string_view name, bool showBmp, bool showJpg,
                     const std::vector<std::string>& otherExtensions);

}  // namespace orv
