#include "control/QuillboxImages.h"

namespace {

const char* const kIconRows[] = {
    "32 32 4 1",
    ". c None",
    "o c #28285A",
    "w c #FAF6E6",
    "r c #961E1E",
    "................................",
    "................................",
    "..............................rr",
    ".............................rrr",
    "............................rrr.",
    "............................rrr.",
    "...........................rrr..",
    "..........................rrrr..",
    "..oooooooooooooooooooooooorrr...",
    "..ooowwwwwwwwwwwwwwwwwwworrr....",
    "..owoowwwwwwwwwwwwwwwwworrr.....",
    "..owwoowwwwwwwwwwwwwwwoorrr.....",
    "..owwwoowwwwwwwwwwwwwoorrro.....",
    "..owwwwwowwwwwwwwwwwowrrrwo.....",
    "..owwwwwwoowwwwwwwoowrrrrwo.....",
    "..owwwwwwwoowwwwwoowwrrrwwo.....",
    "..owwwwwwwwoowwwoowwrrrwwwo.....",
    "..owwwwwwwwwoowoowwrrrrwwwo.....",
    "..owwwwwwwwwwwowwwwrrrwwwwo.....",
    "..owwwwwwwwwwwwwwwrrrwwwwwo.....",
    "..owwwwwwwwwwwwwwrrrwwwwwwo.....",
    "..owwwwwwwwwwwwwwrrrwwwwwwo.....",
    "..owwwwwwwwwwwwwrrrwwwwwwwo.....",
    "..owwwwwwwwwwwwrrrwwwwwwwwo.....",
    "..oooooooooooorrrrooooooooo.....",
    "..............rrr...............",
    ".............rrr................",
    ".............rrr................",
    "............rrr.................",
    "............rr..................",
    "................................",
    "................................",
};

// The toolbox shows the bitmap on the grey hosts paint it on.
const char* const kToolboxBitmapRows[] = {
    "16 15 4 1",        ". c #C0C0C0",      "o c #28285A",      "w c #FAF6E6",
    "r c #961E1E",      "...............r", "..............rr", ".............rr.",
    ".............r..", ".ooooooooooorr..", ".ooowwwwwwworo..", ".owoowwwwworwo..",
    ".owwoowwworrwo..", ".owwwoowoorwwo..", ".owwwwooorwwwo..", ".owwwwwwrrwwwo..",
    ".owwwwwwrwwwwo..", ".oooooorrooooo..", "......rr........", "......r.........",
};

}  // namespace

const olectl::XpmImage kQuillboxIcon = kIconRows;
const olectl::XpmImage kQuillboxToolboxBitmap = kToolboxBitmapRows;
