// The messages the core shows the user, by id. One catalogue
// (image/catalogue.cpp) holds each message's text and caption in code page
// 932; front ends show them as they are (Win32) or convert them (UTF-8 on
// the command line and the page). The numbers are kept: the library's
// users see them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class MessageId : uint16_t {
    // Opening a file
    kPainterVersion = 1,         // a painter file of another version
    kNotPainter = 2,
    kNotCanvas = 3,
    kCanvasVersion = 4,
    kCanvasLayerFailed = 5,      // a mask or underlayer section did not decode
    kCanvasPictureFailed = 6,    // the Huffman-coded picture did not decode
    kCanvasJpegFailed = 7,
    kCanvasReadFailed = 8,
    kPainterJpegFailed = 9,
    kItemCannotOpen = 10,
    kItemReadFailed = 11,
    kFileCreateFailed = 12,      // a painter file with a canvas's name, then...
    kTestPath = 13,              // ...the path alone, captioned "test"
    kUnsupportedFile = 14,
    kReadFailed = 15,
    kJpegOpenFailed = 16,
    kJpegOpenFailed2 = 17,
    kBmpOpenFailed = 18,
    kBmpNot24Bit = 19,
    kPngColourType = 20,
    kPngBitDepth = 21,
    kPngPalette = 22,
    kPngOpenFailed = 23,
    kPngNotUsable = 24,
    kPngCorrupt = 25,
    kPngTooLarge = 26,
    kFileNameTooLong = 27,
    kFailedPath = 28,            // the path alone, captioned as a failure
    // Separating ink from background
    kColoursTooClose = 29,
    kSeparationNoMemory = 30,
    // Saving
    kJpegSaveCannotCreate = 31,
    kJpegSaveFailed = 32,
    kBmpSaveCannotCreate = 33,
    kBmpSaveFailed = 34,
    kPngSaveCannotCreate = 35,
    kPngSaveFailed = 36,
    kNothingToSave = 37,
    // Registering the file kinds
    kAssociationFolderTooLong = 38,   // the argument is the extension
    kAssociationKey1Failed = 39,
    kAssociationKey2Failed = 40,
    kAssociationKey3Failed = 41,
};

// A message's text is `before`, the argument (a path or a name, spelled as
// the file system spells it, never converted), then `after`; all three
// texts are code page 932.
struct MessageText {
    const char* before;
    const char* after;
    const char* caption;
};

// The catalogue's entry; an id outside it gives empty texts.
const MessageText& TextOfMessage(MessageId id);

// The whole text in code page 932, the argument in its place.
std::string Cp932MessageText(MessageId id, const char* argument);

// A message a decoder would show, in the order it would show it.
struct Message {
    MessageId id;
    std::string argument;
};
using MessageList = std::vector<Message>;
