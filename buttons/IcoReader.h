#pragma once
// The directory of an icon (ICO) file and the choice of its image, from the file's bytes.
// Pure parsing: no Windows headers, so it also builds with the host compiler (and runs under
// sanitizers). Every count, offset and size is checked against the bytes given, so a damaged
// or hostile file is rejected, never read past its end.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace qm {

// One image of an icon file whose bytes lie wholly inside the file and look like an icon
// image: a bitmap (header, colour table, colour and mask bits all present) or a PNG stream.
struct IcoImage {
    size_t index = 0;  // position of its entry in the directory
    size_t offset = 0; // where its bytes start in the file
    size_t size = 0;   // how many bytes it has
    int width = 0;
    int height = 0;
    int bitCount = 0; // colour depth, as the platform's lookup counts it
    bool png = false;
};

// The loadable images of an icon file, in directory order. Nothing when the header is not an
// icon file's (reserved 0, type 1, at least one entry, the whole directory present); entries
// whose bytes are out of bounds or whose image is truncated or malformed are left out.
std::optional<std::vector<IcoImage>> ReadIcoDirectory(std::string_view file);

// The image that best fits the wanted size and colour depth, chosen as the platform's icon
// lookup does: first the smallest sum of width and height differences, then among those the
// smallest colour-depth difference; the earlier entry wins a tie. Nothing for no images.
std::optional<IcoImage> ChooseIcoImage(const std::vector<IcoImage>& images, int width, int height,
                                       int depth);

// Both steps together: the best image of a file, or nothing when it has no usable one.
std::optional<IcoImage> BestIcoImage(std::string_view file, int width, int height, int depth);

} // namespace qm
