// What Windows shows of the built programs and how it starts them: the
// version resource (a file's properties) and the application manifest.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/version.h"

namespace {

std::wstring ProgramPath(const wchar_t* name)
{
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe);
    return path.substr(0, path.rfind(L'\\') + 1) + name;
}

std::wstring Widen(const char* ascii) { return std::wstring(ascii, ascii + strlen(ascii)); }

struct Program {
    const wchar_t* file;
    const wchar_t* internalName;
    const wchar_t* description;
};

const Program kPrograms[] = {
    {L"zavik_view.exe", L"zavik_view", L"zavik view 絵師ファイルのビューア"},
    {L"zavik.exe", L"zavik", L"zavik view コマンドラインツール"},
};

TEST(ProgramInfo, VersionResourceNamesProductVersionAndFile)
{
    for (const Program& program : kPrograms) {
        SCOPED_TRACE(testing::Message() << "program " << std::string(program.file, program.file + wcslen(program.file)));
        const std::wstring path = ProgramPath(program.file);
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        ASSERT_GT(size, 0u);
        std::vector<char> info(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));

        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
        EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(ZAVIK_VERSION_MINOR, ZAVIK_VERSION_MAJOR)));
        EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
        EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

        // The one translation, Japanese in Unicode, and the texts under it.
        WORD* translation = nullptr;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                                   reinterpret_cast<void**>(&translation), &length));
        ASSERT_EQ(length, 4u);
        EXPECT_EQ(translation[0], 0x0411);
        EXPECT_EQ(translation[1], 1200);
        auto text = [&](const wchar_t* key) {
            const std::wstring query = std::wstring(L"\\StringFileInfo\\041104B0\\") + key;
            wchar_t* value = nullptr;
            UINT chars = 0;
            if (!VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &chars))
                return std::wstring(L"(missing)");
            return std::wstring(value);
        };
        EXPECT_EQ(text(L"ProductName"), L"zavik view");
        EXPECT_EQ(text(L"ProductVersion"), Widen(ZAVIK_VERSION_TEXT));
        EXPECT_EQ(text(L"FileVersion"), Widen(ZAVIK_VERSION_TEXT));
        EXPECT_EQ(text(L"FileDescription"), program.description);
        EXPECT_EQ(text(L"InternalName"), program.internalName);
        EXPECT_EQ(text(L"OriginalFilename"), program.file);
    }
}

TEST(ProgramInfo, ManifestDeclaresDpiAwarenessAndWindowsVersionsWithClassicControls)
{
    for (const Program& program : kPrograms) {
        SCOPED_TRACE(testing::Message() << "program " << std::string(program.file, program.file + wcslen(program.file)));
        HMODULE module = LoadLibraryExW(ProgramPath(program.file).c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module, nullptr);
        HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
        ASSERT_NE(found, nullptr) << "no manifest";
        const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
        const std::string manifest(bytes, SizeofResource(module, found));
        FreeLibrary(module);

        EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
        for (const char* os : {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                               "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                               "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
            EXPECT_NE(manifest.find(os), std::string::npos) << os;
        EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
        // Version 6 of the common controls would restyle the dialogs.
        EXPECT_EQ(manifest.find("Common-Controls"), std::string::npos);
    }
}

// Both programs carry the application's icon (the first icon group, which
// Explorer and the Start menu show), with a 256 x 256 image, stored as a
// PNG, beside 16, 32 and 48.
TEST(ProgramInfo, ApplicationIconHasTheLargeImage)
{
    const int kApplicationIcon = 107; // IDI_ZAVIK_VIEW
    for (const Program& program : kPrograms) {
        SCOPED_TRACE(testing::Message() << "program " << std::string(program.file, program.file + wcslen(program.file)));
        HMODULE module = LoadLibraryExW(ProgramPath(program.file).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr);
        HRSRC group = FindResourceW(module, MAKEINTRESOURCEW(kApplicationIcon), MAKEINTRESOURCEW(14)); // RT_GROUP_ICON
        ASSERT_NE(group, nullptr);
        const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
        const DWORD dirSize = SizeofResource(module, group);
        ASSERT_GE(dirSize, 6u);
        const WORD count = *reinterpret_cast<const WORD*>(dir + 4);
        ASSERT_EQ(dirSize, 6u + 14u * count);
        std::vector<int> sides;
        for (WORD i = 0; i < count; ++i) {
            const BYTE* entry = dir + 6 + 14 * i;
            const int side = entry[0] ? entry[0] : 256;
            sides.push_back(side);
            if (side != 256)
                continue;
            HRSRC image = FindResourceW(module, MAKEINTRESOURCEW(*reinterpret_cast<const WORD*>(entry + 12)),
                                        MAKEINTRESOURCEW(3)); // RT_ICON
            ASSERT_NE(image, nullptr);
            const BYTE* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, image)));
            ASSERT_GE(SizeofResource(module, image), 8u);
            EXPECT_EQ(memcmp(bytes, "\x89PNG\r\n\x1a\n", 8), 0);
        }
        EXPECT_EQ(sides, (std::vector<int>{16, 32, 48, 256}));
        FreeLibrary(module);
    }
}

} // namespace
