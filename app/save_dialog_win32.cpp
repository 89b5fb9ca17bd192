#include "app/save_dialog_win32.h"

#include <commdlg.h>

#include <string>

#include "app/command_line.h"
#include "image/window_front_end_win32.h"
#include "formats/standard/save_pipeline.h"
#include "image/sjis_text.h"

char LastSaveFolder[MAX_PATH];

namespace {

// The dialog asks before replacing the name it returns; when the save adds
// the type's extension to a bare name, that longer name is asked about here.
bool MayWrite(HWND window, const std::string& path, const char* typed)
{
    if (path == typed || GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return true;
    char question[MAX_PATH + 64];
    CopyText(question, sizeof question, path.c_str());
    AppendText(question, sizeof question, " は既にあります。\r\n上書きしますか？");
    return MessageBoxA(window, question, "画像を保存する。", MB_YESNO | MB_ICONWARNING) == IDYES;
}

}  // namespace

int SavePicture(HWND window, const Document& doc)
{
    static const char filter[] = "JPEG (*.JPG)\0*.jpg\0Bitmap (*.BMP)\0*.bmp\0PNG (*.PNG)\0*.png\0";
    char file[MAX_PATH] = {};
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = window;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = LastSaveFolder[0] ? LastSaveFolder : nullptr;
    ofn.lpstrTitle = "画像を保存する。";
    // No default extension: the dialog would add it ("cnv" gives a picture
    // the viewer does not open again) whatever type is selected. A bare name
    // gets the selected type's extension from the save itself.
    ofn.lpstrDefExt = nullptr;
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    if (!GetSaveFileNameA(&ofn))
        return -1;
    const int type = static_cast<int>(ofn.nFilterIndex);
    if (!MayWrite(window, PathWithExtensionFor(file, type), file))
        return -1;
    WindowFrontEnd ui(window);
    SaveByFilterIndex(ui, type, file, doc.Picture, doc.AlphaMask, doc.Backdrop, doc.Transparency);
    // The folder of the file just saved: Windows makes it the current folder
    // as the dialog closes, other implementations of the dialog need not.
    if (ofn.nFileOffset > 0 && ofn.nFileOffset < MAX_PATH) {
        FolderOfSavedFile(LastSaveFolder, file, ofn.nFileOffset);
    } else {
        GetCurrentDirectoryA(MAX_PATH, LastSaveFolder);
    }
    return 0;
}
