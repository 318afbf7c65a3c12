// The pictures compiled into the program, found by their numeric resource IDs.
#pragma once

#include <cstddef>
#include <vector>

// The bytes of one embedded file, exactly as the file held them.
struct ResourceBytes {
    const unsigned char* data = nullptr;
    std::size_t size = 0;

    bool IsEmpty() const { return size == 0; }
};

// One image of an icon: a square PNG of size x size pixels.
struct IconImage {
    int size = 0;
    ResourceBytes png;
};

// The BMP file of picture id, or empty bytes when the program has no such picture.
ResourceBytes FindPicture(int id);

// The PNG file of picture id drawn at twice its size, for screens with two
// pixels to the point; empty bytes when the program has none.
ResourceBytes FindDoubleSizePicture(int id);

// The PNG images of icon id, smallest first; empty when the program has no such icon.
std::vector<IconImage> FindIconImages(int id);

// The IDs of every embedded picture, in ascending order.
std::vector<int> EmbeddedPictureIds();
