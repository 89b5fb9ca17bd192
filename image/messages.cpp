// The catalogue of the core's messages. The texts are the program's own,
// word for word (numbers and function names in them included), since users
// and their notes know them by these words.
#include "image/messages.h"

#include <iterator>

namespace {

struct Entry {
    MessageId id;
    MessageText text;
};

constexpr Entry kCatalogue[] = {
    {MessageId::kPainterVersion, {"このバージョンの絵師は使えません。(ToT)", "", "残念ながら･･･"}},
    {MessageId::kNotPainter, {"本当に絵師ファイルかな？", "", "失敗してしまいました。"}},
    {MessageId::kNotCanvas, {"本当にcnvファイルですか？", "", "失敗してしまいました。"}},
    {MessageId::kCanvasVersion,
     {"このバージョンのcnvファイルは使えません。ソフトのバージョンを上げてください。（ToT)", "", "残念ながら･･･"}},
    {MessageId::kCanvasLayerFailed, {"HuffDecodeImgファイル作成に失敗しました。WRITE_CNV2", "", "失敗"}},
    {MessageId::kCanvasPictureFailed, {"JPEGファイル作成に失敗しました。ReadCNV", "", "失敗"}},
    {MessageId::kCanvasJpegFailed, {"JPEGファイル読み込みに失敗しました。ReadCNV", "", "失敗"}},
    {MessageId::kCanvasReadFailed, {"失敗：ReadCNV2", "", "失敗しちゃいました。"}},
    {MessageId::kPainterJpegFailed, {"JPEGファイル読み込みに失敗しました。ReadPainter", "", "失敗"}},
    {MessageId::kItemCannotOpen, {"ファイルオープンに失敗しました。ReadItem", "", "失敗"}},
    {MessageId::kItemReadFailed, {"アイテムの読み込みに失敗しました。", "", "失敗"}},
    {MessageId::kFileCreateFailed, {"ファイル生成に失敗しました。", "", "Read_ESI_CNV"}},
    {MessageId::kTestPath, {"", "", "test"}},
    {MessageId::kUnsupportedFile, {"ファイルの読み込みに失敗しました。未対応のファイルです。", "", "失敗"}},
    {MessageId::kReadFailed, {"ファイルの読み込みに失敗しました。", "", "失敗"}},
    {MessageId::kJpegOpenFailed, {"JPEGファイルオープンに失敗しました。", "", "失敗"}},
    {MessageId::kJpegOpenFailed2, {"JPEGファイルオープンに失敗しました。2", "", "失敗"}},
    {MessageId::kBmpOpenFailed, {"BMPファイルオープンに失敗しました。", "", "失敗"}},
    {MessageId::kBmpNot24Bit,
     {"BMP画像がフルカラー（24ビット）ではありません。（２４ビットのみ対応しております。）", "", "エラー"}},
    {MessageId::kPngColourType, {"PNGファイルのカラータイプが未対応です。", "", "失敗"}},
    {MessageId::kPngBitDepth,
     {"PNGファイルの色深度が8bit以外です。本ソフトではPNGファイルは色深度8bitのみ対応です。", "", "失敗"}},
    {MessageId::kPngPalette,
     {"申し訳有りませんが、本ソフトはカラーパレット付きPNGファイルに対応していません。", "", "失敗"}},
    {MessageId::kPngOpenFailed, {"PNGファイルのオープンに失敗しました。", "", "失敗"}},
    {MessageId::kPngNotUsable, {"本ソフトで扱えるPNGファイルではありません。", "", "失敗"}},
    {MessageId::kPngCorrupt, {"PNGファイルのデータが壊れています。", "", "失敗"}},
    {MessageId::kPngTooLarge, {"PNG画像が大きすぎて読み込めません。", "", "失敗"}},
    {MessageId::kFileNameTooLong, {"ファイル名が長すぎます。（259バイトまでのファイル名が開けます。）", "", "失敗"}},
    {MessageId::kFailedPath, {"", "", "失敗"}},
    {MessageId::kColoursTooClose, {"文字と背景の色の輝度が近すぎて分離できません。", "", "ごめんなさい。"}},
    {MessageId::kSeparationNoMemory, {"メモリが足りないため、分離できません。", "", "ごめんなさい。"}},
    {MessageId::kJpegSaveCannotCreate, {"ファイルオープンに失敗しました。WRITE_JPEG", "", "失敗"}},
    {MessageId::kJpegSaveFailed, {"JPEGファイル作成に失敗しました。WRITE_JPEG", "", "失敗"}},
    {MessageId::kBmpSaveCannotCreate, {"ファイル生成に失敗しました。", "", "Error"}},
    {MessageId::kBmpSaveFailed, {"ファイルの書き込みに失敗しました。", "", "Error"}},
    {MessageId::kPngSaveCannotCreate, {"ファイルオープンに失敗しました。WRITE_PNG", "", "失敗"}},
    {MessageId::kPngSaveFailed, {"PNGファイル作成に失敗しました。WRITE_PNG", "", "失敗"}},
    {MessageId::kNothingToSave, {"保存すべきものが読み込まれていません。", "", "保存できません。"}},
    {MessageId::kAssociationFolderTooLong,
     {"プログラムのフォルダ名が長すぎるため、", " ファイルの関連付けができませんでした。", "Error"}},
    {MessageId::kAssociationKey1Failed, {"RegCreateKeyExでエラーが発生しました1", "", "Error"}},
    {MessageId::kAssociationKey2Failed, {"RegCreateKeyExでエラーが発生しました2", "", "Error"}},
    {MessageId::kAssociationKey3Failed, {"RegCreateKeyExでエラーが発生しました3", "", "Error"}},
};

// The entries are in the order of their numbers, from 1 without a gap, so an
// id finds its entry by index.
constexpr bool InOrder()
{
    for (size_t i = 0; i < std::size(kCatalogue); ++i)
        if (static_cast<size_t>(kCatalogue[i].id) != i + 1)
            return false;
    return true;
}
static_assert(InOrder(), "the catalogue is in the order of the ids");

constexpr MessageText kNoText = {"", "", ""};

}  // namespace

const MessageText& TextOfMessage(MessageId id)
{
    const size_t index = static_cast<size_t>(id);
    return index >= 1 && index <= std::size(kCatalogue) ? kCatalogue[index - 1].text : kNoText;
}

std::string Cp932MessageText(MessageId id, const char* argument)
{
    const MessageText& text = TextOfMessage(id);
    return std::string(text.before) + (argument ? argument : "") + text.after;
}
