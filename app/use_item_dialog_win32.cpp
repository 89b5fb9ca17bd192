// Dialog 119, アイテムを使う: the current item's name, picture and
// explanation. The item is read again from the document's path; the pen
// choice controls stay hidden, as the viewer applies no item to a painter.
#include <windows.h>

#include <initializer_list>

#include "app/document.h"
#include "image/window_front_end_win32.h"
#include "app/open_readers.h"
#include "formats/painter/item_reader.h"
#include "image/offscreen_win32.h"
#include "profile/painter_dialog_win32.h"
#include "resources/resource.h"

namespace {

// The item this dialog shows and its picture, made on first use and kept
// until exit; its surface is what every repaint copies.
ItemRecord& DialogItem()
{
    static ItemRecord item;
    return item;
}

RasterImage& ItemPicture()
{
    static RasterImage picture;
    return picture;
}

Offscreen& ItemSurface()
{
    static Offscreen surface;
    return surface;
}

constexpr int kPictureX = 10;
constexpr int kPictureY = 10;

void DrawItemPicture(HWND dialog)
{
    RasterImage& picture = ItemPicture();
    HDC dc = GetDC(dialog);
    PrepareOffscreen(ItemSurface(), dc, kItemPictureSize, kItemPictureSize);
    BITMAPINFO info = GdiBitmapInfo(picture);
    if (HDC memory = MemoryDc(ItemSurface()); memory && picture.width == kItemPictureSize &&
                                         picture.height == kItemPictureSize && !picture.Empty()) {
        SetDIBitsToDevice(memory, 0, 0, kItemPictureSize, kItemPictureSize, 0, 0, 0, kItemPictureSize,
                          picture.pixels.data, &info, DIB_RGB_COLORS);
        BitBlt(dc, kPictureX, kPictureY, kItemPictureSize, kItemPictureSize, memory, 0, 0, SRCCOPY);
    }
    ReleaseDC(dialog, dc);
}

void EnablePenChoice(HWND dialog, bool enable)
{
    for (int id : {IDC_ITEM_FILL_PEN, IDC_ITEM_OUTLINE_PEN, IDC_ITEM_PEN_GROUP})
        EnableWindow(GetDlgItem(dialog, id), enable);
    if (enable)
        CheckRadioButton(dialog, IDC_ITEM_FILL_PEN, IDC_ITEM_OUTLINE_PEN, IDC_ITEM_FILL_PEN);
}

}  // namespace

INT_PTR CALLBACK UseItemDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        // The document the item is read again into: the dialog's parameter.
        Document& doc = *reinterpret_cast<Document*>(lParam);
        WindowFrontEnd ui(dialog);
        if (ReadItem(ui, doc.CurrentPath, doc, ItemPicture(), DialogItem()) < 0) {
            ui.ShowMessage(MessageId::kFailedPath, doc.CurrentPath, BoxOwner::kWindow);
            EndDialog(dialog, -2);
            return TRUE;
        }
        DrawItemPicture(dialog);
        SetDlgItemTextA(dialog, IDC_ITEM_EXPLANATION, doc.ItemExplanation);
        EnablePenChoice(dialog, ItemHasPenEffect(DialogItem()));
        return TRUE;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(dialog, &ps);
        if (HDC memory = MemoryDc(ItemSurface()))
            BitBlt(dc, kPictureX, kPictureY, kItemPictureSize, kItemPictureSize, memory, 0, 0, SRCCOPY);
        EndPaint(dialog, &ps);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            ApplyPenChoice(DialogItem(), IsDlgButtonChecked(dialog, IDC_ITEM_FILL_PEN) == BST_CHECKED);
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}
