#include "icon_file.h"

#include <cstring>
#include <vector>

#include "test_folders.h"

namespace testing_support {

namespace {

const int kSide = 32;

#pragma pack(push, 2)
// The icon group resource: a header and one entry naming the image resource.
struct GroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bits;
    DWORD bytes;
    WORD id;
};
struct Group {
    WORD reserved, type, count;
    GroupEntry entry;
};
#pragma pack(pop)

// A 32-bit image of one colour, as an icon resource holds it: the header with twice the
// height, the pixels and an empty AND mask.
std::vector<BYTE> Image(BYTE red) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = kSide;
    header.biHeight = 2 * kSide;
    header.biPlanes = 1;
    header.biBitCount = 32;
    std::vector<BYTE> image(sizeof header + kSide * kSide * 4 + kSide * kSide / 8);
    memcpy(image.data(), &header, sizeof header);
    BYTE* pixel = image.data() + sizeof header;
    for (int i = 0; i < kSide * kSide; i++, pixel += 4) {
        pixel[0] = 200;  // blue, green, red, alpha
        pixel[1] = 100;
        pixel[2] = red;
        pixel[3] = 255;
    }
    return image;
}

}  // namespace

void MakeIconFile(const std::string& path, int count) {
    CopyFileA(BinPath("recorder.exe").c_str(), path.c_str(), FALSE);
    HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
    for (int i = 0; i < count; i++) {
        std::vector<BYTE> image = Image(static_cast<BYTE>(i));
        WORD id = static_cast<WORD>(i + 1);
        UpdateResourceA(update, RT_ICON, MAKEINTRESOURCEA(id), 0, image.data(),
                        static_cast<DWORD>(image.size()));
        Group group{0, 1, 1, {kSide, kSide, 0, 0, 1, 32, static_cast<DWORD>(image.size()), id}};
        UpdateResourceA(update, RT_GROUP_ICON, MAKEINTRESOURCEA(id), 0, &group, sizeof group);
    }
    EndUpdateResourceA(update, FALSE);
}

int IconNumber(HICON icon) {
    ICONINFO info{};
    if (icon == nullptr || !GetIconInfo(icon, &info)) return -1;
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = kSide;
    format.bmiHeader.biHeight = kSide;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    DWORD pixels[kSide * kSide] = {};
    HDC screen = GetDC(nullptr);
    int lines = GetDIBits(screen, info.hbmColor, 0, kSide, pixels, &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return lines == kSide ? static_cast<int>((pixels[kSide * kSide / 2] >> 16) & 0xFF) : -1;
}

}  // namespace testing_support
