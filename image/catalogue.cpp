// The catalogue of the core's messages. The texts are the program's own,
// word for word (numbers and function names in them included), since users
// and their notes know them by these words.
#include "image/messages.h"
#include "image/texts.h"

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

// ----------------------------------------------------------------- texts
const char kNoPainterName[] = "－－";
const char kTitlePainterText[] = "（絵師：";
const char kTitleTailText[] = "） - zavik view";
const char kPainterLabelText[] = "絵師：";
const char kStatusSizeFormat[] = ", 幅：%d, 高さ：%d";
const char kSizeFormat[] = "幅：%d, 高さ：%d";

const char kItemKindLabel[] = "種類：";
const char kItemWidthLabel[] = "\r\n\r\n幅：";
const char kItemHardnessLabel[] = "\r\n硬さ：";
const char kItemDensityLabel[] = "\r\n密度：";

const char* const kPenShapeNames[kPenShapeNameCount] = {
    /*  0 */ "四角い筆",
    /*  1 */ "丸い筆",
    /*  2 */ "斜めの筆（右下向き）",
    /*  3 */ "斜めの筆（右上向き）",
    /*  4 */ "「ザラビー」",
    /*  5 */ "ひし形の筆",
    /*  6 */ "「プラネット」",
    /*  7 */ "「ホロー」",
    /*  8 */ "「リアルクロス」",
    /*  9 */ "クロス筆（十字）",
    /* 10 */ "「リアルＸ」",
    /* 11 */ "クロス筆（Ｘ字）",
    /* 12 */ "水平ペンＡ",
    /* 13 */ "水平ペンＢ",
    /* 14 */ "垂直ペンＡ",
    /* 15 */ "垂直ペンＢ",
    /* 16 */ "三角Ａ",
    /* 17 */ "三角Ｂ",
    /* 18 */ "三角Ｃ",
    /* 19 */ "三角Ｄ",
    /* 20 */ "放物線（凸形）",
    /* 21 */ "放物線（凹型）",
    /* 22 */ "ＨＢ（三角形）",
    /* 23 */ "ＨＢ（斜め筆）",
    /* 24 */ "ＨＢ（□○▲×）",
    /* 25 */ "ＨＢ（×＆ホロー）",
    /* 26 */ "縦縞（ベース：四角）",
    /* 27 */ "縦縞（ベース：円）",
    /* 28 */ "横縞（ベース：四角）",
    /* 29 */ "横縞（ベース：円）",
    /* 30 */ "斜め縞（ベース：四角）",
    /* 31 */ "斜め縞（ベース：円）",
    /* 32 */ "斜め（丸縁取り）１",
    /* 33 */ "斜め（丸縁取り）２",
    /* 34 */ "斜め（丸縁取り）１，２のハイブリッド",
};
const char kHybridPenName[] = "ハイブリッド筆";
const char kUnknownPenName[] = "不明：丸筆になります。";
const char kHybridPenListText[] = "ハイブリッド筆： ";

const char* const kBrightnessSentences[kBrightnessBandCount] = {
    "めっちゃくら～いの色で描きます。", "かなり暗めの色で描きます。", "やや暗めの色で描きます。",
    "題材どおりの明るさで描きます。",   "やや明るめの色で描きます。", "かなり明るい色で描きます。",
    "めっちゃあっっかるい色で描きます。",
};
const char* const kVividnessSentences[kBrightnessBandCount] = {
    "めっちゃあわ～い色が好きです。",   "また、結構淡い色が好きです。",       "また、やや淡い色が好きです。", "",
    "また、やや鮮やかな色が好きです。", "また、かなり鮮やかな色が好きです。", "めっちゃ鮮やかな色が好きです。",
};
const char* const kFillAlphaSentences[kAlphaBandCount] = {
    "とても透明度が高いです。", "透明度は高めです。", "", "透明度は低めです。", "とても透明度が低いです。",
};
const char* const kOutlineAlphaSentences[kAlphaBandCount] = {
    "とても透明度が高いです。", "透明度は高いです。", "", "透明度は低いです。", "とても透明度低いです。",
};
const char* const kPreferenceSentences[kPreferenceBandCount] = {
    "輪郭大好き。ほとんど塗りません。",     "輪郭が好きで、あまり塗りません。",
    "どちらかと言うと輪郭が好きです。",     "どちらかと言うと塗りの方が好きです。",
    "塗りの方が好きで、輪郭はあまり描きません。", "塗りが大好き。輪郭はめったに描きません。",
};
const char* const kMeticulousnessSentences[kMeticulousnessBandCount] = {
    "　超きちょうめんです。", "　やや、きちょうめんです。", "", "　やや、おおざっぱです。", "　超おおざっぱです。",
};
const char* const kTypeSentences[kNamedTypeCount] = {
    "　ぬらべタイプの絵師です。", "　ハイライトタイプの絵師です。", "　シャドウタイプの絵師です。",
    "　単色タイプの絵師です。",
};
const char kMasterSentence[] = "　マスター絵師です。";
const char kDiagnosisIndent[] = "　";
const char kFillPenOpening[] = "　塗りの時には、";
const char kOutlinePenOpening[] = "　輪郭を描く時には、";
const char kVeteranSentence[] = "結構ベテランかも。";
const char kTiredSentence[] = "もうそろそろ今の描画方法に飽きてきた頃。";
